#pragma once
// The stand-in host's console: variables with defaults, ranges and bound
// values, notifiers, "exec" of .cfg files from the host's cfg folder,
// "closemenu", and a captured log. A journal records every registration and
// executed command in order, as tests need to see the plugin's start-up.

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "sdk_backend.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class SimCVar;

class SimConsole : public sdk_backend::CVarManager,
                   public std::enable_shared_from_this<SimConsole> {
public:
    explicit SimConsole(std::filesystem::path cfgFolder);
    ~SimConsole() override;

    // sdk_backend::CVarManager
    std::shared_ptr<sdk_backend::CVar> registerCvar(const std::string& name,
                                                    const std::string& defaultValue,
                                                    const std::string& description, bool searchable,
                                                    bool hasMin, float min, bool hasMax, float max,
                                                    bool saveToCfg) override;
    void registerNotifier(const std::string& name,
                          std::function<void(std::vector<std::string>)> notifier,
                          const std::string& description, unsigned char permissions) override;
    std::shared_ptr<sdk_backend::CVar> getCvar(const std::string& name) override;
    void executeCommand(const std::string& command, bool log) override;
    void log(const std::string& text) override;

    // What a person types into the console.
    void run(const std::string& line) { executeCommand(line, true); }

    struct VariableInfo {
        std::string name, defaultValue, description;
        bool searchable, hasMin, hasMax, saveToCfg;
        float min, max;
    };
    struct NotifierInfo {
        std::string name, description;
        unsigned char permissions;
    };
    std::vector<VariableInfo> variables() const;
    std::vector<NotifierInfo> notifiers() const;
    // A command's handler exactly as the plugin built it (in its own frame,
    // before the host moved it): tests read the plugin's layout from it.
    struct BuiltNotifier {
        std::uintptr_t address;
        std::array<unsigned char, sizeof(std::function<void(std::vector<std::string>)>)> bytes;
    };
    std::optional<BuiltNotifier> notifierAsBuilt(const std::string& name) const;
    bool hasVariable(const std::string& name) const;
    std::string value(const std::string& name) const;
    // How many times the variable was set since it was registered.
    int setCount(const std::string& name) const;

    std::vector<std::string> logLines() const;
    void clearLog();
    // "registerCvar <name>", "addOnValueChanged <name>", "registerNotifier <name>",
    // "executeCommand <line>", "closemenu <menu>"
    std::vector<std::string> journal() const;
    void clearJournal();

    // The host forgets everything a plugin registered when it unloads it.
    void removeAll();

    // Called from SimCVar.
    void noteJournal(const std::string& entry);

private:
    void runWords(const std::vector<std::string>& words, int depth);
    void execFile(const std::string& name, int depth);

    std::filesystem::path cfgFolder_;
    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::shared_ptr<SimCVar>> cvars_;
    std::map<std::string, VariableInfo> infos_;
    std::vector<std::string> cvarOrder_;
    struct Notifier {
        NotifierInfo info;
        std::function<void(std::vector<std::string>)> run;
    };
    std::map<std::string, Notifier> notifiers_;
    std::map<std::string, BuiltNotifier> builtNotifiers_;
    std::vector<std::string> notifierOrder_;
    std::vector<std::string> log_;
    std::vector<std::string> journal_;
};
