// The nine console commands: the recording request and the ID pass commands,
// each checking its word count before it does anything.
#include "core/host_guard.h"
#include "core/kivren.h"

#include <functional>

namespace {

struct Command {
    const char* name;
    const char* description;
    // The message written when the word count (command word included) is wrong.
    std::size_t words;
    const char* usage;
    std::function<void(Kivren&, const std::vector<std::string>&)> run;
};

} // namespace

void Kivren::registerConsoleCommands() {
    constexpr std::size_t anyCount = 0;
    const Command commands[] = {
        {"kivren_start", "Start recording", anyCount, nullptr,
         [](Kivren& k, const std::vector<std::string>& w) { k.commandStart(w); }},
        {"kivren_stop", "Stop recording", anyCount, nullptr,
         [](Kivren& k, const std::vector<std::string>& w) { k.commandStop(w); }},
        {"kivren_debug_models_prev", "Previous debug model", 1, "takes no parameters",
         [](Kivren& k, const std::vector<std::string>&) { k.stepDebugModel(false); }},
        {"kivren_debug_models_next", "Next debug model", 1, "takes no parameters",
         [](Kivren& k, const std::vector<std::string>&) { k.stepDebugModel(true); }},
        {"kivren_debug_models_add", "Add selected mesh to ID pass", 1, "takes no parameters",
         [](Kivren& k, const std::vector<std::string>&) { k.addSelectedMesh(); }},
        {"kivren_custom_pass_clear", "Clear all meshes from ID pass", 1, "takes no parameters",
         [](Kivren& k, const std::vector<std::string>&) { k.clearIdPass(); }},
        {"kivren_custom_pass_add", "Add mesh hash to ID pass", 2, "requires 1 parameter (hash)",
         [](Kivren& k, const std::vector<std::string>& w) { k.addMeshHash(w[1]); }},
        {"kivren_custom_pass_save", "Save ID pass config", 2, "requires 1 parameter (name)",
         [](Kivren& k, const std::vector<std::string>& w) { k.saveIdPass(w[1]); }},
        {"kivren_custom_pass_color", "Set debug-highlight colour", 2,
         "requires 1 parameter (#rrggbb)",
         [](Kivren& k, const std::vector<std::string>& w) { k.setHighlightFromWord(w[1]); }},
    };
    for (const Command& c : commands) {
        cvarManager->registerNotifier(
            c.name,
            [this, c](std::vector<std::string> words) {
                guardHostCall(*this, c.name, [&] {
                    if (c.words != anyCount && words.size() != c.words) {
                        consoleLine(std::string(c.name) + " " + c.usage);
                        return;
                    }
                    c.run(*this, words);
                });
            },
            c.description, 0);
    }
}

void Kivren::commandStart(const std::vector<std::string>& words) {
    if (!gameWrapper->IsInReplay()) {
        consoleLine("Must be in a replay to record");
        return;
    }
    if (words.size() != 1) {
        consoleLine("kivren_start takes no parameters");
        return;
    }
    if (!effectsEnabled_.load()) {
        consoleLine("Enable ReShade effects first");
        return;
    }
    if (session_.requested())
        return;
    // The next presented frame sees the request and starts the recording.
    session_.request();
}

void Kivren::commandStop(const std::vector<std::string>&) {
    // The next presented frame stops a running recording.
    session_.cancel();
}
