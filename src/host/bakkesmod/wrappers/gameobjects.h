#pragma once
// The game objects that the plugin samples once per frame: value handles that
// may be null, copied and destroyed freely.

#include "sdk_backend.h"
#include "wrapperstructs.h"

#include <memory>

class ActorWrapper {
public:
    ActorWrapper() = default;
    explicit ActorWrapper(std::shared_ptr<sdk_backend::Actor> impl) : impl_(std::move(impl)) {}

    Vector GetLocation();
    Rotator GetRotation();
    bool IsNull() const { return impl_ == nullptr; }
    explicit operator bool() const { return !IsNull(); }

protected:
    std::shared_ptr<sdk_backend::Actor> impl_;
};

class CameraWrapper : public ActorWrapper {
public:
    CameraWrapper() = default;
    explicit CameraWrapper(std::shared_ptr<sdk_backend::Camera> impl)
        : ActorWrapper(impl), camera_(std::move(impl)) {}

    float GetFOV();

private:
    std::shared_ptr<sdk_backend::Camera> camera_;
};

class BallWrapper : public ActorWrapper {
public:
    using ActorWrapper::ActorWrapper;
};

class CarWrapper : public ActorWrapper {
public:
    using ActorWrapper::ActorWrapper;
};

template <typename T> class ArrayWrapper {
public:
    ArrayWrapper() = default;
    explicit ArrayWrapper(std::shared_ptr<sdk_backend::Array> impl) : impl_(std::move(impl)) {}

    int Count() { return impl_ ? impl_->count() : 0; }
    T Get(int index) { return impl_ ? T(impl_->get(index)) : T(); }
    bool IsNull() const { return impl_ == nullptr; }

private:
    std::shared_ptr<sdk_backend::Array> impl_;
};

class GameEventWrapper : public ActorWrapper {
public:
    GameEventWrapper() = default;
    explicit GameEventWrapper(std::shared_ptr<sdk_backend::ReplayServer> impl)
        : ActorWrapper(impl), event_(std::move(impl)) {}

    ArrayWrapper<CarWrapper> GetCars();

protected:
    std::shared_ptr<sdk_backend::ReplayServer> event_;
};

class ServerWrapper : public GameEventWrapper {
public:
    using GameEventWrapper::GameEventWrapper;
    BallWrapper GetBall();
};

class ReplayServerWrapper : public ServerWrapper {
public:
    using ServerWrapper::ServerWrapper;
};

// The drawable callback's canvas; the plugin draws nothing on it.
class CanvasWrapper {
public:
    CanvasWrapper() = default;
};
