#pragma once
// The host's view of the game: replay state, camera, drawables and folders.

#include "gameobjects.h"
#include "sdk_backend.h"

#include <filesystem>
#include <functional>
#include <memory>

class GameWrapper {
public:
    explicit GameWrapper(std::shared_ptr<sdk_backend::Game> impl) : impl_(std::move(impl)) {}

    bool IsInReplay();
    CameraWrapper GetCamera();
    ReplayServerWrapper GetGameEventAsReplay();
    // The callback runs once per rendered game frame until the plugin unloads.
    void RegisterDrawable(std::function<void(CanvasWrapper)> callback);
    void UnregisterDrawables();
    std::filesystem::path GetDataFolder();
    std::filesystem::path GetBakkesModPath();

private:
    std::shared_ptr<sdk_backend::Game> impl_;
};
