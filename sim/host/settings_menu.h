#pragma once
// The host's settings menu: it owns the Dear ImGui context and, once per
// interface frame, hands it to the plugin and has the plugin draw its page
// inside the host's window. Headless unless a backend renders the draw data.

#include "sim_host.h"

#include <string>

struct ImGuiContext;
struct ImGuiWindow;

class SettingsMenu {
public:
    explicit SettingsMenu(SimHost& host, float width = 640.0f, float height = 960.0f);
    ~SettingsMenu();
    SettingsMenu(const SettingsMenu&) = delete;
    SettingsMenu& operator=(const SettingsMenu&) = delete;

    ImGuiContext* context() const { return context_; }
    // Makes the host's context current for the host's own ImGui calls.
    void makeCurrent() const;

    // One interface frame without rendering: NewFrame, the page, Render.
    void frame();
    // The text that the page's widgets rendered in the last frame, one line each.
    // Capturing goes through ImGui's log, which also turns list clipping off,
    // so a program that measures or shows the page switches it off.
    const std::string& pageText() const { return pageText_; }
    void captureText(bool capture) { captureText_ = capture; }
    // The parts of a frame, for a program that renders with a backend between them.
    void beginFrame();
    void drawPage();
    void endFrame();

    // The window the page is drawn in; its name is the plugin's page title.
    ImGuiWindow* window() const;
    const std::string& windowName() const { return windowName_; }

private:
    SimHost& host_;
    ImGuiContext* context_;
    float width_, height_;
    std::string windowName_;
    std::string pageText_;
    bool captureText_ = true;
};
