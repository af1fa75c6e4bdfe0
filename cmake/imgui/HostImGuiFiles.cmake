# The files of the host's Dear ImGui copy: those the host changed (written by
# PatchHostImGui.cmake with its changes) and those copied as upstream has
# them. Read by the build rule and by the script that writes the copy.
set(kivren_imgui_changed imgui.h imconfig.h imgui.cpp)
set(kivren_imgui_copied
    LICENSE.txt imgui_internal.h imgui_draw.cpp imgui_widgets.cpp
    imstb_rectpack.h imstb_textedit.h imstb_truetype.h
    examples/imgui_impl_glfw.h examples/imgui_impl_glfw.cpp
    examples/imgui_impl_opengl3.h examples/imgui_impl_opengl3.cpp
    examples/libs/gl3w/GL/gl3w.h examples/libs/gl3w/GL/gl3w.c
    examples/libs/gl3w/GL/glcorearb.h)
