# Warnings are errors on our own code; third-party code is included as SYSTEM.
function(kivren_warnings target)
    if(MSVC)
        # clang in cl mode: /W4 is clang's -Wall -Wextra (its /Wall would be
        # every warning there is). clang's -Wdouble-promotion also flags a
        # float stored into a double variable, which is how widening is
        # written here; GCC's checks the promotions that matter natively.
        target_compile_options(${target} PRIVATE
            /W4 /WX
            -Wshadow -Wcast-align -Wunused -Woverloaded-virtual
            -Wformat=2 -Wimplicit-fallthrough)
    else()
        target_compile_options(${target} PRIVATE
            -Wall -Wextra -Wpedantic -Werror
            -Wshadow -Wcast-align -Wunused -Woverloaded-virtual
            -Wformat=2 -Wimplicit-fallthrough)
        # clang's form of this warning also flags a float stored into a
        # double variable (see above); GCC's is the one the native build keeps.
        if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
            target_compile_options(${target} PRIVATE -Wdouble-promotion)
        endif()
    endif()
endfunction()

# Adds the platform half of a "name.h / name_win32.cpp / name_posix.cpp" trio:
# a service that both systems have, each side calling its own system.
function(kivren_platform_sources target)
    foreach(base IN LISTS ARGN)
        target_sources(${target} PRIVATE ${base}_${KIVREN_PLATFORM}.cpp)
    endforeach()
endfunction()

# Adds the other half of a "name.h / name_win32.cpp / name_stand_in.cpp" trio:
# a service that only Windows has (the loader's DllMain, ReShade, d3d11.dll,
# the HLSL compiler, the clipboard), reached natively through the stand-ins
# that sim/ and the test programs provide in its place.
function(kivren_stand_in_sources target)
    foreach(base IN LISTS ARGN)
        if(WIN32)
            target_sources(${target} PRIVATE ${base}_win32.cpp)
        else()
            target_sources(${target} PRIVATE ${base}_stand_in.cpp)
        endif()
    endforeach()
endfunction()

# One test program per subsystem group: GoogleTest with our own main (which
# makes crashes fail fast under Wine), registered with ctest. Windows programs
# run through CMAKE_CROSSCOMPILING_EMULATOR (wine).
#   kivren_add_test(NAME name SOURCES a.cpp ... [LIBS lib ...] [LABELS l ...] [TIMEOUT s])
function(kivren_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    kivren_warnings(${T_NAME})
    target_link_libraries(${T_NAME} PRIVATE kivren_test_support ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${KIVREN_PLATFORM};${T_LABELS}")
endfunction()
