#pragma once
// A frame data log read into memory, still in the game's units and axes:
// one entry per captured screen frame, in file order, so that entry i belongs
// to frame i of the Main video. The numbers are the game's 32-bit floats,
// which their six printed digits fit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ActorPose {
    std::array<float, 3> location{};   // Unreal units, left-handed, Z up
    std::array<float, 4> quaternion{}; // X, Y, Z, W as the plugin wrote them
};

struct CameraPose : ActorPose {
    float fieldOfView = 0.0f; // horizontal, in degrees
};

struct FrameEntry {
    // False for an entry captured while no replay was showing: it keeps its
    // place in the sequence but carries no transforms.
    bool hasReplay = false;
    CameraPose camera;
    ActorPose ball;
    // The cars live in FrameData::cars, so that a long recording costs one
    // allocation rather than one per frame.
    std::uint32_t firstCar = 0;
    std::uint32_t carCount = 0;
};

// A problem found in a frame data log, at its place in the file, so that a
// user can find it in a text editor: the line and column (both from 1) and
// the entry, which is also the frame of the Main video that it belongs to.
struct FrameDataError {
    std::size_t line = 0; // 0 when the problem has no place (an unreadable file)
    std::size_t column = 0;
    std::size_t entry = 0; // 0 when the problem is not inside an entry
    std::string message;
};

struct FrameData {
    std::vector<FrameEntry> entries;
    std::vector<ActorPose> cars;
    // Set when the file ends inside its last entry, as a recording cut off by
    // a crash does: where, and which entry. That entry is not in entries.
    std::optional<FrameDataError> cutOff;

    std::span<const ActorPose> carsOf(const FrameEntry& entry) const {
        return {cars.data() + entry.firstCar, entry.carCount};
    }
    std::size_t replayEntryCount() const;
    std::size_t maxCarCount() const;
};
