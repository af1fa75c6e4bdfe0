// The host's drawable callback: once per game frame, while a replay shows,
// the camera, ball and cars become the record that the next captured screen
// frame writes to the frame data log.
#include "bakkesmod/wrappers/GameWrapper.h"
#include "bakkesmod/wrappers/ReplayServerWrapper.h"
#include "core/host_guard.h"
#include "core/kivren.h"
#include "framedata/frame_record.h"

#include <utility>

namespace {

// The record is handed to the presenting thread whole: it is replaced under
// the lock that the capture takes to copy it.
void replaceRecord(Kivren& k, std::string record) {
    std::lock_guard lock(k.frameRecordMutex);
    k.frameRecord.swap(record);
}

void sample(Kivren& k) {
    if (!k.gameWrapper->IsInReplay()) {
        replaceRecord(k, {});
        k.inReplay.exchange(false);
        return;
    }
    k.inReplay.exchange(true);

    CameraWrapper camera = k.gameWrapper->GetCamera();
    if (camera.IsNull())
        return replaceRecord(k, {});
    ReplayServerWrapper replay = k.gameWrapper->GetGameEventAsReplay();
    if (replay.IsNull())
        return replaceRecord(k, {});
    BallWrapper ball = replay.GetBall();
    if (ball.IsNull())
        return replaceRecord(k, {});
    ArrayWrapper<CarWrapper> cars = replay.GetCars();
    if (cars.IsNull())
        return replaceRecord(k, {});

    replaceRecord(k, buildFrameRecord(camera, ball, cars));
}

} // namespace

void Kivren::sampleFrame(CanvasWrapper) {
    // The host calls this directly, once per game frame.
    guardHostCall(*this, "sampleFrame", [this] { sample(*this); });
}
