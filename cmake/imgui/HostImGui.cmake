# The game host's Dear ImGui: upstream 1.75 with the host's changes, written
# under the build folder at build time by PatchHostImGui.cmake and compiled
# from there. The plugin, the stand-in host's menu and the viewer all use it.
#   kivren_imgui           the core (both configurations)
#   kivren_imgui_backends  GLFW + OpenGL 3 with the gl3w loader (native only)

set(KIVREN_IMGUI_NAME imgui-1.75)
set(KIVREN_IMGUI_UPSTREAM "" CACHE PATH "Upstream Dear ImGui 1.75 (tag v1.75)")
if(NOT KIVREN_IMGUI_UPSTREAM)
    foreach(candidate ${CMAKE_SOURCE_DIR}/../shared/third_party/${KIVREN_IMGUI_NAME}
                      ${CMAKE_SOURCE_DIR}/deps/${KIVREN_IMGUI_NAME})
        if(EXISTS ${candidate}/imgui.cpp)
            set(KIVREN_IMGUI_UPSTREAM ${candidate})
            break()
        endif()
    endforeach()
endif()
if(NOT EXISTS ${KIVREN_IMGUI_UPSTREAM}/imgui.cpp)
    message(FATAL_ERROR "Dear ImGui 1.75 (${KIVREN_IMGUI_NAME}) not found beside the project in ../shared/third_party or in deps/: run scripts/setup.sh")
endif()

set(KIVREN_IMGUI_DIR ${CMAKE_BINARY_DIR}/third_party/imgui-1.75-host)
set(kivren_imgui_patch ${CMAKE_CURRENT_LIST_DIR}/PatchHostImGui.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/HostImGuiFiles.cmake)
set(kivren_imgui_inputs)
set(kivren_imgui_outputs)
foreach(relative IN LISTS kivren_imgui_changed kivren_imgui_copied)
    list(APPEND kivren_imgui_inputs ${KIVREN_IMGUI_UPSTREAM}/${relative})
    list(APPEND kivren_imgui_outputs ${KIVREN_IMGUI_DIR}/${relative})
endforeach()
add_custom_command(OUTPUT ${kivren_imgui_outputs}
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${KIVREN_IMGUI_UPSTREAM} -DOUT_DIR=${KIVREN_IMGUI_DIR}
            -P ${kivren_imgui_patch}
    DEPENDS ${kivren_imgui_inputs} ${kivren_imgui_patch} ${CMAKE_CURRENT_LIST_DIR}/HostImGuiFiles.cmake
            ${CMAKE_CURRENT_LIST_DIR}/../PatchCopy.cmake
    COMMENT "Dear ImGui 1.75 with the host's changes"
    VERBATIM)
# Everything that includes imgui.h waits for the copy through this target.
add_custom_target(kivren_imgui_sources DEPENDS ${kivren_imgui_outputs})

add_library(kivren_imgui STATIC
    ${KIVREN_IMGUI_DIR}/imgui.cpp ${KIVREN_IMGUI_DIR}/imgui_draw.cpp
    ${KIVREN_IMGUI_DIR}/imgui_widgets.cpp)
add_dependencies(kivren_imgui kivren_imgui_sources)
target_include_directories(kivren_imgui SYSTEM PUBLIC ${KIVREN_IMGUI_DIR})
target_compile_options(kivren_imgui PRIVATE -w)
if(WIN32)
    # The plugin imports nothing from imm32.dll; the host handles text input.
    target_compile_definitions(kivren_imgui PUBLIC IMGUI_DISABLE_WIN32_DEFAULT_IME_FUNCTIONS)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(KIVREN_GLFW IMPORTED_TARGET glfw3)
    find_package(OpenGL)
    if(NOT KIVREN_GLFW_FOUND OR NOT OPENGL_FOUND)
        message(FATAL_ERROR "GLFW or OpenGL not found: run scripts/setup.sh (packages libglfw3-dev, libgl-dev)")
    endif()
    add_library(kivren_imgui_backends STATIC
        ${KIVREN_IMGUI_DIR}/examples/imgui_impl_glfw.cpp
        ${KIVREN_IMGUI_DIR}/examples/imgui_impl_opengl3.cpp
        ${KIVREN_IMGUI_DIR}/examples/libs/gl3w/GL/gl3w.c)
    target_include_directories(kivren_imgui_backends SYSTEM PUBLIC
        ${KIVREN_IMGUI_DIR}/examples ${KIVREN_IMGUI_DIR}/examples/libs/gl3w)
    # Named, so that a GLEW or glad header on the machine is never picked instead.
    target_compile_definitions(kivren_imgui_backends PUBLIC IMGUI_IMPL_OPENGL_LOADER_GL3W)
    target_compile_options(kivren_imgui_backends PRIVATE -w)
    target_link_libraries(kivren_imgui_backends PUBLIC kivren_imgui PkgConfig::KIVREN_GLFW
        OpenGL::GL ${CMAKE_DL_LIBS})
endif()
