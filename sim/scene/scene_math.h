#pragma once
// Small vector helpers for the scene and its renderer, in double precision:
// Unreal units reach tens of thousands while the renderer needs sub-pixel
// accuracy, and there are only a few thousand vertices a frame.

#include "bakkesmod/wrappers/wrapperstructs.h"

#include <cmath>
#include <numbers>

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Vec3 normalized(Vec3 a) {
    const double length = std::sqrt(dot(a, a));
    return length > 0.0 ? a * (1.0 / length) : a;
}

// One full turn is 65536 rotator units.
inline constexpr double radiansPerRotatorUnit = std::numbers::pi / 32768.0;

// The unit axes of an actor turned by a rotator, in world space: forward
// (local X), right (local Y) and up (local Z). Unreal applies roll about X,
// then pitch about Y, then yaw about Z; positive pitch raises the nose,
// positive yaw turns X towards Y, positive roll lowers the right side.
struct Axes {
    Vec3 forward;
    Vec3 right;
    Vec3 up;
};

inline Axes axesOf(const Rotator& rotation) {
    const double p = rotation.Pitch * radiansPerRotatorUnit;
    const double y = rotation.Yaw * radiansPerRotatorUnit;
    const double r = rotation.Roll * radiansPerRotatorUnit;
    const double sp = std::sin(p), cp = std::cos(p);
    const double sy = std::sin(y), cy = std::cos(y);
    const double sr = std::sin(r), cr = std::cos(r);
    return {
        {cp * cy, cp * sy, sp},
        {sr * sp * cy - cr * sy, sr * sp * sy + cr * cy, -sr * cp},
        {-(cr * sp * cy + sr * sy), cy * sr - cr * sp * sy, cr * cp},
    };
}

// A point of an actor's own space in world space.
inline Vec3 toWorld(const Axes& axes, Vec3 origin, Vec3 local) {
    return origin + axes.forward * local.x + axes.right * local.y + axes.up * local.z;
}

inline Vec3 vec3(const Vector& v) {
    return {v.X, v.Y, v.Z};
}
