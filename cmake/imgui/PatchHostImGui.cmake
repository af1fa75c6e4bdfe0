# Writes the game host's copy of Dear ImGui 1.75 into OUT_DIR: upstream 1.75
# with the host's three changes, plus the upstream files compiled or included
# beside them (the GLFW and OpenGL 3 backends and the gl3w loader under
# examples/). The plugin draws into the host's ImGui context with this code,
# so it must be the host's build to the byte of every shared structure.
# Every change must match exactly once, or the build stops.
#   cmake -DSOURCE=.../imgui-1.75 -DOUT_DIR=... -P PatchHostImGui.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS ${SOURCE}/imgui.cpp OR NOT EXISTS ${SOURCE}/imgui.h)
    message(FATAL_ERROR "Dear ImGui 1.75 sources not found in ${SOURCE}")
endif()

# Texts hold semicolons, so each replacement is one call with named
# arguments (never split as a list): begin, replace..., then write.
function(begin_file relative)
    set(source ${SOURCE}/${relative})
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "Dear ImGui 1.75 file ${source} not found")
    endif()
    file(READ ${source} text)
    set(file_relative ${relative} PARENT_SCOPE)
    set(file_text "${text}" PARENT_SCOPE)
endfunction()

function(replace_once old new)
    string(FIND "${file_text}" "${old}" first)
    string(FIND "${file_text}" "${old}" last REVERSE)
    if(first EQUAL -1)
        message(FATAL_ERROR "${SOURCE}/${file_relative} does not contain the text the host changes:\n${old}")
    endif()
    if(NOT first EQUAL last)
        message(FATAL_ERROR "${SOURCE}/${file_relative} contains the text the host changes more than once:\n${old}")
    endif()
    string(REPLACE "${old}" "${new}" text "${file_text}")
    set(file_text "${text}" PARENT_SCOPE)
endfunction()

function(write_file)
    get_filename_component(folder ${OUT_DIR}/${file_relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(WRITE ${OUT_DIR}/${file_relative} "${file_text}")
endfunction()

# 1. The host inserted a colour of its own after CheckMark: every later
# colour index, ImGuiCol_COUNT, ImGuiStyle and the context grow by one.
begin_file(imgui.h)
replace_once("    ImGuiCol_CheckMark,\n"
    "    ImGuiCol_CheckMark,\n    ImGuiCol_RangeSliderBar,\n")
write_file()

# 2. The host builds with ImGui's vector operators on.
begin_file(imconfig.h)
replace_once("#pragma once\n"
    "#pragma once\n\n#define IMGUI_DEFINE_MATH_OPERATORS\n")
write_file()

# 3. Every window that has a parent starts with the parent's item flags on
# its stack, so a PopItemFlag inside it falls back to the parent's flags
# (a disabled region stays disabled in its child windows and popups).
# Upstream only does so for child windows whose flags differ, which after
# the assignment just above it never happens.
begin_file(imgui.cpp)
replace_once("        if ((flags & ImGuiWindowFlags_ChildWindow) && (window->DC.ItemFlags != parent_window->DC.ItemFlags))\n"
    "        if (parent_window)\n")
write_file()

# The rest as upstream has it.
foreach(relative
        LICENSE.txt imgui_internal.h imgui_draw.cpp imgui_widgets.cpp
        imstb_rectpack.h imstb_textedit.h imstb_truetype.h
        examples/imgui_impl_glfw.h examples/imgui_impl_glfw.cpp
        examples/imgui_impl_opengl3.h examples/imgui_impl_opengl3.cpp
        examples/libs/gl3w/GL/gl3w.h examples/libs/gl3w/GL/gl3w.c
        examples/libs/gl3w/GL/glcorearb.h)
    begin_file(${relative})
    write_file()
endforeach()
