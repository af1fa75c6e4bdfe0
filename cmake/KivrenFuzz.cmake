# libFuzzer targets (KIVREN_FUZZ=ON, Debian's clang). Everything built in this
# configuration carries the fuzzer's coverage instrumentation with
# AddressSanitizer and UndefinedBehaviorSanitizer, so that a library a target
# links is explored as well as the target itself.
#
#   kivren_add_fuzz(NAME name SOURCES a.cpp ... [LIBS lib ...])
#
# builds the executable `name` (defining LLVMFuzzerTestOneInput) and registers
# a ctest `name` that runs it for KIVREN_FUZZ_SECONDS on a copy of the seed
# corpus tests/fuzz/corpus/<name>/ (the committed corpus is never written),
# and fails on a crash, a leak, a sanitizer report or a check that aborts.
# Sources may name files of src/ directly; src/ and src/host are on the
# include path.

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KIVREN_FUZZ needs clang (libFuzzer): configure with "
                        "CMAKE_CXX_COMPILER=clang++-16 (scripts/build.sh fuzz does)")
endif()

set(KIVREN_FUZZ_SECONDS 20 CACHE STRING "How long each fuzz test runs, in seconds")
set(KIVREN_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                           -fno-omit-frame-pointer)
add_compile_options(-fsanitize=fuzzer-no-link ${KIVREN_FUZZ_SANITIZERS})
# Programs built beside the targets (the tools' own executables) link the
# same sanitizer runtimes as the code they are made of.
add_link_options(${KIVREN_FUZZ_SANITIZERS})
set(KIVREN_FUZZ_RUNNER ${CMAKE_CURRENT_LIST_DIR}/KivrenFuzzRun.cmake)

function(kivren_add_fuzz)
    cmake_parse_arguments(F "" "NAME" "SOURCES;LIBS" ${ARGN})
    if(NOT F_NAME OR NOT F_SOURCES)
        message(FATAL_ERROR "kivren_add_fuzz needs NAME and SOURCES")
    endif()
    set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${F_NAME})
    if(NOT IS_DIRECTORY ${corpus})
        message(FATAL_ERROR "fuzz target ${F_NAME} has no seed corpus in ${corpus}")
    endif()

    add_executable(${F_NAME} ${F_SOURCES})
    kivren_warnings(${F_NAME})
    target_include_directories(${F_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/host)
    target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer ${KIVREN_FUZZ_SANITIZERS})
    target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})

    add_test(NAME ${F_NAME}
        COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${F_NAME}> -DCORPUS=${corpus}
                -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}.run -DSECONDS=${KIVREN_FUZZ_SECONDS}
                -P ${KIVREN_FUZZ_RUNNER})
    # Room for start-up and the reading of the corpus beyond the fuzzing time.
    math(EXPR timeout "${KIVREN_FUZZ_SECONDS} + 120")
    set_tests_properties(${F_NAME} PROPERTIES TIMEOUT ${timeout} LABELS "posix;fuzz")
endfunction()
