#pragma once
// The three outputs, each written to a stream so that the caller decides
// where it goes. Entries captured without a replay keep their frame number:
// JSON writes them with a null camera and ball, while the .chan file and the
// CSV leave them out, so that their frame column still lines up with the video.

#include "frame_conversion.h"
#include "frame_data.h"

#include <ostream>
#include <string>
#include <string_view>

// One object with the options used and a "frames" array, one frame a line.
void writeFrameDataJson(std::ostream& out, const FrameData& data, const ConversionOptions& options,
                        std::string_view sourceName);

// Nuke's camera channel file: "frame tx ty tz rx ry rz vfov" a line, tab
// separated, rotations in degrees for the rotation order ZXY.
void writeCameraChan(std::ostream& out, const FrameData& data, const ConversionOptions& options);

// One row per object and frame: camera, ball, car1, car2 ...
void writeFrameDataCsv(std::ostream& out, const FrameData& data, const ConversionOptions& options);

std::string_view axesName(Axes axes);
std::string_view unitName(LengthUnit unit);
std::string_view sensorFitName(SensorFit fit);
