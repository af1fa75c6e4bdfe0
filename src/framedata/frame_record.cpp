#include "framedata/frame_record.h"

#include <charconv>
#include <cmath>
#include <sstream>

std::ostream& writeFrameNumber(std::ostream& out, float value) {
    // to_chars with a precision formats exactly as printf's %g in the "C"
    // locale, and never consults the process's locale (which a game may set,
    // and which %g and iostreams both honour).
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), static_cast<double>(value),
                                      std::chars_format::general, 6);
    return out.write(text, result.ptr - text);
}

std::ostream& writeRotationQuat(std::ostream& out, const Rotator& rotation) {
    // Rotator units to half-angles in radians. The constant is the one the
    // recordings have always used (bits 0x38490FDE), a little off the float
    // nearest to pi/65536, and the output shows the difference.
    const float k = 4.7936912e-5f;
    const float hp = static_cast<float>(rotation.Pitch) * k;
    const float hy = static_cast<float>(rotation.Yaw) * k;
    const float hr = static_cast<float>(rotation.Roll) * k;
    const float sp = std::sin(hp);
    const float cp = std::cos(hp);
    const float sy = std::sin(hy);
    const float cy = std::cos(hy);
    const float sr = std::sin(hr);
    const float cr = std::cos(hr);

    // The grouping of the products is part of the format: (-cr)*sp makes
    // Y of an unrotated actor negative zero.
    const float x = (cr * sp) * sy - cy * (sr * cp);
    const float y = ((-cr) * sp) * cy - sy * (sr * cp);
    const float z = sy * (cr * cp) - cy * (sr * sp);
    const float w = cy * (cr * cp) + sy * (sr * sp);

    writeFrameNumber(out, x) << ',';
    writeFrameNumber(out, y) << ',';
    writeFrameNumber(out, z) << ',';
    return writeFrameNumber(out, w);
}

namespace {

void writeLocation(std::ostream& out, const Vector& location) {
    writeFrameNumber(out, location.X) << ',';
    writeFrameNumber(out, location.Y) << ',';
    writeFrameNumber(out, location.Z) << ',';
}

} // namespace

std::string buildFrameRecord(CameraWrapper& camera, BallWrapper ball,
                             ArrayWrapper<CarWrapper> cars) {
    std::ostringstream out;
    if (!camera.IsNull()) {
        writeLocation(out, camera.GetLocation());
        writeRotationQuat(out, camera.GetRotation()) << ',';
        writeFrameNumber(out, camera.GetFOV()) << ';';
    }
    if (!ball.IsNull()) {
        writeLocation(out, ball.GetLocation());
        writeRotationQuat(out, ball.GetRotation()) << ';';
    }
    // Every slot is written: what the host returns for an empty one is its business.
    for (int i = 0; i < cars.Count(); ++i) {
        CarWrapper car = cars.Get(i);
        writeLocation(out, car.GetLocation());
        writeRotationQuat(out, car.GetRotation()) << ';';
    }
    return std::move(out).str();
}
