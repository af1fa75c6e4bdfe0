// The SDK's wrapper calls: each forwards to the host's implementation.
#include "wrappers/GameWrapper.h"
#include "wrappers/cvarmanagerwrapper.h"

std::string CVarWrapper::getCVarName() {
    return impl_ ? impl_->name() : std::string();
}
std::string CVarWrapper::getStringValue() {
    return impl_ ? impl_->stringValue() : std::string();
}
int CVarWrapper::getIntValue() {
    return impl_ ? impl_->intValue() : 0;
}
float CVarWrapper::getFloatValue() {
    return impl_ ? impl_->floatValue() : 0.0f;
}
bool CVarWrapper::getBoolValue() {
    return impl_ ? impl_->boolValue() : false;
}

void CVarWrapper::setValue(std::string value) {
    if (impl_)
        impl_->setValue(value);
}
void CVarWrapper::setValue(int value) {
    if (impl_)
        impl_->setValue(value);
}
void CVarWrapper::setValue(float value) {
    if (impl_)
        impl_->setValue(value);
}

void CVarWrapper::bindTo(std::shared_ptr<int> value) {
    if (impl_)
        impl_->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<bool> value) {
    if (impl_)
        impl_->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<float> value) {
    if (impl_)
        impl_->bindTo(std::move(value));
}
void CVarWrapper::bindTo(std::shared_ptr<std::string> value) {
    if (impl_)
        impl_->bindTo(std::move(value));
}
void CVarWrapper::addOnValueChanged(std::function<void(std::string, CVarWrapper)> changeListener) {
    if (impl_)
        impl_->addOnValueChanged(std::move(changeListener));
}

CVarWrapper CVarManagerWrapper::registerCvar(std::string cvar, std::string defaultValue,
                                             std::string desc, bool searchAble, bool hasMin,
                                             float min, bool hasMax, float max, bool saveToCfg) {
    return CVarWrapper(impl_->registerCvar(cvar, defaultValue, desc, searchAble, hasMin, min,
                                           hasMax, max, saveToCfg));
}
void CVarManagerWrapper::registerNotifier(std::string cvar,
                                          std::function<void(std::vector<std::string>)> notifier,
                                          std::string description, unsigned char permissions) {
    impl_->registerNotifier(cvar, std::move(notifier), description, permissions);
}
CVarWrapper CVarManagerWrapper::getCvar(std::string cvar) {
    return CVarWrapper(impl_->getCvar(cvar));
}
void CVarManagerWrapper::executeCommand(std::string command, bool log) {
    impl_->executeCommand(command, log);
}
void CVarManagerWrapper::log(std::string text) {
    impl_->log(text);
}

Vector ActorWrapper::GetLocation() {
    return impl_ ? impl_->location() : Vector{};
}
Rotator ActorWrapper::GetRotation() {
    return impl_ ? impl_->rotation() : Rotator{};
}
float CameraWrapper::GetFOV() {
    return camera_ ? camera_->fov() : 0.0f;
}
ArrayWrapper<CarWrapper> GameEventWrapper::GetCars() {
    return event_ ? ArrayWrapper<CarWrapper>(event_->cars()) : ArrayWrapper<CarWrapper>();
}
BallWrapper ServerWrapper::GetBall() {
    return event_ ? BallWrapper(event_->ball()) : BallWrapper();
}

bool GameWrapper::IsInReplay() {
    return impl_->isInReplay();
}
CameraWrapper GameWrapper::GetCamera() {
    return CameraWrapper(impl_->camera());
}
ReplayServerWrapper GameWrapper::GetGameEventAsReplay() {
    return ReplayServerWrapper(impl_->replay());
}
void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper)> callback) {
    impl_->registerDrawable(std::move(callback));
}
void GameWrapper::UnregisterDrawables() {
    impl_->unregisterDrawables();
}
std::filesystem::path GameWrapper::GetDataFolder() {
    return impl_->dataFolder();
}
std::filesystem::path GameWrapper::GetBakkesModPath() {
    return impl_->bakkesModPath();
}
