// The game, and the canvas of its drawable callbacks.
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "wrapper_share.h"

using sdk_backend::handOff;

// The plugin draws nothing, so the canvas carries nothing.
struct CanvasWrapper::Impl {};
CanvasWrapper::CanvasWrapper(std::uintptr_t) : pimpl(std::make_unique<Impl>()) {}
SDK_ROOT_WRAPPER_VALUE_MEMBERS(CanvasWrapper)

struct GameWrapper::Impl {
    std::shared_ptr<sdk_backend::Game> game;
};
GameWrapper::GameWrapper(std::uintptr_t mem, long, std::type_index)
    : pimpl(std::make_unique<Impl>(
          Impl{sdk_backend::shareRequired<sdk_backend::Game>(mem, "GameWrapper")})) {}
SDK_ROOT_WRAPPER_VALUE_MEMBERS(GameWrapper)

bool GameWrapper::IsInReplay() {
    return pimpl->game->isInReplay();
}
CameraWrapper GameWrapper::GetCamera() {
    return CameraWrapper(handOff(pimpl->game->camera()));
}
ReplayServerWrapper GameWrapper::GetGameEventAsReplay() {
    return ReplayServerWrapper(handOff(pimpl->game->replay()), 0, 0);
}
void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper)> callback) {
    pimpl->game->registerDrawable(std::move(callback));
}
void GameWrapper::UnregisterDrawables() {
    pimpl->game->unregisterDrawables();
}
std::filesystem::path GameWrapper::GetDataFolder() {
    return pimpl->game->dataFolder();
}
std::filesystem::path GameWrapper::GetBakkesModPath() {
    return pimpl->game->bakkesModPath();
}
