# Every dependency comes from Debian's packages (scripts/setup.sh installs
# them), except the pinned third-party sources beside the project
# (../shared/third_party), which are used in place.

# fmt, header-only in both builds. Only fmt's own folder is put on the include
# path, never the whole of /usr/include (the Windows build must not see it).
set(KIVREN_FMT_INCLUDE /usr/include/fmt)
if(NOT EXISTS ${KIVREN_FMT_INCLUDE}/format.h)
    message(FATAL_ERROR "fmt headers not found in ${KIVREN_FMT_INCLUDE}: run scripts/setup.sh (package libfmt-dev)")
endif()
set(kivren_fmt_root ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${kivren_fmt_root})
file(CREATE_LINK ${KIVREN_FMT_INCLUDE} ${kivren_fmt_root}/fmt SYMBOLIC)
add_library(kivren_fmt INTERFACE)
target_include_directories(kivren_fmt SYSTEM INTERFACE ${kivren_fmt_root})
target_compile_definitions(kivren_fmt INTERFACE FMT_HEADER_ONLY=1)

# Dear ImGui: the game host's own copy (1.75 with its changes), built here.
include(${CMAKE_CURRENT_LIST_DIR}/imgui/HostImGui.cmake)

# GoogleTest: Debian's package natively, its sources for the Windows build.
if(KIVREN_BUILD_TESTS)
    if(WIN32)
        if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
            message(FATAL_ERROR "GoogleTest sources not found in /usr/src/googletest: run scripts/setup.sh (package googletest)")
        endif()
        # One shared C runtime (/MD) for the tests as for the plugin; Windows threads.
        set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
        set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
        add_library(kivren_gtest INTERFACE)
        target_link_libraries(kivren_gtest INTERFACE gtest gmock)
    else()
        find_package(GTest REQUIRED)
        add_library(kivren_gtest INTERFACE)
        target_link_libraries(kivren_gtest INTERFACE GTest::gtest GTest::gmock)
    endif()
endif()

if(KIVREN_BUILD_BENCH AND NOT WIN32)
    find_package(benchmark REQUIRED)
endif()

# ReShade's add-on headers.
include(${CMAKE_CURRENT_LIST_DIR}/ReShade.cmake)
