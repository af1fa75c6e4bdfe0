// settings.cfg: the recording folder, the recording name and the FFmpeg
// executable, kept as a three-line console script in the host's data folder.
#include "core/kivren.h"

#include <fmt/format.h>

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

std::string displayPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string fileSystemFailure(const char* operation, const fs::path& path,
                              const std::error_code& error) {
    return fmt::format("Kivren settings: {} failed for \"{}\": {}", operation, displayPath(path),
                       error.message());
}

} // namespace

void Kivren::saveSettings() {
    const fs::path folder = settingsFolder(*gameWrapper);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        consoleLine(fileSystemFailure("create_directories", folder, error));
        return;
    }
    std::ofstream file(folder / "settings.cfg", std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open())
        return;
    // Values are written exactly as they stand, without escaping.
    file << "kivren_path \"" << *recordPath << '"' << lineEnd;
    file << "kivren_name \"" << *recordName << '"' << lineEnd;
    file << "kivren_ffmpeg_path \"" << *ffmpegPath << '"' << lineEnd;
}

void Kivren::loadSettings() {
    const fs::path path = settingsFolder(*gameWrapper) / "settings.cfg";
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (error) {
        consoleLine(fileSystemFailure("exists", path, error));
        return;
    }
    if (!exists)
        return;

    // Each restoring line fires settingsChanged, which rewrites this file while
    // the load is running; reading it whole first runs exactly the lines that
    // the file held when the load began.
    std::string content;
    {
        std::ifstream file(path, std::ios::in | std::ios::binary);
        if (!file.is_open())
            return;
        std::ostringstream buffer;
        buffer << file.rdbuf();
        content = buffer.str();
    }

    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        cvarManager->executeCommand(line, true);
    }
}
