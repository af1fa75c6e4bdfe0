#pragma once
// The host's console: variables, commands ("notifiers") and its log.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/cvarwrapper.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

class BAKKESMOD_PLUGIN_IMPORT CVarManagerWrapper {
public:
    CVarManagerWrapper(std::uintptr_t mem, std::type_index type);
    CVarManagerWrapper(const CVarManagerWrapper& other);
    CVarManagerWrapper& operator=(CVarManagerWrapper rhs);
    ~CVarManagerWrapper();

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
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
