#include "page_driver.h"

#include <algorithm>

namespace {
// The sweep's grid: fine enough to land on every widget of the page.
constexpr float rowStep = 3.0f;
constexpr float columnStep = 5.0f;
constexpr float firstColumn = 14.0f;
} // namespace

void PageDriver::frame() {
    menu_.frame();
}

void PageDriver::moveMouse(ImVec2 position) {
    menu_.makeCurrent();
    ImGui::GetIO().MousePos = position;
}

ImGuiID PageDriver::idOf(const std::string& label, const std::vector<std::string>& scopes,
                         ImGuiWindow* window) {
    if (!window)
        window = menu_.window();
    if (!window)
        return 0;
    ImGuiID seed = window->ID;
    for (const std::string& scope : scopes)
        seed = ImHashStr(scope.c_str(), 0, seed);
    return ImHashStr(label.c_str(), 0, seed);
}

void PageDriver::sweep(ImGuiWindow* window) {
    spots_.clear();
    menu_.makeCurrent();
    ImGuiContext& g = *menu_.context();
    auto note = [&](float x, float y) {
        moveMouse(ImVec2(x, y));
        frame();
        if (g.HoveredId != 0 && !spots_.count(g.HoveredId))
            spots_[g.HoveredId] = ImVec2(x, y);
        return g.HoveredId;
    };
    if (window && window != menu_.window()) {
        // A small window (a popup): every point of a grid over it.
        const ImRect area = window->Rect();
        for (float y = area.Min.y + 1.0f; y < area.Max.y; y += rowStep)
            for (float x = area.Min.x + 1.0f; x < area.Max.x; x += columnStep)
                note(x, y);
    } else {
        // The page: down the left edge first, then along every row that held a widget.
        const ImVec2 size = ImGui::GetIO().DisplaySize;
        std::vector<float> rows;
        ImGuiID previous = 0;
        for (float y = 1.0f; y < size.y; y += rowStep) {
            const ImGuiID id = note(firstColumn, y);
            if (id != 0 && id != previous)
                rows.push_back(y + rowStep);
            previous = id;
        }
        for (float y : rows) {
            for (float x = 1.0f; x < size.x; x += columnStep)
                note(x, y);
        }
    }
    moveMouse(ImVec2(-1.0f, -1.0f));
    frame();
}

std::optional<ImVec2> PageDriver::locate(ImGuiID id, ImGuiWindow* window) {
    if (!spots_.count(id))
        sweep(window);
    auto found = spots_.find(id);
    if (found == spots_.end())
        return std::nullopt;
    return found->second;
}

std::optional<ImVec2> PageDriver::locateOnRow(ImGuiID id, float y) {
    std::optional<ImVec2> found;
    menu_.makeCurrent();
    const float width = ImGui::GetIO().DisplaySize.x;
    for (float x = 1.0f; !found && x < width; x += columnStep) {
        if (hoveredAt(ImVec2(x, y)) == id)
            found = ImVec2(x, y);
    }
    moveMouse(ImVec2(-1.0f, -1.0f));
    frame();
    return found;
}

bool PageDriver::clickAt(ImVec2 position) {
    menu_.makeCurrent();
    ImGuiIO& io = ImGui::GetIO();
    moveMouse(position);
    frame();
    io.MouseDown[0] = true;
    frame();
    io.MouseDown[0] = false;
    frame();
    spots_.clear();
    return true;
}

bool PageDriver::click(ImGuiID id, ImGuiWindow* window) {
    // What the page shows may have changed since the last sweep.
    spots_.clear();
    const auto spot = locate(id, window);
    return spot && clickAt(*spot);
}

bool PageDriver::drag(ImGuiID id, float dx) {
    const auto spot = locate(id);
    if (!spot)
        return false;
    menu_.makeCurrent();
    ImGuiIO& io = ImGui::GetIO();
    moveMouse(*spot);
    frame();
    io.MouseDown[0] = true;
    frame();
    for (int step = 1; step <= 4; ++step) {
        moveMouse(ImVec2(spot->x + dx * static_cast<float>(step) / 4.0f, spot->y));
        frame();
    }
    io.MouseDown[0] = false;
    frame();
    spots_.clear();
    return true;
}

bool PageDriver::type(ImGuiID field, const std::string& text) {
    if (!click(field))
        return false;
    menu_.makeCurrent();
    for (char c : text) {
        ImGui::GetIO().AddInputCharacter(static_cast<unsigned char>(c));
        frame();
    }
    return true;
}

void PageDriver::pressKey(int imguiKey) {
    // A headless context has no key map of its own: the key's own number serves.
    menu_.makeCurrent();
    ImGuiIO& io = ImGui::GetIO();
    io.KeyMap[imguiKey] = imguiKey;
    io.KeysDown[imguiKey] = true;
    frame();
    io.KeysDown[imguiKey] = false;
    frame();
}

ImGuiID PageDriver::hoveredAt(ImVec2 position) {
    moveMouse(position);
    frame();
    return menu_.context()->HoveredId;
}

ImU32 PageDriver::colourAt(ImVec2 p) const {
    const ImDrawList& list = *menu_.window()->DrawList;
    // Which side of the edge a to b the point lies on.
    auto side = [&p](ImVec2 a, ImVec2 b) {
        return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    };
    ImU32 colour = 0;
    // Without a renderer that takes vertex offsets, indices count from the list's start.
    for (int i = 0; i + 2 < list.IdxBuffer.Size; i += 3) {
        const ImVec2 a = list.VtxBuffer[list.IdxBuffer[i]].pos;
        const ImVec2 b = list.VtxBuffer[list.IdxBuffer[i + 1]].pos;
        const ImVec2 c = list.VtxBuffer[list.IdxBuffer[i + 2]].pos;
        // Borders and anti-aliased fringes are a pixel thin: they colour no area.
        if (std::max({a.x, b.x, c.x}) - std::min({a.x, b.x, c.x}) < 2.0f ||
            std::max({a.y, b.y, c.y}) - std::min({a.y, b.y, c.y}) < 2.0f)
            continue;
        const float ab = side(a, b);
        const float bc = side(b, c);
        const float ca = side(c, a);
        if ((ab >= 0 && bc >= 0 && ca >= 0) || (ab <= 0 && bc <= 0 && ca <= 0))
            colour = list.VtxBuffer[list.IdxBuffer[i]].col;
    }
    return colour;
}

ImGuiWindow* PageDriver::popupWindow() {
    // An auto-resizing window takes its size a frame or two after it opens.
    frame();
    frame();
    ImGuiContext& g = *menu_.context();
    return g.OpenPopupStack.empty() ? nullptr : g.OpenPopupStack.back().Window;
}

std::string PageDriver::activeFieldText() const {
    ImGuiContext& g = *menu_.context();
    if (g.ActiveId == 0 || g.InputTextState.ID != g.ActiveId)
        return {};
    return std::string(g.InputTextState.TextA.Data);
}
