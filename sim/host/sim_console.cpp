#include "sim_console.h"

#include "console_words.h"
#include "sim_cvar.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace {
// exec files may exec others; a file that runs itself stops here.
constexpr int maxExecDepth = 16;
} // namespace

SimConsole::SimConsole(std::filesystem::path cfgFolder) : cfgFolder_(std::move(cfgFolder)) {}

SimConsole::~SimConsole() {
    removeAll();
}

std::shared_ptr<sdk_backend::CVar>
SimConsole::registerCvar(const std::string& name, const std::string& defaultValue,
                         const std::string& description, bool searchable, bool hasMin, float min,
                         bool hasMax, float max, bool saveToCfg) {
    std::lock_guard lock(mutex_);
    journal_.push_back("registerCvar " + name);
    if (auto existing = cvars_.find(name); existing != cvars_.end())
        return existing->second;
    auto cvar = std::make_shared<SimCVar>(*this, name, defaultValue, hasMin, min, hasMax, max);
    cvars_[name] = cvar;
    cvarOrder_.push_back(name);
    infos_[name] = {name,   defaultValue, description, searchable, hasMin,
                    hasMax, saveToCfg,    min,         max};
    return cvar;
}

void SimConsole::registerNotifier(const std::string& name,
                                  std::function<void(std::vector<std::string>)> notifier,
                                  const std::string& description, unsigned char permissions) {
    std::lock_guard lock(mutex_);
    journal_.push_back("registerNotifier " + name);
    BuiltNotifier built{reinterpret_cast<std::uintptr_t>(&notifier), {}};
    std::memcpy(built.bytes.data(), static_cast<const void*>(&notifier), built.bytes.size());
    builtNotifiers_[name] = built;
    if (!notifiers_.count(name))
        notifierOrder_.push_back(name);
    notifiers_[name] = {{name, description, permissions}, std::move(notifier)};
}

std::shared_ptr<sdk_backend::CVar> SimConsole::getCvar(const std::string& name) {
    std::lock_guard lock(mutex_);
    auto found = cvars_.find(name);
    return found == cvars_.end() ? nullptr : found->second;
}

void SimConsole::executeCommand(const std::string& command, bool) {
    {
        std::lock_guard lock(mutex_);
        journal_.push_back("executeCommand " + command);
    }
    for (const std::string& part : splitConsoleCommands(command))
        runWords(splitConsoleWords(part), 0);
}

void SimConsole::runWords(const std::vector<std::string>& words, int depth) {
    if (words.empty())
        return;
    const std::string& name = words[0];
    if (name == "exec") {
        if (words.size() < 2)
            log("exec: no file given");
        else
            execFile(words[1], depth + 1);
        return;
    }
    if (name == "closemenu") {
        noteJournal("closemenu " + (words.size() > 1 ? words[1] : std::string()));
        return;
    }
    std::shared_ptr<SimCVar> cvar;
    std::function<void(std::vector<std::string>)> notifier;
    {
        std::lock_guard lock(mutex_);
        if (auto found = cvars_.find(name); found != cvars_.end())
            cvar = found->second;
        else if (auto n = notifiers_.find(name); n != notifiers_.end())
            notifier = n->second.run;
    }
    if (cvar) {
        if (words.size() == 1)
            log(name + " = " + cvar->stringValue());
        else
            cvar->setValue(words[1]);
    } else if (notifier) {
        notifier(words);
    } else {
        log("Unknown command: " + name);
    }
}

void SimConsole::execFile(const std::string& name, int depth) {
    if (depth > maxExecDepth) {
        log("exec: too deeply nested: " + name);
        return;
    }
    std::ifstream file(cfgFolder_ / name, std::ios::binary);
    if (!file.is_open()) {
        log("exec: couldn't find " + name);
        return;
    }
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.rfind("//", 0) == 0)
            continue;
        for (const std::string& part : splitConsoleCommands(line))
            runWords(splitConsoleWords(part), depth);
    }
}

void SimConsole::log(const std::string& text) {
    std::lock_guard lock(mutex_);
    log_.push_back(text);
}

std::vector<SimConsole::VariableInfo> SimConsole::variables() const {
    std::lock_guard lock(mutex_);
    std::vector<VariableInfo> result;
    for (const std::string& name : cvarOrder_)
        result.push_back(infos_.at(name));
    return result;
}

std::vector<SimConsole::NotifierInfo> SimConsole::notifiers() const {
    std::lock_guard lock(mutex_);
    std::vector<NotifierInfo> result;
    for (const std::string& name : notifierOrder_)
        result.push_back(notifiers_.at(name).info);
    return result;
}

std::optional<SimConsole::BuiltNotifier>
SimConsole::notifierAsBuilt(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = builtNotifiers_.find(name);
    if (found == builtNotifiers_.end())
        return std::nullopt;
    return found->second;
}

bool SimConsole::hasVariable(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return cvars_.count(name) != 0;
}

std::string SimConsole::value(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = cvars_.find(name);
    return found == cvars_.end() ? std::string() : found->second->stringValue();
}

int SimConsole::setCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = cvars_.find(name);
    return found == cvars_.end() ? 0 : found->second->setCount();
}

std::vector<std::string> SimConsole::logLines() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimConsole::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::vector<std::string> SimConsole::journal() const {
    std::lock_guard lock(mutex_);
    return journal_;
}

void SimConsole::clearJournal() {
    std::lock_guard lock(mutex_);
    journal_.clear();
}

void SimConsole::noteJournal(const std::string& entry) {
    std::lock_guard lock(mutex_);
    journal_.push_back(entry);
}

void SimConsole::removeAll() {
    std::map<std::string, std::shared_ptr<SimCVar>> cvars;
    std::map<std::string, Notifier> notifiers;
    {
        std::lock_guard lock(mutex_);
        cvars.swap(cvars_);
        notifiers.swap(notifiers_);
        cvarOrder_.clear();
        notifierOrder_.clear();
        infos_.clear();
    }
    // The plugin's handlers are destroyed here, while its code is still mapped.
    for (auto& [name, cvar] : cvars)
        cvar->detach();
}
