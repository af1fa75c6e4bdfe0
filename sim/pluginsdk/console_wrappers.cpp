// The console: its variables and the console itself.
#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "bakkesmod/wrappers/cvarwrapper.h"
#include "wrapper_share.h"

#include <typeinfo>

using sdk_backend::handOff;
using sdk_backend::share;

namespace {
CVarWrapper wrap(const std::shared_ptr<sdk_backend::CVar>& cvar) {
    return CVarWrapper(handOff(cvar), typeid(sdk_backend::CVar));
}
} // namespace

struct CVarWrapper::Impl {
    std::shared_ptr<sdk_backend::CVar> cvar;
};
CVarWrapper::CVarWrapper(std::uintptr_t mem, std::type_index)
    : pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::CVar>(mem)})) {}
SDK_ROOT_WRAPPER_VALUE_MEMBERS(CVarWrapper)

std::string CVarWrapper::getCVarName() {
    return pimpl->cvar ? pimpl->cvar->name() : std::string();
}
std::string CVarWrapper::getStringValue() {
    return pimpl->cvar ? pimpl->cvar->stringValue() : std::string();
}
int CVarWrapper::getIntValue() {
    return pimpl->cvar ? pimpl->cvar->intValue() : 0;
}
float CVarWrapper::getFloatValue() {
    return pimpl->cvar ? pimpl->cvar->floatValue() : 0.0f;
}
bool CVarWrapper::getBoolValue() {
    return pimpl->cvar ? pimpl->cvar->boolValue() : false;
}

void CVarWrapper::setValue(std::string value) {
    if (pimpl->cvar)
        pimpl->cvar->setValue(value);
}
void CVarWrapper::setValue(int value) {
    if (pimpl->cvar)
        pimpl->cvar->setValue(value);
}
void CVarWrapper::setValue(float value) {
    if (pimpl->cvar)
        pimpl->cvar->setValue(value);
}

void CVarWrapper::bindTo(std::shared_ptr<int> value) {
    if (pimpl->cvar)
        pimpl->cvar->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<bool> value) {
    if (pimpl->cvar)
        pimpl->cvar->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<float> value) {
    if (pimpl->cvar)
        pimpl->cvar->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<std::string> value) {
    if (pimpl->cvar)
        pimpl->cvar->bindTo(std::move(value));
}
void CVarWrapper::addOnValueChanged(std::function<void(std::string, CVarWrapper)> changeListener) {
    if (pimpl->cvar)
        pimpl->cvar->addOnValueChanged(std::move(changeListener));
}

bool CVarWrapper::IsNull() {
    return pimpl->cvar == nullptr;
}
CVarWrapper::operator bool() {
    return !IsNull();
}

struct CVarManagerWrapper::Impl {
    std::shared_ptr<sdk_backend::CVarManager> console;
};
CVarManagerWrapper::CVarManagerWrapper(std::uintptr_t mem, std::type_index)
    : pimpl(std::make_unique<Impl>(
          Impl{sdk_backend::shareRequired<sdk_backend::CVarManager>(mem, "CVarManagerWrapper")})) {}
SDK_ROOT_WRAPPER_VALUE_MEMBERS(CVarManagerWrapper)

CVarWrapper CVarManagerWrapper::registerCvar(std::string cvar, std::string defaultValue,
                                             std::string desc, bool searchAble, bool hasMin,
                                             float min, bool hasMax, float max, bool saveToCfg) {
    return wrap(pimpl->console->registerCvar(cvar, defaultValue, desc, searchAble, hasMin, min,
                                             hasMax, max, saveToCfg));
}
void CVarManagerWrapper::registerNotifier(std::string cvar,
                                          std::function<void(std::vector<std::string>)> notifier,
                                          std::string description, unsigned char permissions) {
    pimpl->console->registerNotifier(cvar, std::move(notifier), description, permissions);
}
CVarWrapper CVarManagerWrapper::getCvar(std::string cvar) {
    return wrap(pimpl->console->getCvar(cvar));
}
void CVarManagerWrapper::executeCommand(std::string command, bool log) {
    pimpl->console->executeCommand(command, log);
}
void CVarManagerWrapper::log(std::string text) {
    pimpl->console->log(text);
}
