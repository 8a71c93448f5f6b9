# The Debian package: `cpack -G DEB` in a release tree makes orv_<version>_<arch>.deb with
# everything `cmake --install` puts in place (the libraries, the public headers, the CMake
# package, orvkernel.pc, the player and every other program installed). Configure the tree
# with -DCMAKE_INSTALL_PREFIX=/usr so that the libraries land in the multiarch folder.
# scripts/check-package.sh installs it with apt into a fresh Debian 12 root.

# pkg-config: the prefix is that of the installation being made (`cmake --install --prefix`,
# or /usr when CPack stages the package), so the file is written at install time.
install(CODE "
    set(ORV_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(ORV_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(ORV_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(ORV_PC_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/orvkernel.pc.in\"
                   \"${CMAKE_BINARY_DIR}/pkgconfig/orvkernel.pc\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/pkgconfig/orvkernel.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_PACKAGE_NAME orv)
set(CPACK_PACKAGE_VENDOR "Orv")
set(CPACK_PACKAGE_CONTACT "Orv maintainers <maintainers@users.noreply.c-seed-d800b780.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time demo engine: library, headers and player")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orv plays a timed audiovisual show (a stack of visual layers animated by key frames)\n"
    "in step with a music track, records it to video, and offers an editing API. This\n"
    "package holds libOrvKernel and libOrvPlatform, their headers, CMake package and\n"
    "pkg-config file (orvkernel), and OrvPlayer, which plays in a window or renders\n"
    "headless (EGL with Mesa's software rasteriser where there is no GPU).")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

# Every run-time package by name. The shared-library scan would find the linked ones only,
# not what is opened at run time: the headless device opens libEGL.so.1 and libOpenGL.so.0
# (libGL.so.1 where that is missing), libepoxy opens libEGL.so.1 and libGL.so.1, and these
# vendor-neutral libraries load Mesa's EGL, which loads its drivers. The public headers
# include pugixml's, so hosts built against the package need its development files.
# scripts/check-package.sh fails when an installed program or library misses a library
# after installing the package, when a library it links with comes from a package that
# Depends does not name (present only because another package pulled it in), or when the
# headless still cannot be rendered.
set(ORV_DEB_DEPENDS
    # the libraries and the player link with these
    libc6 libstdc++6 libgcc-s1 libpugixml1v5 libepoxy0 libsdl2-2.0-0 libspirv-cross-c-shared0
    libstb0 libjpeg62-turbo zlib1g libsndfile1 libvorbisfile3 libkissfft-float131
    libavformat59 libavcodec59 libavutil57 libswscale6 libswresample4
    # opened at run time: the GL dispatch libraries (the headless device's EGL context and
    # libepoxy), Mesa's EGL with its drivers (llvmpipe where there is no GPU) and, for a
    # window on X11, Mesa's GLX
    libegl1 libopengl0 libgl1 libegl-mesa0 libgl1-mesa-dri libgbm1 libglapi-mesa libglx-mesa0
    # hosts built against the headers
    libpugixml-dev
    # FFmpeg's programs, which the rendering tools call
    ffmpeg)
list(JOIN ORV_DEB_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Rendering a show across several machines or processes (orv-render) hands its parts to GNU
# parallel or to a Slurm cluster.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "parallel, slurm-client")

include(CPack)
