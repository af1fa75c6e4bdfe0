// kivren-settings-viewer: the plugin's settings page in a real window, inside
// the stand-in host's settings menu, so that a person can click through it.
// With --screenshot it draws a few frames, saves the window as a PNG and exits.
//   kivren-settings-viewer [--script FILE.cfg] [--open-headers] [--screenshot OUT.png]
#include "reshade_module.h"
#include "settings_menu.h"
#include "sim_host.h"

// gl3w declares the OpenGL functions; GLFW must not include the system's gl.h.
#include <GL/gl3w.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl3.h>
#include <imgui_internal.h>
#include <stb/stb_image_write.h>

#include <cfloat>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int pageWidth = 800;
constexpr int pageHeight = 900;

struct Options {
    std::filesystem::path script;
    std::filesystem::path screenshot;
    bool openHeaders = false;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--script" && i + 1 < argc)
            options.script = argv[++i];
        else if (arg == "--screenshot" && i + 1 < argc)
            options.screenshot = argv[++i];
        else if (arg == "--open-headers")
            options.openHeaders = true;
        else {
            std::fprintf(stderr, "kivren-settings-viewer: unknown argument %s\n", arg.c_str());
            return false;
        }
    }
    return true;
}

bool runScript(SimHost& host, const std::filesystem::path& script) {
    std::ifstream file(script, std::ios::binary);
    if (!file.is_open()) {
        std::fprintf(stderr, "kivren-settings-viewer: cannot read %s\n", script.string().c_str());
        return false;
    }
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.rfind("//", 0) != 0)
            host.console().run(line);
    }
    return true;
}

bool saveScreenshot(const std::filesystem::path& path, int width, int height) {
    // Colour only: ImGui 1.75's OpenGL 3 backend blends the framebuffer's alpha
    // too, which a window on a screen never shows.
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL's rows run bottom to top; PNG's top to bottom.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.string().c_str(), width, height, 3, pixels.data(), width * 3) != 0;
}

// The page's texts need more than ImGui's built-in font, which has no em
// dash and would draw it as "?": Debian's DejaVu Sans (fonts-dejavu-core),
// with Latin-1 and the general punctuation block (dashes, quotes, ellipsis).
bool loadPageFont() {
    static const ImWchar ranges[] = {0x0020, 0x00FF, 0x2010, 0x2027, 0};
    const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    ImGuiIO& io = ImGui::GetIO();
    ImFont* font = std::filesystem::exists(path)
                       ? io.Fonts->AddFontFromFileTTF(path, 14.0f, nullptr, ranges)
                       : nullptr;
    if (!font) {
        std::fprintf(stderr,
                     "kivren-settings-viewer: cannot load %s: install the Debian package "
                     "fonts-dejavu-core (scripts/setup.sh)\n",
                     path);
        return false;
    }
    // The stand-in menu built the atlas with the built-in font; the renderer
    // uploads it again, rebuilt, at its first frame.
    io.FontDefault = font;
    return true;
}

int run(const Options& options) {
    StandInReShade::instance().reset();
    const auto root = std::filesystem::temp_directory_path() / "kivren-settings-viewer";
    SimHost host(root);
    std::string error;
    if (!host.loadPlugin(SimHost::builtPlugin(), &error)) {
        std::fprintf(stderr, "kivren-settings-viewer: cannot load the plugin: %s\n", error.c_str());
        return 1;
    }
    if (!options.script.empty() && !runScript(host, options.script))
        return 1;

    if (!glfwInit()) {
        std::fprintf(stderr, "kivren-settings-viewer: no display (set DISPLAY or use xvfb-run)\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    GLFWwindow* window = glfwCreateWindow(pageWidth, pageHeight, "Kivren 2.0", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "kivren-settings-viewer: cannot open an OpenGL 3 window\n");
        glfwTerminate();
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    // ImGui 1.75's OpenGL 3 backend leaves loading the functions to the program.
    if (gl3wInit() != 0) {
        std::fprintf(stderr, "kivren-settings-viewer: cannot load the OpenGL 3 functions\n");
        glfwDestroyWindow(window);
        glfwTerminate();
        return 1;
    }

    int status = 0;
    {
        SettingsMenu menu(host, static_cast<float>(pageWidth), static_cast<float>(pageHeight));
        menu.captureText(false);
        menu.makeCurrent();
        if (!loadPageFont()) {
            status = 1;
            glfwSetWindowShouldClose(window, 1);
        }
        ImGui::StyleColorsDark();
        ImGui_ImplGlfw_InitForOpenGL(window, true);
        ImGui_ImplOpenGL3_Init("#version 130");

        int frame = 0;
        while (!glfwWindowShouldClose(window)) {
            glfwPollEvents();
            menu.makeCurrent();
            ImGui_ImplOpenGL3_NewFrame();
            ImGui_ImplGlfw_NewFrame();
            // A screenshot shows the page at rest, not under wherever the
            // display put the pointer.
            if (!options.screenshot.empty())
                ImGui::GetIO().MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
            menu.beginFrame();
            menu.drawPage();
            menu.endFrame();
            if (frame == 0 && options.openHeaders) {
                // The headers keep their open state in the page window's storage.
                if (ImGuiWindow* page = menu.window()) {
                    page->StateStorage.SetInt(page->GetID("ID Pass  (Cryptomatte-style)"), 1);
                    page->StateStorage.SetInt(page->GetID("FFmpeg encoder path"), 1);
                }
            }
            int width = 0;
            int height = 0;
            glfwGetFramebufferSize(window, &width, &height);
            glViewport(0, 0, width, height);
            glClearColor(0.08f, 0.08f, 0.10f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
            ++frame;
            if (!options.screenshot.empty() && frame == 6) {
                if (!saveScreenshot(options.screenshot, width, height)) {
                    std::fprintf(stderr, "kivren-settings-viewer: cannot write %s\n",
                                 options.screenshot.string().c_str());
                    status = 1;
                }
                glfwSetWindowShouldClose(window, 1);
            }
            glfwSwapBuffers(window);
        }
        ImGui_ImplOpenGL3_Shutdown();
        ImGui_ImplGlfw_Shutdown();
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    host.unloadPlugin();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options))
        return 2;
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kivren-settings-viewer: %s\n", e.what());
        return 1;
    }
}
