// The host's drawable callback: once per game frame, while a replay shows,
// the camera, ball and cars become the record that the next captured screen
// frame writes to the frame data log.
#include "framedata/frame_sampler.h"

#include "bakkesmod/wrappers/ReplayServerWrapper.h"
#include "core/host_guard.h"
#include "core/kivren.h"
#include "framedata/frame_record.h"

#include <utility>

FrameSample sampleGameFrame(GameWrapper& game) {
    if (!game.IsInReplay())
        return {};
    CameraWrapper camera = game.GetCamera();
    if (camera.IsNull())
        return {true, {}};
    ReplayServerWrapper replay = game.GetGameEventAsReplay();
    if (replay.IsNull())
        return {true, {}};
    BallWrapper ball = replay.GetBall();
    if (ball.IsNull())
        return {true, {}};
    ArrayWrapper<CarWrapper> cars = replay.GetCars();
    if (cars.IsNull())
        return {true, {}};
    return {true, buildFrameRecord(camera, ball, cars)};
}

void Kivren::sampleFrame(CanvasWrapper) {
    // The host calls this directly, once per game frame.
    guardHostCall(*this, "sampleFrame", [this] {
        FrameSample sample = sampleGameFrame(*gameWrapper);
        // The record is handed to the presenting thread whole.
        session_.replaceFrameRecord(std::move(sample.record));
        inReplay_.exchange(sample.inReplay);
    });
}
