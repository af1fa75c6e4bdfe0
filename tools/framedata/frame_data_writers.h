#pragma once
// The three outputs. Each is a visitor of the reader that writes every entry
// as it is read, so that no output needs the whole log in memory; the caller
// decides where the stream goes. Entries captured without a replay keep their
// frame number: JSON writes them with a null camera and ball, while the .chan
// file and the CSV leave them out, so that their frame column still lines up
// with the video.

#include "frame_conversion.h"
#include "frame_data.h"
#include "frame_data_reader.h"

#include <memory>
#include <ostream>
#include <string_view>

class FrameDataOutput : public FrameDataVisitor {
public:
    virtual ~FrameDataOutput() = default;
    // Writes what follows the last entry and what is still buffered.
    virtual void finish() = 0;
};

// One object with the options used and a "frames" array, one frame a line.
// frameCount is the number of entries that will be visited.
std::unique_ptr<FrameDataOutput> makeJsonOutput(std::ostream& out, const ConversionOptions& options,
                                                std::string_view sourceName,
                                                std::size_t frameCount);

// Nuke's camera channel file: "frame tx ty tz rx ry rz vfov" a line, tab
// separated, rotations in degrees for the rotation order ZXY.
std::unique_ptr<FrameDataOutput> makeChanOutput(std::ostream& out,
                                                const ConversionOptions& options);

// One row per object and frame: camera, ball, car1, car2 ...
std::unique_ptr<FrameDataOutput> makeCsvOutput(std::ostream& out, const ConversionOptions& options);

// Hands a log held in memory to a visitor, as the reader would.
void visitFrameData(const FrameData& data, FrameDataVisitor& visitor);

// A log held in memory written whole.
void writeFrameDataJson(std::ostream& out, const FrameData& data, const ConversionOptions& options,
                        std::string_view sourceName);
void writeCameraChan(std::ostream& out, const FrameData& data, const ConversionOptions& options);
void writeFrameDataCsv(std::ostream& out, const FrameData& data, const ConversionOptions& options);

std::string_view axesName(Axes axes);
std::string_view unitName(LengthUnit unit);
std::string_view sensorFitName(SensorFit fit);
