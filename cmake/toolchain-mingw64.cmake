# Cross build for Windows x86-64 with Debian's mingw-w64 (POSIX thread model,
# needed for std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KIVREN_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER ${KIVREN_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${KIVREN_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${KIVREN_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KIVREN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows test programs run under Wine; ctest prefixes them with this.
find_program(KIVREN_WINE wine)
if(KIVREN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KIVREN_WINE})
endif()
