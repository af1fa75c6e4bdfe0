#pragma once
// The Direct3D 11 method table of the loaded d3d11 module, learnt from a
// throw-away swap chain, device and immediate context. Every context of the
// module runs the same method code, so an address found here is the code that
// the game's own context runs. Process-wide; used on the host's thread only.

#include "hook/hook_engine.h"

#include <cstddef>
#include <cstdint>

// A kind of graphics interface, numbered as the capture has always numbered
// them; only Direct3D 11 is captured.
enum class RenderType : std::int32_t { None = 0, Direct3D11 = 3 };

enum class MethodTableStatus : std::int32_t {
    Success = 0,
    Failed = -1,
    NotSupported = -2,
    ModuleNotFound = -3,
    AlreadyCaptured = -4,
};

// The enumerator's name ("ModuleNotFound"), for the line that reports it.
const char* methodTableStatusName(MethodTableStatus status) noexcept;

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
// None while no table exists, Direct3D11 after a capture.
extern RenderType capturedRenderType;

// When the module's device creation fails (Failed), *deviceResult receives
// its HRESULT; it is left alone otherwise.
MethodTableStatus captureMethodTable(RenderType type,
                                     std::int32_t* deviceResult = nullptr) noexcept;
// Switches every hook off and frees methodTable; nothing when none exists.
// Answers the hook engine's status for switching the hooks off (Ok when no
// table existed).
hook::HookStatus releaseMethodTable() noexcept;
