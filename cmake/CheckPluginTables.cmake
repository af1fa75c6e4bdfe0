# Checks the export and import tables of a built Kivren2.dll: the host needs
# its exports, and a game machine offers its imports only from the system,
# the Visual C++ redistributable and the plugin host's pluginsdk.dll.
# Used by the test suite and by scripts/package.sh, which ships nothing that
# fails it.
#   cmake -DREADOBJ=<llvm-readobj> -DDLL=<Kivren2.dll> [-DSDK_EXPORTS=<list>] -P CheckPluginTables.cmake
# SDK_EXPORTS names the list of what the host's pluginsdk.dll exports (one
# "decorated<TAB>readable" name a line); with it, every name the DLL imports
# from pluginsdk.dll must be on that list, or the host refuses to load it.
cmake_minimum_required(VERSION 3.25)

set(check_sdk_names OFF)
if(DEFINED SDK_EXPORTS)
    set(check_sdk_names ON)
    if(NOT EXISTS "${SDK_EXPORTS}")
        message(FATAL_ERROR "the list of the host SDK's exports, ${SDK_EXPORTS}, is missing")
    endif()
    file(READ "${SDK_EXPORTS}" sdk_exports)
    # Each name is then found as "\n<name>\t", the first line included.
    string(PREPEND sdk_exports "\n")
endif()

execute_process(COMMAND ${READOBJ} --coff-exports ${DLL} OUTPUT_VARIABLE exports RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "llvm-readobj could not read the exports of ${DLL}")
endif()
foreach(name exports NAME DESCRIPTION getPlugin deleteMe)
    if(NOT exports MATCHES "Name: ${name}\n")
        message(FATAL_ERROR "${DLL} does not export ${name}")
    endif()
endforeach()

execute_process(COMMAND ${READOBJ} --coff-imports ${DLL} OUTPUT_VARIABLE imports RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "llvm-readobj could not read the imports of ${DLL}")
endif()

# Names that Windows exports only from vcruntime140.dll (Wine's ucrtbase has
# them too, so a wrong link order would go unnoticed under Wine).
set(vcruntime_only_pattern "^(memcpy|memmove|memset|memcmp|memchr|strchr|strrchr|strstr|wcschr|wcsrchr|wcsstr|_CxxThrowException|__CxxFrameHandler[0-9]*|__std_[A-Za-z_]+|__RTDynamicCast|__RTtypeid|__RTCastToVoid|_purecall|__C_specific_handler|__current_exception|__current_exception_context|__report_gsfailure|longjmp)$")

string(REGEX MATCHALL "Import {[^}]*}" blocks "${imports}")
if(NOT blocks)
    message(FATAL_ERROR "no import table found in ${DLL}")
endif()
set(problems "")
foreach(block IN LISTS blocks)
    string(REGEX MATCH "Name: ([^\n]+)" _ "${block}")
    set(dll "${CMAKE_MATCH_1}")
    string(TOLOWER "${dll}" lower)
    if(NOT lower MATCHES "^(kernel32|user32|msvcp140|vcruntime140|vcruntime140_1|ucrtbase|api-ms-win-crt-[a-z0-9-]+|pluginsdk)\\.dll$")
        string(APPEND problems "${DLL} imports from ${dll}, which a game machine does not provide\n")
        continue()
    endif()
    string(REGEX MATCHALL "Symbol: [^ \n]+" symbols "${block}")
    list(LENGTH symbols count)
    message(STATUS "imports ${count} names from ${dll}")
    foreach(symbol IN LISTS symbols)
        string(REPLACE "Symbol: " "" name "${symbol}")
        if(lower STREQUAL "pluginsdk.dll" AND NOT name MATCHES "^\\?")
            string(APPEND problems "${DLL} imports ${name} from ${dll}, which exports only C++ (decorated) names\n")
        elseif(lower STREQUAL "pluginsdk.dll" AND check_sdk_names)
            string(FIND "${sdk_exports}" "\n${name}\t" at)
            if(at EQUAL -1)
                string(APPEND problems "${DLL} imports ${name} from ${dll}, which the host's pluginsdk.dll does not export\n")
            endif()
        endif()
        if((lower STREQUAL "ucrtbase.dll" OR lower MATCHES "^api-ms-win-crt-") AND name MATCHES "${vcruntime_only_pattern}")
            string(APPEND problems "${DLL} imports ${name} from ${dll}; Windows has it only in vcruntime140.dll\n")
        endif()
    endforeach()
endforeach()
if(problems)
    message(FATAL_ERROR "${problems}")
endif()
