#pragma once
// Drives the settings page as a person would: the mouse moves, buttons are
// pressed and released, characters are typed, one interface frame at a time.
// Widgets are found by the ID of their label: the driver sweeps the mouse
// over the page and notes which ID Dear ImGui reports as hovered where.

#include "settings_menu.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class PageDriver {
public:
    explicit PageDriver(SettingsMenu& menu) : menu_(menu) {}

    void frame();
    // The ID of a widget label in the page window, or in another window by name;
    // scopes lists the labels of enclosing widgets (for example a colour editor).
    ImGuiID idOf(const std::string& label, const std::vector<std::string>& scopes = {},
                 ImGuiWindow* window = nullptr);

    // A point on the widget; empty when it is not on the page or is disabled
    // (Dear ImGui 1.75 never reports a disabled widget as hovered).
    // Popups and other windows are searched within their own rectangle.
    std::optional<ImVec2> locate(ImGuiID id, ImGuiWindow* window = nullptr);
    // A point on the widget along the row at y, for a widget that shares the
    // row of another: a row whose first widget is disabled shows nothing at
    // the left edge, where locate looks for rows.
    std::optional<ImVec2> locateOnRow(ImGuiID id, float y);

    // Press and release the left button over the widget. False when it cannot be found.
    bool click(ImGuiID id, ImGuiWindow* window = nullptr);
    bool clickAt(ImVec2 position);
    // Drag the widget sideways by dx pixels.
    bool drag(ImGuiID id, float dx);
    // Click into a text field, then type one character per frame.
    bool type(ImGuiID field, const std::string& text);
    // Press and release a key (ImGuiKey_Backspace, ...) in the active field.
    void pressKey(int imguiKey);

    // The open popup, once it has settled its size.
    ImGuiWindow* popupWindow();
    // The widget under the mouse at a point, or 0.
    ImGuiID hoveredAt(ImVec2 position);
    // The colour of the last triangle drawn over a point of the page in the
    // last frame (what a person sees there), or 0 where nothing is drawn.
    ImU32 colourAt(ImVec2 position) const;
    // The text of the active text field (what ImGui edits, not the bound value).
    std::string activeFieldText() const;

private:
    void sweep(ImGuiWindow* window);
    void moveMouse(ImVec2 position);

    SettingsMenu& menu_;
    std::map<ImGuiID, ImVec2> spots_;
};
