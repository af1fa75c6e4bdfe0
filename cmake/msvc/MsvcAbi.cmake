# The Microsoft-ABI Windows configuration (see cmake/toolchain-clang-cl.cmake):
# include folders in the order the runtime layer needs, the corrected Wine
# headers, import libraries made from Wine's DLLs, and the runtime layer that
# every module and program links.

# Microsoft's STL, pinned: later commits need clang 17, and from 2023-10-21 it
# calls _Thrd_sleep_for, which Wine 8's msvcp140.dll does not export.
set(KIVREN_MSVC_STL_NAME msvc-stl-1c59a20)
set(KIVREN_MSVC_STL "" CACHE PATH "Microsoft STL checkout (its stl/inc is used)")
if(NOT KIVREN_MSVC_STL)
    foreach(candidate ${CMAKE_SOURCE_DIR}/../shared/third_party/${KIVREN_MSVC_STL_NAME}
                      ${CMAKE_SOURCE_DIR}/deps/${KIVREN_MSVC_STL_NAME})
        if(EXISTS ${candidate}/stl/inc/yvals_core.h)
            set(KIVREN_MSVC_STL ${candidate})
            break()
        endif()
    endforeach()
endif()
if(NOT EXISTS ${KIVREN_MSVC_STL}/stl/inc/yvals_core.h)
    message(FATAL_ERROR "Microsoft STL headers (${KIVREN_MSVC_STL_NAME}) not found: run scripts/setup.sh")
endif()

set(KIVREN_WINE_INCLUDE /usr/include/wine/wine)
if(NOT EXISTS ${KIVREN_WINE_INCLUDE}/msvcrt/stdio.h OR NOT EXISTS ${KIVREN_WINE_INCLUDE}/windows/windows.h)
    message(FATAL_ERROR "Wine's C runtime and Windows headers not found in ${KIVREN_WINE_INCLUDE}: install the Debian package libwine-dev (scripts/setup.sh)")
endif()

set(kivren_msvc_dir ${CMAKE_BINARY_DIR}/msvc)
set(kivren_patched_include ${kivren_msvc_dir}/include-patched)
execute_process(
    COMMAND ${CMAKE_COMMAND} -DWINE_INCLUDE=${KIVREN_WINE_INCLUDE} -DOUT_DIR=${kivren_patched_include}
            -P ${CMAKE_CURRENT_LIST_DIR}/PatchWineHeaders.cmake
    RESULT_VARIABLE patch_status)
if(NOT patch_status EQUAL 0)
    message(FATAL_ERROR "could not write the corrected Wine headers")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_LIST_DIR}/PatchWineHeaders.cmake ${CMAKE_CURRENT_LIST_DIR}/../PatchCopy.cmake)

# Our runtime headers first (they wrap Wine's with #include_next), then the
# corrected Wine headers, the STL, and Wine's own.
set(kivren_system_includes
    ${CMAKE_SOURCE_DIR}/src/runtime/include
    ${kivren_patched_include}
    ${KIVREN_MSVC_STL}/stl/inc
    ${KIVREN_WINE_INCLUDE}/msvcrt
    ${KIVREN_WINE_INCLUDE}/windows)
set(kivren_msvc_flags --target=x86_64-pc-windows-msvc -fms-compatibility-version=19.38 /X)
foreach(dir IN LISTS kivren_system_includes)
    list(APPEND kivren_msvc_flags "SHELL:-imsvc ${dir}")
endforeach()
add_compile_options(${kivren_msvc_flags})
# The STL's vectorised algorithms live in Microsoft's static library.
add_compile_definitions(_USE_STD_VECTOR_ALGORITHMS=0)
# wchar_t is 16 bits here, so Wine's WCHAR is wchar_t, as in the Windows SDK.
add_compile_definitions(WINE_UNICODE_NATIVE)

# One C runtime for the host and the plugin: the DLL forms, in every build type.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)

# Import libraries, made at build time from Wine's DLLs.
set(kivren_import_dir ${kivren_msvc_dir}/lib)
set(KIVREN_IMPORT_DLLS kernel32 user32 ucrtbase vcruntime140 msvcp140 msvcp140_1 msvcp140_2 msvcp140_atomic_wait
    d3d11 d3dcompiler_47)
set(kivren_import_libs)
foreach(dll IN LISTS KIVREN_IMPORT_DLLS)
    set(source ${KIVREN_WINE_DLLS}/${dll}.dll)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "${source} not found: install the Debian package wine64 (scripts/setup.sh)")
    endif()
    add_custom_command(OUTPUT ${kivren_import_dir}/${dll}.lib
        COMMAND ${CMAKE_COMMAND} -DREADOBJ=${KIVREN_LLVM_BIN}/llvm-readobj -DDLLTOOL=${KIVREN_LLVM_BIN}/llvm-dlltool
                -DDLL=${source} -DLIB=${kivren_import_dir}/${dll}.lib
                -P ${CMAKE_CURRENT_LIST_DIR}/MakeImportLibrary.cmake
        DEPENDS ${source} ${CMAKE_CURRENT_LIST_DIR}/MakeImportLibrary.cmake
        COMMENT "Import library ${dll}.lib"
        VERBATIM)
    list(APPEND kivren_import_libs ${kivren_import_dir}/${dll}.lib)
endforeach()
file(MAKE_DIRECTORY ${kivren_import_dir})
add_custom_target(kivren_import_libraries DEPENDS ${kivren_import_libs})

add_library(kivren_msvcrt STATIC
    src/runtime/crt_startup.cpp
    src/runtime/crt_dll_entry.cpp
    src/runtime/crt_exe_entry.cpp
    src/runtime/crt_default_dllmain.cpp
    src/runtime/crt_heap.cpp
    src/runtime/crt_type_info.cpp
    src/runtime/crt_thread_statics.cpp
    src/runtime/crt_security.cpp
    src/runtime/crt_cpu_features.cpp
    src/runtime/stl_static_part.cpp
    src/runtime/stl_filesystem.cpp)
target_include_directories(kivren_msvcrt PRIVATE ${CMAKE_SOURCE_DIR}/src)

# The floating-point conversion tables that the STL's <charconv> declares
# but leaves to Microsoft's static library, computed at build time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(kivren_charconv_tables ${kivren_msvc_dir}/charconv_tables.cpp)
add_custom_command(OUTPUT ${kivren_charconv_tables}
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/generate_charconv_tables.py ${kivren_charconv_tables}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/generate_charconv_tables.py
    COMMENT "Floating-point conversion tables"
    VERBATIM)
target_sources(kivren_msvcrt PRIVATE ${kivren_charconv_tables})
add_dependencies(kivren_msvcrt kivren_import_libraries)

# No default libraries: each module gets the runtime layer, then the import
# libraries. vcruntime140 comes before ucrtbase, because Wine's ucrtbase also
# exports memcpy, _CxxThrowException and others that Windows has only in
# vcruntime140, and the first library that offers a name wins.
add_link_options(/nodefaultlib /manifest:no "/libpath:${kivren_import_dir}")
set(CMAKE_C_STANDARD_LIBRARIES
    "vcruntime140.lib ucrtbase.lib msvcp140.lib msvcp140_1.lib msvcp140_2.lib msvcp140_atomic_wait.lib kernel32.lib user32.lib"
    CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_C_STANDARD_LIBRARIES}" CACHE STRING "" FORCE)
link_libraries(kivren_msvcrt)
