#include "settings_menu.h"

#include <imgui.h>
#include <imgui_internal.h>

SettingsMenu::SettingsMenu(SimHost& host, float width, float height)
    : host_(host), context_(ImGui::CreateContext()), width_(width), height_(height) {
    ImGui::SetCurrentContext(context_);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(width + 40.0f, height + 40.0f);
    io.DeltaTime = 1.0f / 60.0f;
    // Headless: the font atlas is built, but nothing uploads it anywhere.
    unsigned char* pixels = nullptr;
    int atlasWidth = 0;
    int atlasHeight = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &atlasWidth, &atlasHeight);
}

SettingsMenu::~SettingsMenu() {
    ImGui::DestroyContext(context_);
}

void SettingsMenu::makeCurrent() const {
    ImGui::SetCurrentContext(context_);
}

void SettingsMenu::beginFrame() {
    makeCurrent();
    ImGui::NewFrame();
}

void SettingsMenu::drawPage() {
    auto* page = host_.settingsWindow();
    windowName_ = page ? page->GetPluginName() : std::string("(no plugin)");
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImVec2(width_, height_));
    ImGui::Begin(windowName_.c_str(), nullptr,
                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings);
    if (page) {
        page->SetImGuiContext(reinterpret_cast<std::uintptr_t>(context_));
        if (captureText_) {
            // ImGui's own text log captures what the page renders; depth 0 opens nothing.
            ImGui::LogToBuffer(0);
            page->RenderSettings();
            pageText_ = context_->LogBuffer.c_str();
            ImGui::LogFinish();
        } else {
            page->RenderSettings();
        }
        // The plugin may leave its own module's ImGui current; the host's is ours.
        makeCurrent();
    }
    ImGui::End();
}

void SettingsMenu::endFrame() {
    makeCurrent();
    ImGui::Render();
}

void SettingsMenu::frame() {
    beginFrame();
    drawPage();
    endFrame();
}

ImGuiWindow* SettingsMenu::window() const {
    makeCurrent();
    return ImGui::FindWindowByName(windowName_.c_str());
}
