// settings.cfg: the recording folder, the recording name and the FFmpeg
// executable, kept as a three-line console script in the host's data folder.
#include "core/kivren.h"
#include "core/plugin_settings.h"
#include "formats/settings_file.h"
#include "system/path_text.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Lines end in CR LF on every system, so that the file is byte for byte the
// one a Windows text-mode stream writes.
constexpr const char* lineEnd = "\r\n";

fs::path settingsFolder(GameWrapper& game) {
    return game.GetDataFolder() / "Kivren";
}

std::string fileSystemFailure(const char* operation, const fs::path& path,
                              const std::string& reason) {
    return fmt::format("Kivren settings: {} failed for \"{}\": {}", operation, displayPath(path),
                       reason);
}

} // namespace

void Kivren::saveSettings() {
    settings_.saveFile(settingsFolder(*gameWrapper),
                       [this](const std::string& line) { consoleLine(line); });
}

void PluginSettings::saveFile(const fs::path& folder, const Say& say) {
    std::lock_guard lock(fileMutex_);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        say(fileSystemFailure("create_directories", folder, errorCodeText(error)));
        return;
    }
    std::string content;
    for (std::size_t i = 0; i < std::size(persistedSettings); ++i) {
        const std::string value = published_.value(static_cast<TextSetting>(i));
        if (savableSettingValue(value)) {
            savedValues_[i] = value;
            refusedValues_[i].clear();
        } else if (value != refusedValues_[i]) {
            // Said once per refused value, not at every later save.
            refusedValues_[i] = value;
            say(fmt::format("Kivren settings: {} holds a double quote or a control "
                            "character, which settings.cfg cannot keep; the file keeps "
                            "\"{}\".",
                            persistedSettings[i], savedValues_[i]));
        }
        content += settingsLine(persistedSettings[i], savedValues_[i]) + lineEnd;
    }
    const fs::path path = folder / "settings.cfg";
    errno = 0;
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) {
        say(fileSystemFailure("open", path, errnoText(errno)));
        return;
    }
    errno = 0;
    file << content;
    file.close();
    if (file.fail())
        say(fileSystemFailure("write", path, errnoText(errno)));
}

void Kivren::loadSettings() {
    const fs::path path = settingsFolder(*gameWrapper) / "settings.cfg";
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error) {
        consoleLine(fileSystemFailure("exists", path, errorCodeText(error)));
        return;
    }
    if (!exists)
        return;

    // Each restored value fires settingsChanged, which rewrites this file
    // while the load is running; reading it whole first loads exactly the
    // lines that the file held when the load began.
    std::string content;
    {
        std::ifstream file(path, std::ios::in | std::ios::binary);
        if (!file.is_open())
            return;
        std::ostringstream buffer;
        buffer << file.rdbuf();
        content = buffer.str();
    }

    // Values are given to their variables directly, never to the console: a
    // ";" or a quote in a line can then never run a command of its own.
    int number = 0;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        const std::string_view line = std::string_view(content).substr(start, end - start);
        start = end + 1;
        ++number;
        const SettingsLine parsed = parseSettingsLine(line);
        if (parsed.kind == SettingsLine::Kind::Blank)
            continue;
        if (parsed.kind == SettingsLine::Kind::Refused) {
            consoleLine(fmt::format("Kivren settings: line {} of settings.cfg was not loaded: "
                                    "only lines of the form kivren_name \"value\" are (put "
                                    "console commands in cfg/kivren/default.cfg): {}",
                                    number, printableSettingsLine(line)));
            continue;
        }
        CVarWrapper cvar = cvarManager->getCvar(parsed.name);
        if (cvar)
            cvar.setValue(parsed.value);
    }
}
