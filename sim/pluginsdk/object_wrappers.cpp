// Game objects: actors, the ball, cars and the camera. Each level of the
// hierarchy keeps its own Impl, as the host's classes do, so that sizes and
// constructor chains are the host's; the levels that add nothing the plugin
// calls keep an empty one.
#include "bakkesmod/wrappers/Engine/ActorWrapper.h"
#include "bakkesmod/wrappers/GameObject/BallWrapper.h"
#include "bakkesmod/wrappers/GameObject/CameraWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "wrapper_share.h"

using sdk_backend::share;

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

struct ActorWrapper::Impl {
    std::shared_ptr<sdk_backend::Actor> actor;
};
ActorWrapper::ActorWrapper(std::uintptr_t mem)
    : ObjectWrapper(mem), pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::Actor>(mem)})) {}
SDK_WRAPPER_VALUE_MEMBERS(ActorWrapper, ObjectWrapper)

Vector ActorWrapper::GetLocation() {
    return pimpl->actor ? pimpl->actor->location() : Vector{};
}
Rotator ActorWrapper::GetRotation() {
    return pimpl->actor ? pimpl->actor->rotation() : Rotator{};
}
bool ActorWrapper::IsNull() {
    return memory_address == 0;
}

struct RBActorWrapper::Impl {};
RBActorWrapper::RBActorWrapper(std::uintptr_t mem)
    : ActorWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(RBActorWrapper, ActorWrapper)

struct BallWrapper::Impl {};
BallWrapper::BallWrapper(std::uintptr_t mem)
    : RBActorWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(BallWrapper, RBActorWrapper)

struct VehicleWrapper::Impl {};
VehicleWrapper::VehicleWrapper(std::uintptr_t mem)
    : RBActorWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(VehicleWrapper, RBActorWrapper)

struct CarWrapper::Impl {};
CarWrapper::CarWrapper(std::uintptr_t mem) : VehicleWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(CarWrapper, VehicleWrapper)

struct BaseCameraWrapper::Impl {};
BaseCameraWrapper::BaseCameraWrapper(std::uintptr_t mem)
    : ActorWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(BaseCameraWrapper, ActorWrapper)

struct CameraXWrapper::Impl {};
CameraXWrapper::CameraXWrapper(std::uintptr_t mem)
    : BaseCameraWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(CameraXWrapper, BaseCameraWrapper)

struct CameraWrapper::Impl {
    std::shared_ptr<sdk_backend::Camera> camera;
};
CameraWrapper::CameraWrapper(std::uintptr_t mem)
    : CameraXWrapper(mem), pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::Camera>(mem)})) {}
SDK_WRAPPER_VALUE_MEMBERS(CameraWrapper, CameraXWrapper)

Vector CameraWrapper::GetLocation() {
    return pimpl->camera ? pimpl->camera->location() : Vector{};
}
Rotator CameraWrapper::GetRotation() {
    return pimpl->camera ? pimpl->camera->rotation() : Rotator{};
}
float CameraWrapper::GetFOV() {
    return pimpl->camera ? pimpl->camera->fov() : 0.0f;
}
