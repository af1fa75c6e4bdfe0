// The plugin's page in the host's settings menu. It is a thin front end: every
// setting goes through the plugin's own console variables and every action
// runs one of its console commands, so the page and the console always agree.
// Only the ID pass colours and the highlight colour call the plugin directly.
#include "core/host_guard.h"
#include "core/kivren.h"

#include <fmt/format.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cstring>

namespace {

// Fills a text field's buffer from the setting's current value, cut to what fits.
template <std::size_t Size> void fillBuffer(char (&buffer)[Size], const std::string& value) {
    const std::size_t length = std::min(value.size(), Size - 1);
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
}

// "Disabled" as the page draws it: half the current style alpha, no clicks.
class DisabledUnless {
public:
    explicit DisabledUnless(bool enabled) : disabled_(!enabled) {
        if (disabled_) {
            ImGui::PushItemFlag(ImGuiItemFlags_Disabled, true);
            ImGui::PushStyleVar(ImGuiStyleVar_Alpha, ImGui::GetStyle().Alpha * 0.5f);
        }
    }
    ~DisabledUnless() {
        if (disabled_) {
            ImGui::PopStyleVar();
            ImGui::PopItemFlag();
        }
    }
    DisabledUnless(const DisabledUnless&) = delete;
    DisabledUnless& operator=(const DisabledUnless&) = delete;

private:
    bool disabled_;
};

void doubleSpacing() {
    ImGui::Spacing();
    ImGui::Spacing();
}

} // namespace

std::string Kivren::settingsPageTitle() {
    return "Kivren 2.0";
}

void Kivren::adoptUiContext(std::uintptr_t ctx) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
}

void Kivren::drawSettingsPage() {
    guardHostCall(*this, "drawSettingsPage", [this] { drawSettingsWidgets(); });
}

void Kivren::setSettingValue(const char* variable, const std::string& value) {
    cvarManager->getCvar(variable).setValue(value);
}

void Kivren::setSettingValue(const char* variable, int value) {
    cvarManager->getCvar(variable).setValue(value);
}

// The checkbox works on a copy: the bound value changes only through the variable.
void Kivren::settingCheckbox(const char* label, const char* variable, bool current) {
    bool shown = current;
    if (ImGui::Checkbox(label, &shown))
        setSettingValue(variable, shown ? 1 : 0);
}

void Kivren::drawSettingsWidgets() {
    const bool requested = session_.requested();
    const bool effects = effectsEnabled_.load();

    char pathBuffer[512];
    fillBuffer(pathBuffer, *settings_.shownText(TextSetting::Path));
    if (ImGui::InputText("Recording directory", pathBuffer, sizeof(pathBuffer)))
        setSettingValue("kivren_path", std::string(pathBuffer));

    char nameBuffer[256];
    fillBuffer(nameBuffer, *settings_.shownText(TextSetting::Name));
    if (ImGui::InputText("File name", nameBuffer, sizeof(nameBuffer)))
        setSettingValue("kivren_name", std::string(nameBuffer));

    doubleSpacing();
    settingCheckbox("Depth map", "kivren_depth", settings_.isOn(Switch::Depth));
    settingCheckbox("Normal map", "kivren_normal", settings_.isOn(Switch::Normal));
    settingCheckbox("ID pass (custom pass)", "kivren_custom_pass",
                    settings_.isOn(Switch::CustomPass));
    settingCheckbox("Clean ID pass edges (ProRes 4444)", "kivren_custom_pass_444",
                    settings_.isOn(Switch::CustomPass444));
    settingCheckbox("Record camera, cars and ball data", "kivren_frame_data",
                    settings_.isOn(Switch::FrameData));

    doubleSpacing();
    // The slider writes the bound value itself, then tells the variable.
    if (ImGui::SliderInt("Framerate", settings_.fpsValue(), 1, 60, "%d"))
        setSettingValue("kivren_fps", static_cast<int>(settings_.fps()));

    doubleSpacing();
    {
        DisabledUnless enabled(!requested && effects);
        if (ImGui::Button("Start recording")) {
            // The menu closes first, so the recording shows the game, not the menu.
            cvarManager->executeCommand("closemenu settings", true);
            cvarManager->executeCommand("kivren_start", true);
        }
    }
    ImGui::SameLine();
    {
        DisabledUnless enabled(requested && effects);
        if (ImGui::Button("Stop recording"))
            cvarManager->executeCommand("kivren_stop", true);
    }

    doubleSpacing();
    if (ImGui::CollapsingHeader("ID Pass  (Cryptomatte-style)"))
        drawIdPassSection();

    doubleSpacing();
    if (ImGui::CollapsingHeader("FFmpeg encoder path")) {
        ImGui::Spacing();
        ImGui::TextDisabled(
            "No AVI intermediate \xE2\x80\x94 set the path to your ffmpeg.exe below.");
        ImGui::Spacing();
        char ffmpegBuffer[512];
        fillBuffer(ffmpegBuffer, *settings_.shownText(TextSetting::Ffmpeg));
        if (ImGui::InputText("ffmpeg.exe path", ffmpegBuffer, sizeof(ffmpegBuffer)))
            setSettingValue("kivren_ffmpeg_path", std::string(ffmpegBuffer));
    }
}

