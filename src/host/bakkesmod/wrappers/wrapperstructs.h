#pragma once
// Value types of the host SDK, laid out as the host passes them.

struct Vector {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
};

// 65536 units make one full turn.
struct Rotator {
    int Pitch = 0;
    int Yaw = 0;
    int Roll = 0;
};
