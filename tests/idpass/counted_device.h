#pragma once
// A stand-in Direct3D 11 device and context whose objects are counted: a
// test that ends with any graphics object unreleased, or with a misuse the
// stand-in recorded, fails. As a base class it is built before and checked
// after the members that hold its objects.

#include "sim_d3d11.h"

#include <gtest/gtest.h>

#include <cstddef>

struct CountedDevice {
    CountedDevice() { createSimDevice(&device, &context); }
    ~CountedDevice() {
        context->Release();
        device->Release();
        EXPECT_EQ(simd3d::liveObjects(), liveBefore) << "a graphics object was not released";
        EXPECT_EQ(simd3d::misuseCount(), 0u) << simd3d::firstMisuse();
        simd3d::clearMisuses();
    }
    CountedDevice(const CountedDevice&) = delete;
    CountedDevice& operator=(const CountedDevice&) = delete;

    std::size_t liveBefore = simd3d::liveObjects();
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
};
