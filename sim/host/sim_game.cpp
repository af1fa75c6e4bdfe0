#include "sim_game.h"

namespace {

class ActorSnapshot : public sdk_backend::Actor {
public:
    explicit ActorSnapshot(SimActorState state) : state_(state) {}
    Vector location() const override { return state_.location; }
    Rotator rotation() const override { return state_.rotation; }

private:
    SimActorState state_;
};

class CameraSnapshot : public sdk_backend::Camera {
public:
    explicit CameraSnapshot(SimCameraState state) : state_(state) {}
    Vector location() const override { return state_.location; }
    Rotator rotation() const override { return state_.rotation; }
    float fov() const override { return state_.fov; }

private:
    SimCameraState state_;
};

class Cars : public sdk_backend::Array {
public:
    explicit Cars(std::vector<SimActorState> cars) : cars_(std::move(cars)) {}
    int count() const override { return static_cast<int>(cars_.size()); }
    std::shared_ptr<sdk_backend::Actor> get(int index) const override {
        if (index < 0 || index >= count())
            return nullptr;
        return std::make_shared<ActorSnapshot>(cars_[static_cast<std::size_t>(index)]);
    }

private:
    std::vector<SimActorState> cars_;
};

// A snapshot of the replay taken when the plugin asks for it.
class Replay : public sdk_backend::ReplayServer {
public:
    explicit Replay(SimReplayState state) : state_(std::move(state)) {}
    Vector location() const override { return {}; }
    Rotator rotation() const override { return {}; }
    std::shared_ptr<sdk_backend::Actor> ball() const override {
        return state_.hasBall ? std::make_shared<ActorSnapshot>(state_.ball) : nullptr;
    }
    std::shared_ptr<sdk_backend::Array> cars() const override {
        return state_.hasCars ? std::make_shared<Cars>(state_.cars) : nullptr;
    }

private:
    SimReplayState state_;
};

} // namespace

SimGame::SimGame(std::filesystem::path dataFolder, std::filesystem::path bakkesModPath)
    : dataFolder_(std::move(dataFolder)), bakkesModPath_(std::move(bakkesModPath)) {}

bool SimGame::isInReplay() const {
    std::lock_guard lock(mutex_);
    return state_.inReplay;
}

std::shared_ptr<sdk_backend::Camera> SimGame::camera() const {
    std::lock_guard lock(mutex_);
    return state_.hasCamera ? std::make_shared<CameraSnapshot>(state_.camera) : nullptr;
}

std::shared_ptr<sdk_backend::ReplayServer> SimGame::replay() const {
    std::lock_guard lock(mutex_);
    return state_.inReplay && state_.hasReplay ? std::make_shared<Replay>(state_) : nullptr;
}

void SimGame::registerDrawable(std::function<void(CanvasWrapper)> callback) {
    std::lock_guard lock(mutex_);
    drawables_.push_back(std::move(callback));
}

void SimGame::unregisterDrawables() {
    std::vector<std::function<void(CanvasWrapper)>> gone;
    {
        std::lock_guard lock(mutex_);
        gone.swap(drawables_);
    }
}

void SimGame::setState(const SimReplayState& state) {
    std::lock_guard lock(mutex_);
    state_ = state;
}

SimReplayState SimGame::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void SimGame::setInReplay(bool inReplay) {
    std::lock_guard lock(mutex_);
    state_.inReplay = inReplay;
}

void SimGame::renderFrame() {
    std::vector<std::function<void(CanvasWrapper)>> drawables;
    {
        std::lock_guard lock(mutex_);
        drawables = drawables_;
    }
    for (auto& drawable : drawables)
        drawable(CanvasWrapper(0));
}

std::size_t SimGame::drawableCount() const {
    std::lock_guard lock(mutex_);
    return drawables_.size();
}
