#pragma once
// The host's view of the game: replay state, camera, drawables and folders.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/GameObject/CameraWrapper.h"
#include "bakkesmod/wrappers/ReplayServerWrapper.h"
#include "bakkesmod/wrappers/canvaswrapper.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <typeindex>

class BAKKESMOD_PLUGIN_IMPORT GameWrapper {
public:
    GameWrapper(std::uintptr_t mem, long version, std::type_index type);
    GameWrapper(const GameWrapper& other);
    GameWrapper& operator=(GameWrapper rhs);
    ~GameWrapper();

    bool IsInReplay();
    CameraWrapper GetCamera();
    // Null unless a replay is showing.
    ReplayServerWrapper GetGameEventAsReplay();
    // The callback runs once per rendered game frame until the plugin unloads.
    void RegisterDrawable(std::function<void(CanvasWrapper)> callback);
    void UnregisterDrawables();
    std::filesystem::path GetDataFolder();
    std::filesystem::path GetBakkesModPath();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};
