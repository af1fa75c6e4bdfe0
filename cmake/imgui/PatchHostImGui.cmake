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

include(${CMAKE_CURRENT_LIST_DIR}/../PatchCopy.cmake)
set(hint "copy upstream Dear ImGui 1.75 (tag v1.75) there; scripts/setup.sh says where from")

# 1. The host inserted a colour of its own after CheckMark: every later
# colour index, ImGuiCol_COUNT, ImGuiStyle and the context grow by one.
patch_begin(${SOURCE}/imgui.h "${hint}")
patch_replace("    ImGuiCol_CheckMark,\n"
    "    ImGuiCol_CheckMark,\n    ImGuiCol_RangeSliderBar,\n")
patch_write(${OUT_DIR}/imgui.h)

# 2. The host builds with ImGui's vector operators on.
patch_begin(${SOURCE}/imconfig.h "${hint}")
patch_replace("#pragma once\n"
    "#pragma once\n\n#define IMGUI_DEFINE_MATH_OPERATORS\n")
patch_write(${OUT_DIR}/imconfig.h)

# 3. Every window that has a parent starts with the parent's item flags on
# its stack, so a PopItemFlag inside it falls back to the parent's flags
# (a disabled region stays disabled in its child windows and popups).
# Upstream only does so for child windows whose flags differ, which after
# the assignment just above it never happens.
patch_begin(${SOURCE}/imgui.cpp "${hint}")
patch_replace("        if ((flags & ImGuiWindowFlags_ChildWindow) && (window->DC.ItemFlags != parent_window->DC.ItemFlags))\n"
    "        if (parent_window)\n")
patch_write(${OUT_DIR}/imgui.cpp)

# The rest as upstream has it.
include(${CMAKE_CURRENT_LIST_DIR}/HostImGuiFiles.cmake)
foreach(relative IN LISTS kivren_imgui_copied)
    patch_begin(${SOURCE}/${relative} "${hint}")
    patch_write(${OUT_DIR}/${relative})
endforeach()
