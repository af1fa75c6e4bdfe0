// Game events down to the replay being shown, and the array of its cars.
#include "bakkesmod/wrappers/ReplayServerWrapper.h"
#include "bakkesmod/wrappers/arraywrapper.h"
#include "wrapper_share.h"

using sdk_backend::handOff;
using sdk_backend::share;

struct GameEventWrapper::Impl {
    std::shared_ptr<sdk_backend::ReplayServer> event;
};
GameEventWrapper::GameEventWrapper(std::uintptr_t mem)
    : ActorWrapper(mem),
      pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::ReplayServer>(mem)})) {}
SDK_WRAPPER_VALUE_MEMBERS(GameEventWrapper, ActorWrapper)

ArrayWrapper<CarWrapper> GameEventWrapper::GetCars() {
    return ArrayWrapper<CarWrapper>(pimpl->event ? handOff(pimpl->event->cars()) : 0);
}

struct TeamGameEventWrapper::Impl {};
TeamGameEventWrapper::TeamGameEventWrapper(std::uintptr_t mem)
    : GameEventWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(TeamGameEventWrapper, GameEventWrapper)

struct ServerWrapper::Impl {
    std::shared_ptr<sdk_backend::ReplayServer> server;
};
ServerWrapper::ServerWrapper(std::uintptr_t mem)
    : TeamGameEventWrapper(mem),
      pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::ReplayServer>(mem)})) {}
SDK_WRAPPER_VALUE_MEMBERS(ServerWrapper, TeamGameEventWrapper)

BallWrapper ServerWrapper::GetBall() {
    return BallWrapper(pimpl->server ? handOff(pimpl->server->ball()) : 0);
}

// The host passes the replay's director and replay objects too; the stand-in
// host's replay is one object, so they are not used.
struct ReplayServerWrapper::Impl {};
ReplayServerWrapper::ReplayServerWrapper(std::uintptr_t mem, std::uintptr_t, std::uintptr_t)
    : ServerWrapper(mem), pimpl(std::make_unique<Impl>()) {}
SDK_WRAPPER_VALUE_MEMBERS(ReplayServerWrapper, ServerWrapper)

template <typename T> struct ArrayWrapper<T>::Impl { std::shared_ptr<sdk_backend::Array> array; };
template <typename T>
ArrayWrapper<T>::ArrayWrapper(std::uintptr_t mem)
    : pimpl(std::make_unique<Impl>(Impl{share<sdk_backend::Array>(mem)})) {}
template <typename T>
ArrayWrapper<T>::ArrayWrapper(const ArrayWrapper& other)
    : pimpl(std::make_unique<Impl>(*other.pimpl)) {}
template <typename T> ArrayWrapper<T>& ArrayWrapper<T>::operator=(ArrayWrapper rhs) {
    pimpl.swap(rhs.pimpl);
    return *this;
}
template <typename T> ArrayWrapper<T>::~ArrayWrapper() = default;

template <typename T> int ArrayWrapper<T>::Count() {
    return pimpl->array ? pimpl->array->count() : 0;
}
template <typename T> T ArrayWrapper<T>::Get(int index) {
    return T(pimpl->array ? handOff(pimpl->array->get(index)) : 0);
}
template <typename T> bool ArrayWrapper<T>::IsNull() {
    return pimpl->array == nullptr;
}

template class ArrayWrapper<CarWrapper>;
