# Every library Orv builds with, looked up once, each under one name:
#   orv::<name> for the system libraries, plus the packages' own config targets.
# Debian packages; scripts/install-deps.sh installs them all.

find_package(Threads REQUIRED) # before glslang, whose config file expects it
find_package(PkgConfig REQUIRED)
find_package(pugixml REQUIRED)

# Adds orv::<name> for a pkg-config module set.
function(orv_pkg name)
    pkg_check_modules(ORV_PKG_${name} REQUIRED IMPORTED_TARGET GLOBAL ${ARGN})
    add_library(orv::${name} ALIAS PkgConfig::ORV_PKG_${name})
endfunction()

# The platform's back ends.
find_package(glslang CONFIG REQUIRED)
find_package(SPIRV-Tools CONFIG REQUIRED)
find_package(kissfft CONFIG REQUIRED COMPONENTS SHARED float)
find_package(ZLIB REQUIRED) # .x files compressed with MSZIP
find_package(SDL2 CONFIG REQUIRED)
orv_pkg(epoxy epoxy)
orv_pkg(egl egl)
orv_pkg(spirvcross spirv-cross-c-shared)
orv_pkg(stb stb)
orv_pkg(sndfile sndfile)
orv_pkg(vorbisfile vorbisfile)
orv_pkg(jpeg libjpeg) # JPEG pictures: the reference decoder, every scan script it allows
orv_pkg(ffmpeg libavformat libavcodec libavutil libswscale libswresample)

# The player's settings dialog; its SDL2 and OpenGL 3 back ends sit in a sub-folder.
orv_pkg(imgui imgui)
pkg_get_variable(ORV_IMGUI_INCLUDEDIR imgui includedir)
set(ORV_IMGUI_BACKENDS_DIR ${ORV_IMGUI_INCLUDEDIR}/backends)

if(ORV_BUILD_TESTS OR ORV_BUILD_BENCH) # the benchmarks share the tests' support library
    find_package(GTest REQUIRED)
endif()
if(ORV_BUILD_BENCH)
    find_package(benchmark REQUIRED)
    orv_pkg(pixman pixman-1) # the yardstick of the surface benchmarks
endif()
