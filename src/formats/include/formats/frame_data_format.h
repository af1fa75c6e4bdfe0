#pragma once
// The layout of the frame data log, shared by the plugin that writes it and
// the tools that read it back. The file is a run of entries, each a record
// and an entryEnd; a record is a run of groups, each ended by groupEnd, with
// the numbers inside a group separated by numberSeparator. There is no
// header, no trailer and no whitespace.

namespace frameDataFormat {

// A terminator, not a separator: a file of N captured frames holds N of them
// and ends with one. An entry that is nothing but this character is a frame
// captured while no replay (or no camera, ball or car array) was showing.
inline constexpr char entryEnd = '|';
inline constexpr char groupEnd = ';';
inline constexpr char numberSeparator = ',';

// Every group starts with a location and a rotation; only the camera's adds
// its field of view. The camera group comes first, the ball's second, and
// every further group is a car, in the order of the host's car array.
inline constexpr int locationAt = 0;    // X, Y, Z in Unreal units
inline constexpr int quaternionAt = 3;  // X, Y, Z, W, from the actor's Rotator
inline constexpr int fieldOfViewAt = 7; // camera only: horizontal, in degrees
inline constexpr int cameraGroupSize = 8;
inline constexpr int actorGroupSize = 7; // the ball and each car
inline constexpr int groupsBeforeCars = 2;

// Rotators count 65536 units to a turn.
inline constexpr int rotatorUnitsPerTurn = 65536;

} // namespace frameDataFormat
