#include "formats/frame_data_writer.h"

#include "formats/frame_data_format.h"

#include <charconv>
#include <cmath>

namespace format = frameDataFormat;

std::ostream& writeFrameNumber(std::ostream& out, float value) {
    // to_chars with a precision formats exactly as printf's %g in the "C"
    // locale, and never consults the process's locale (which a game may set,
    // and which %g and iostreams both honour).
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), static_cast<double>(value),
                                      std::chars_format::general, 6);
    return out.write(text, result.ptr - text);
}

std::ostream& writeRotationQuat(std::ostream& out, FrameRotation rotation) {
    // Rotator units to half-angles in radians. The constant is the one the
    // recordings have always used (bits 0x38490FDE), a little off the float
    // nearest to pi/65536, and the output shows the difference.
    const float k = 4.7936912e-5f;
    const float hp = static_cast<float>(rotation.pitch) * k;
    const float hy = static_cast<float>(rotation.yaw) * k;
    const float hr = static_cast<float>(rotation.roll) * k;
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

    writeFrameNumber(out, x) << format::numberSeparator;
    writeFrameNumber(out, y) << format::numberSeparator;
    writeFrameNumber(out, z) << format::numberSeparator;
    return writeFrameNumber(out, w);
}

namespace {

// Location and quaternion, the start every group shares.
std::ostream& writePose(std::ostream& out, FrameLocation location, FrameRotation rotation) {
    writeFrameNumber(out, location.x) << format::numberSeparator;
    writeFrameNumber(out, location.y) << format::numberSeparator;
    writeFrameNumber(out, location.z) << format::numberSeparator;
    return writeRotationQuat(out, rotation);
}

} // namespace

std::ostream& writeCameraGroup(std::ostream& out, FrameLocation location, FrameRotation rotation,
                               float fieldOfView) {
    writePose(out, location, rotation) << format::numberSeparator;
    return writeFrameNumber(out, fieldOfView) << format::groupEnd;
}

std::ostream& writeActorGroup(std::ostream& out, FrameLocation location, FrameRotation rotation) {
    return writePose(out, location, rotation) << format::groupEnd;
}