void Kivren::drawIdPassSection() {
    ImGui::Spacing();
    ImGui::TextDisabled("Each mesh you add automatically gets a unique flat colour.");
    ImGui::TextDisabled("In After Effects use Effect > Keying > ID Matte or Color Range");
    ImGui::TextDisabled("to select individual objects by colour.");
    ImGui::Spacing();

    // A copy taken under the ID pass lock: the lock is never held while drawing,
    // since the draw path needs it for every listed mesh.
    const std::vector<IdPassEntry> entries = idPass_.entries();
    if (entries.empty()) {
        ImGui::TextDisabled("No meshes added yet.");
    } else {
        // Only the rows in view are submitted: a long ID pass costs what fits
        // on the screen, not what is listed.
        ImGuiListClipper clipper;
        clipper.Begin(static_cast<int>(entries.size()));
        while (clipper.Step()) {
            for (int index = clipper.DisplayStart; index < clipper.DisplayEnd; ++index) {
                const IdPassEntry& entry = entries[static_cast<std::size_t>(index)];
                float colour[3] = {entry.r, entry.g, entry.b};
                const std::string label = fmt::format("##meshcol_{}", entry.hash);
                if (ImGui::ColorEdit3(label.c_str(), colour,
                                      ImGuiColorEditFlags_NoAlpha | ImGuiColorEditFlags_NoInputs))
                    idPass_.setColour(entry.hash, {colour[0], colour[1], colour[2]});
                ImGui::SameLine();
                ImGui::Text("Mesh %d   (id: %zx)", index + 1, static_cast<std::size_t>(entry.hash));
            }
        }
    }

    ImGui::Spacing();
    // The console may set the colour from another thread; the editor works on
    // a copy read under the lock that guards every write of it.
    IdColour highlight = idPass_.highlightColour();
    if (ImGui::ColorEdit3("Debug highlight", &highlight.r, ImGuiColorEditFlags_NoAlpha))
        idPass_.setHighlightColour(highlight);
    ImGui::SameLine();
    ImGui::TextDisabled("(browse colour only)");

    ImGui::Spacing();
    settingCheckbox("Preview ID pass in-game", "kivren_custom_pass_preview",
                    settings_.isOn(Switch::CustomPassPreview));

    ImGui::Spacing();
    settingCheckbox("Debug models", "kivren_debug_models", settings_.isOn(Switch::DebugModels));
    ImGui::SameLine();
    if (ImGui::Button("Prev"))
        cvarManager->executeCommand("kivren_debug_models_prev", true);
    ImGui::SameLine();
    if (ImGui::Button("Add to ID pass"))
        cvarManager->executeCommand("kivren_debug_models_add", true);
    ImGui::SameLine();
    if (ImGui::Button("Next"))
        cvarManager->executeCommand("kivren_debug_models_next", true);
    ImGui::SameLine();
    if (ImGui::Button("Clear all"))
        ImGui::OpenPopup("confirm_clear");

    if (ImGui::BeginPopupModal("confirm_clear", nullptr,
                               ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings)) {
        ImGui::Text("Remove all meshes from the ID pass?");
        ImGui::Spacing();
        if (ImGui::Button("Yes, clear")) {
            cvarManager->executeCommand("kivren_custom_pass_clear", true);
            ImGui::CloseCurrentPopup();
        }
        ImGui::SameLine();
        if (ImGui::Button("Cancel"))
            ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
    }
}
