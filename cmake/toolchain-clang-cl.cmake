# Cross build for Windows x86-64 with the Microsoft C++ ABI: Debian's clang-16
# in its cl mode and lld-link, Microsoft's STL headers, Wine's C runtime and
# Windows headers, and the project's own runtime layer (src/runtime). The
# result speaks the ABI of the game's plugin host, which is built with
# Microsoft's compiler and trades std::string, std::shared_ptr and
# std::function with the plugin.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KIVREN_MSVC_ABI ON)

set(KIVREN_LLVM_BIN /usr/lib/llvm-16/bin)
foreach(tool clang lld-link llvm-lib llvm-rc llvm-mt llvm-readobj llvm-dlltool)
    if(NOT EXISTS ${KIVREN_LLVM_BIN}/${tool})
        message(FATAL_ERROR "${KIVREN_LLVM_BIN}/${tool} not found: install the Debian packages clang-16 lld-16 llvm-16 (scripts/setup.sh)")
    endif()
endforeach()

# clang picks its cl mode from the name it is started by.
set(kivren_tool_dir ${CMAKE_BINARY_DIR}/msvc/bin)
file(MAKE_DIRECTORY ${kivren_tool_dir})
file(CREATE_LINK ${KIVREN_LLVM_BIN}/clang ${kivren_tool_dir}/clang-cl SYMBOLIC)

set(CMAKE_C_COMPILER ${kivren_tool_dir}/clang-cl)
set(CMAKE_CXX_COMPILER ${kivren_tool_dir}/clang-cl)
set(CMAKE_LINKER ${KIVREN_LLVM_BIN}/lld-link)
set(CMAKE_AR ${KIVREN_LLVM_BIN}/llvm-lib)
set(CMAKE_RC_COMPILER ${KIVREN_LLVM_BIN}/llvm-rc)
set(CMAKE_MT ${KIVREN_LLVM_BIN}/llvm-mt)

# The compiler checks cannot link before the runtime layer exists.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# The Wine PE DLLs the import libraries are made from.
set(KIVREN_WINE_DLLS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows test programs run under Wine; ctest prefixes them with this.
find_program(KIVREN_WINE wine)
if(KIVREN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KIVREN_WINE})
endif()
