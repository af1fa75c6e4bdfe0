#pragma once
// The host's console: variables, commands ("notifiers") and its log.

#include "cvarwrapper.h"
#include "sdk_backend.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CVarManagerWrapper {
public:
    explicit CVarManagerWrapper(std::shared_ptr<sdk_backend::CVarManager> impl)
        : impl_(std::move(impl)) {}

    CVarWrapper registerCvar(std::string cvar, std::string defaultValue, std::string desc = "",
                             bool searchAble = true, bool hasMin = false, float min = 0,
                             bool hasMax = false, float max = 0, bool saveToCfg = true);
    // The notifier receives the command line split into words, the command first.
    void registerNotifier(std::string cvar, std::function<void(std::vector<std::string>)> notifier,
                          std::string description, unsigned char permissions);
    CVarWrapper getCvar(std::string cvar);
    void executeCommand(std::string command, bool log = true);
    void log(std::string text);

private:
    std::shared_ptr<sdk_backend::CVarManager> impl_;
};
