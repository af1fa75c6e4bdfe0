#pragma once
// The stand-in host's game: whether a replay is showing, the replay camera,
// ball and cars that the host reports, the drawables it calls once per game
// frame, and its data folders.

#include "bakkesmod/wrappers/GameWrapper.h"
#include "sdk_backend.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

struct SimActorState {
    Vector location;
    Rotator rotation;
};

struct SimCameraState {
    Vector location;
    Rotator rotation;
    float fov = 90.0f;
};

// What the host reports for one game frame. A missing part makes the
// matching wrapper null.
struct SimReplayState {
    bool inReplay = false;
    bool hasCamera = true;
    bool hasReplay = true;
    bool hasBall = true;
    bool hasCars = true;
    SimCameraState camera;
    SimActorState ball;
    std::vector<SimActorState> cars;
};

class SimGame : public sdk_backend::Game {
public:
    SimGame(std::filesystem::path dataFolder, std::filesystem::path bakkesModPath);

    bool isInReplay() const override;
    std::shared_ptr<sdk_backend::Camera> camera() const override;
    std::shared_ptr<sdk_backend::ReplayServer> replay() const override;
    void registerDrawable(std::function<void(CanvasWrapper)> callback) override;
    void unregisterDrawables() override;
    std::filesystem::path dataFolder() const override { return dataFolder_; }
    std::filesystem::path bakkesModPath() const override { return bakkesModPath_; }

    void setState(const SimReplayState& state);
    SimReplayState state() const;
    void setInReplay(bool inReplay);

    // One rendered game frame: every drawable runs once.
    void renderFrame();
    std::size_t drawableCount() const;

private:
    std::filesystem::path dataFolder_;
    std::filesystem::path bakkesModPath_;
    mutable std::mutex mutex_;
    SimReplayState state_;
    std::vector<std::function<void(CanvasWrapper)>> drawables_;
};
