# Checks the export and import tables of the built Kivren2.dll with mingw's
# objdump: the host needs its exports, and a game machine has nothing but the
# system's own DLLs to offer its imports.
#   cmake -DOBJDUMP=<objdump> -DDLL=<Kivren2.dll> -P check_dll_tables.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump could not read ${DLL}")
endif()

foreach(name exports NAME DESCRIPTION getPlugin deleteMe)
    if(NOT table MATCHES "\\] ${name}\n")
        message(FATAL_ERROR "${DLL} does not export ${name}")
    endif()
endforeach()

set(system_dlls KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll msvcrt.dll ole32.dll
    IMM32.dll SHELL32.dll d3d11.dll dxgi.dll d3dcompiler_47.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${table}")
if(NOT imports)
    message(FATAL_ERROR "no import table found in ${DLL}")
endif()
foreach(entry IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${entry}")
    list(FIND system_dlls "${dll}" known)
    if(known EQUAL -1)
        message(FATAL_ERROR "${DLL} imports ${dll}, which is not a system DLL")
    endif()
    message(STATUS "imports ${dll}")
endforeach()
