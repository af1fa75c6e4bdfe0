# ReShade's own add-on headers (ReShade 5.4.2, add-on API 4), used in place:
# the plugin and the stand-ins are built against them, never against
# declarations of ours, so that every call lands in the slot ReShade has.
set(KIVREN_RESHADE_NAME reshade-5.4.2)
set(KIVREN_RESHADE_INCLUDE "" CACHE PATH "The include folder of ReShade ${KIVREN_RESHADE_NAME}")
if(NOT KIVREN_RESHADE_INCLUDE)
    set(KIVREN_RESHADE_INCLUDE ${CMAKE_SOURCE_DIR}/../shared/third_party/${KIVREN_RESHADE_NAME}/include)
endif()
if(NOT EXISTS ${KIVREN_RESHADE_INCLUDE}/reshade_api.hpp)
    message(FATAL_ERROR "ReShade's add-on headers not found in ${KIVREN_RESHADE_INCLUDE}: run scripts/setup.sh")
endif()

add_library(kivren_reshade INTERFACE)
# A system folder: its diagnostics stay its own, -Werror stays on ours.
target_include_directories(kivren_reshade SYSTEM INTERFACE ${KIVREN_RESHADE_INCLUDE})
if(NOT WIN32)
    # The headers are written for Microsoft's compiler. GCC needs a prelude
    # (the MSVC keywords they use) and reports their members named like their
    # types ("changes meaning") as errors unless -fpermissive downgrades them
    # to warnings: in the system folder those are not shown, and in our own
    # code -Werror makes them errors again.
    target_compile_options(kivren_reshade INTERFACE
        $<$<COMPILE_LANGUAGE:CXX>:--include=${CMAKE_SOURCE_DIR}/src/host/posix/reshade_prelude.h>
        $<$<COMPILE_LANG_AND_ID:CXX,GNU>:-fpermissive>)
endif()
