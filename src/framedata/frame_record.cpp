#include "framedata/frame_record.h"

#include "formats/frame_data_writer.h"

#include <sstream>

namespace {

FrameLocation locationOf(const Vector& v) {
    return {v.X, v.Y, v.Z};
}

FrameRotation rotationOf(const Rotator& r) {
    return {r.Pitch, r.Yaw, r.Roll};
}

} // namespace

std::string buildFrameRecord(CameraWrapper& camera, BallWrapper ball,
                             ArrayWrapper<CarWrapper> cars) {
    std::ostringstream out;
    if (!camera.IsNull())
        writeCameraGroup(out, locationOf(camera.GetLocation()), rotationOf(camera.GetRotation()),
                         camera.GetFOV());
    if (!ball.IsNull())
        writeActorGroup(out, locationOf(ball.GetLocation()), rotationOf(ball.GetRotation()));
    // Every slot is written: what the host returns for an empty one is its business.
    for (int i = 0; i < cars.Count(); ++i) {
        CarWrapper car = cars.Get(i);
        writeActorGroup(out, locationOf(car.GetLocation()), rotationOf(car.GetRotation()));
    }
    return std::move(out).str();
}
