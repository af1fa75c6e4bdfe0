#pragma once
// The Direct3D 11 method table of the loaded d3d11 module, learnt from a
// throw-away swap chain, device and immediate context. Every context of the
// module runs the same method code, so an address found here is the code that
// the game's own context runs. Process-wide; used on the host's thread only.

#include <cstddef>
#include <cstdint>

// A kind of graphics interface: 0 is none, 3 is Direct3D 11.
using RenderType = std::int32_t;
inline constexpr RenderType renderTypeNone = 0;
inline constexpr RenderType renderTypeDirect3D11 = 3;

enum class MethodTableStatus : std::int32_t {
    Success = 0,
    Failed = -1,
    NotSupported = -2,
    ModuleNotFound = -3,
    AlreadyCaptured = -4,
};

// Layout of methodTable: each block in its interface's own method order,
// counting the methods of the newest versions of each interface.
inline constexpr std::size_t swapChainMethods = 18;
inline constexpr std::size_t deviceMethods = 43;
inline constexpr std::size_t contextMethods = 144;
inline constexpr std::size_t swapChainEntry = 0;
inline constexpr std::size_t deviceEntry = swapChainEntry + swapChainMethods;
inline constexpr std::size_t contextEntry = deviceEntry + deviceMethods;
inline constexpr std::size_t methodTableSize = contextEntry + contextMethods;
// ID3D11DeviceContext::DrawIndexed is method 12 of the context.
inline constexpr std::size_t drawIndexedEntry = contextEntry + 12;

// The captured addresses (methodTableSize of them), or null.
extern void** methodTable;
// renderTypeNone while no table exists, renderTypeDirect3D11 after a capture.
extern RenderType capturedRenderType;

MethodTableStatus captureMethodTable(RenderType type) noexcept;
// Switches every hook off and frees methodTable; nothing when none exists.
void releaseMethodTable() noexcept;
