# Makes an import library from the export table of one of Wine's PE DLLs:
# the names are the same as those of the Windows DLL of that name (Wine's
# list is a superset; the release's import check catches names that real
# Windows does not have).
#   cmake -DREADOBJ=... -DDLLTOOL=... -DDLL=.../kernel32.dll -DLIB=.../kernel32.lib -P MakeImportLibrary.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${READOBJ} --coff-exports ${DLL}
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "llvm-readobj could not read the exports of ${DLL}")
endif()

get_filename_component(dll_name ${DLL} NAME)
get_filename_component(def_dir ${LIB} DIRECTORY)
get_filename_component(base ${LIB} NAME_WE)
set(def ${def_dir}/${base}.def)

# One "Name: x" line per named export; exports by ordinal only have none.
string(REGEX MATCHALL "Name: [^\n]+" names "${listing}")
set(text "LIBRARY ${dll_name}\nEXPORTS\n")
set(count 0)
foreach(line IN LISTS names)
    string(REGEX REPLACE "^Name: " "" name "${line}")
    string(STRIP "${name}" name)
    if(name STREQUAL "")
        continue()
    endif()
    string(APPEND text "    \"${name}\"\n")
    math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
    message(FATAL_ERROR "${DLL} exports no names")
endif()
file(WRITE ${def} "${text}")

execute_process(COMMAND ${DLLTOOL} -m i386:x86-64 -d ${def} -l ${LIB} -D ${dll_name}
    RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "llvm-dlltool could not make ${LIB}: ${errors}")
endif()
