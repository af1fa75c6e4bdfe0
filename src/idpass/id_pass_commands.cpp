// What the ID pass commands do once their word counts have been checked:
// stepping through the remembered meshes, adding meshes, saving the pass as a
// console script and setting the highlight colour.
#include "core/kivren.h"

#include "formats/command_words.h"
#include "idpass/clipboard.h"
#include "system/path_text.h"
#include "system/system_error_text.h"

#include <fmt/format.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The file is CR LF on every system: what a Windows text-mode stream writes,
// and what the host's exec reads anywhere.
void appendWithCrLf(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
}

} // namespace

void Kivren::stepDebugModel(bool forward) {
    const char* command = forward ? "kivren_debug_models_next" : "kivren_debug_models_prev";
    const std::optional<MeshHash> selected = debugModels_.step(forward);
    // The console and the clipboard are reached after the lock is released, so
    // that the render thread never waits for them.
    if (!selected) {
        consoleLine(fmt::format("{}: no mesh has been seen yet (switch on kivren_debug_models "
                                "while a replay is showing)",
                                command));
        return;
    }
    consoleLine(fmt::format("[debug_models] {:x}", *selected));
    const ClipboardFailure copy = copyToClipboard(fmt::format("{:x}", *selected));
    if (copy.call)
        consoleLine(fmt::format("{}: the hash is not on the clipboard: {} failed ({})", command,
                                copy.call, systemErrorText(copy.systemError)));
}

void Kivren::addSelectedMesh() {
    // Whatever the selection holds, drawn or not: before any step it is the
    // all-zero key.
    idPass_.addMesh(hashMeshKey(debugModels_.selected()));
}

void Kivren::addMeshHash(const std::string& word) {
    std::string reason;
    const std::optional<MeshHash> hash = readMeshHash(word, reason);
    if (!hash) {
        consoleLine(fmt::format("kivren_custom_pass_add: \"{}\" {}", word, reason));
        return;
    }
    idPass_.addMesh(*hash);
}

void Kivren::saveIdPass(const std::string& name) {
    if (!isPlainFileName(name)) {
        consoleLine(fmt::format("kivren_custom_pass_save: \"{}\" is not a plain file name (no "
                                "folders, drive, \".\" or \"..\", or control characters)",
                                name));
        return;
    }
    auto failure = [this](const char* operation, const fs::path& path, const std::string& why) {
        consoleLine(fmt::format("kivren_custom_pass_save: {} failed for \"{}\": {}", operation,
                                displayPath(path), why));
    };

    // The lines are made from a copy of the list, so that the render thread
    // never waits for the disk.
    std::string content;
    appendWithCrLf(content, "kivren_custom_pass_clear\n");
    for (const MeshHash hash : idPass_.listedMeshes())
        appendWithCrLf(content, fmt::format("kivren_custom_pass_add {:x}\n", hash));

    // One level only: the host's own "cfg" folder must exist already.
    const fs::path folder = gameWrapper->GetBakkesModPath() / "cfg" / "kivren";
    std::error_code error;
    fs::create_directory(folder, error);
    if (error) {
        failure("create_directory", folder, errorCodeText(error));
        return;
    }
    const fs::path path = folder / (name + ".cfg");
    errno = 0;
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) {
        failure("open", path, errnoText(errno));
        return;
    }
    errno = 0;
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    if (file.fail())
        failure("write", path, errnoText(errno));
}

void Kivren::setHighlightFromWord(const std::string& word) {
    std::string reason;
    const std::optional<IdColour> colour = readColourWord(word, reason);
    if (!colour) {
        consoleLine(fmt::format("kivren_custom_pass_color: \"{}\" {}", word, reason));
        return;
    }
    idPass_.setHighlightColour(*colour);
}

void Kivren::clearIdPass() {
    idPass_.clear();
}
