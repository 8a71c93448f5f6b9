# libFuzzer targets (ORV_FUZZ=ON, clang only).
#
# With the option on, everything in the tree is compiled with coverage instrumentation and the
# address and undefined-behaviour sanitizers, so a fuzz target finds faults in the library code
# it calls, not only in its own file. Each target is added by one call:
#
#   orv_add_fuzzer(<name>
#       SOURCES <files...>        the target's LLVMFuzzerTestOneInput, plus any library sources
#       [LIBS <targets...>]       e.g. orv_kernel_internal for the whole engine and platform
#       [CORPUS <dir>]            seed inputs (checked in); default tests/fuzz/corpus/<name>
#       [MAX_LEN <bytes>]         largest input libFuzzer makes (default 4096)
#       [OPTIONS <flags...>])     more libFuzzer flags, e.g. -dict=<file>
#
# It builds the program orv_fuzz_<name> and registers a ctest test of the same name, labelled
# "fuzz", that runs it for $ORV_FUZZ_SECONDS seconds (default 30) from the seed corpus in a
# temporary folder it removes. The target orv_fuzzers builds them all; scripts/fuzz.sh builds
# and runs them.

if(NOT ORV_FUZZ)
    return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORV_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
add_custom_target(orv_fuzzers)

function(orv_add_fuzzer name)
    cmake_parse_arguments(ARG "" "CORPUS;MAX_LEN" "SOURCES;LIBS;OPTIONS" ${ARGN})
    if(NOT ARG_SOURCES)
        message(FATAL_ERROR "orv_add_fuzzer(${name}): SOURCES is required")
    endif()
    if(NOT ARG_CORPUS)
        set(ARG_CORPUS ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    endif()
    if(NOT ARG_MAX_LEN)
        set(ARG_MAX_LEN 4096)
    endif()
    set(target orv_fuzz_${name})
    add_executable(${target} ${ARG_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${target} PRIVATE orv_kernel_headers ${ARG_LIBS})
    add_dependencies(orv_fuzzers ${target})
    add_test(NAME ${target}
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/fuzz/run-fuzzer.sh $<TARGET_FILE:${target}>
                ${ARG_CORPUS} ${CMAKE_CURRENT_BINARY_DIR}/${name}
                -max_len=${ARG_MAX_LEN} ${ARG_OPTIONS})
    set_tests_properties(${target} PROPERTIES LABELS fuzz TIMEOUT 3600)
endfunction()
