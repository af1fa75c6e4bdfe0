// Mesh hashes, the exclusion rule and the automatic colours.
#include "formats/mesh_identity.h"

#include <cmath>

namespace {

constexpr std::uint64_t fnvOffsetBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t fnvPrime = 0x100000001b3ull;

// 64-bit FNV-1a over the four bytes of a value, least significant first.
constexpr std::uint64_t fnv1a(std::uint32_t value) {
    std::uint64_t hash = fnvOffsetBasis;
    for (int shift = 0; shift < 32; shift += 8) {
        hash ^= (value >> shift) & 0xffu;
        hash *= fnvPrime;
    }
    return hash;
}

constexpr std::uint32_t fourMiB = 4194304;

bool isFullScreenStride(std::uint32_t stride) {
    return stride == 12 || stride == 16 || stride == 32 || stride == 48;
}

} // namespace

MeshHash hashMeshKey(const MeshKey& key) noexcept {
    // Unsigned arithmetic wraps modulo 2^64; the doubling drops the top bit.
    return (fnv1a(key.constantBytes) + fnv1a(key.indexBytes)) ^ (fnv1a(key.vertexBytes) << 1) ^
           fnv1a(key.stride);
}

bool isExcludedDraw(const MeshKey& key) noexcept {
    if (isFullScreenStride(key.stride) && key.vertexBytes == fourMiB && key.indexBytes == fourMiB &&
        key.constantBytes == 4096)
        return true;
    return key.stride == 20 && key.vertexBytes >= 200000 && key.constantBytes == 4096 &&
           key.indexBytes >= 40000;
}

IdColour autoColour(MeshHash hash) noexcept {
    std::uint32_t x = static_cast<std::uint32_t>(hash >> 32) ^ static_cast<std::uint32_t>(hash);
    x = ((x >> 16) ^ x) * 0x45d9f3bu;
    const std::uint32_t y = x >> 16;
    const std::uint32_t z = x ^ y;

    // Every constant is a float so that each step rounds to single precision.
    const float value = static_cast<float>((z >> 20) & 15u) * 0.1f / 15.0f + 0.9f;
    const float saturation = static_cast<float>(y & 15u) * 0.15f / 15.0f + 0.85f;
    const float hue = std::fmod(static_cast<float>(z & 65535u) * 1.52587890625e-05f, 1.0f);

    if (saturation <= 0.0f)
        return {value, value, value};
    const float sector = hue * 6.0f;
    const int i = static_cast<int>(sector);
    const float f = sector - static_cast<float>(i);
    const float p = (1.0f - saturation) * value;
    const float q = (1.0f - f * saturation) * value;
    const float t = (1.0f - (1.0f - f) * saturation) * value;
    switch (i) {
    case 0:
        return {value, t, p};
    case 1:
        return {q, value, p};
    case 2:
        return {p, value, t};
    case 3:
        return {p, q, value};
    case 4:
        return {t, p, value};
    default:
        return {value, p, q};
    }
}
