// Learning the Direct3D 11 method addresses: a device, immediate context and
// swap chain are created through the module's own export on a throw-away
// window, their method tables copied, and everything given back at once.
#include "interception/method_table.h"

#include "interception/probe_window.h"

#include <d3d11.h>

#include <cstring>
#include <new>

void** methodTable = nullptr;
RenderType capturedRenderType = RenderType::None;

namespace {

template <typename T> void releaseObject(T* object) {
    if (object)
        object->Release();
}

// The method table of a COM object is the first word of the object.
void copyMethods(const void* object, std::size_t count, void** into) {
    const auto* table = *static_cast<void* const* const*>(object);
    std::memcpy(into, table, count * sizeof(void*));
}

DXGI_SWAP_CHAIN_DESC probeSwapChain(void* window) {
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = 100;
    desc.BufferDesc.Height = 100;
    desc.BufferDesc.RefreshRate = {60, 1};
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
    desc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = static_cast<HWND>(window);
    desc.Windowed = 1;
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
    return desc;
}

MethodTableStatus captureDirect3D11(void* window, std::int32_t* deviceResult) {
    void* module = loadedD3d11Module();
    if (!module)
        return MethodTableStatus::ModuleNotFound;
    const auto create = reinterpret_cast<PFN_D3D11_CREATE_DEVICE_AND_SWAP_CHAIN>(
        d3d11Export(module, "D3D11CreateDeviceAndSwapChain"));
    if (!create)
        return MethodTableStatus::Failed;

    const D3D_FEATURE_LEVEL requested = D3D_FEATURE_LEVEL_10_1;
    const DXGI_SWAP_CHAIN_DESC desc = probeSwapChain(window);
    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    D3D_FEATURE_LEVEL obtained{};
    ID3D11DeviceContext* context = nullptr;
    const HRESULT hr = create(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, &requested, 1,
                              D3D11_SDK_VERSION, &desc, &swapChain, &device, &obtained, &context);

    MethodTableStatus status = MethodTableStatus::Failed;
    if (hr < 0 && deviceResult)
        *deviceResult = hr;
    if (hr >= 0 && swapChain && device && context) {
        methodTable = new (std::nothrow) void*[methodTableSize]();
        if (methodTable) {
            copyMethods(swapChain, swapChainMethods, methodTable + swapChainEntry);
            copyMethods(device, deviceMethods, methodTable + deviceEntry);
            copyMethods(context, contextMethods, methodTable + contextEntry);
            // An engine that is already set up is simply used.
            hook::initHookEngine();
            status = MethodTableStatus::Success;
        }
    }
    releaseObject(swapChain);
    releaseObject(device);
    releaseObject(context);
    return status;
}

} // namespace

const char* methodTableStatusName(MethodTableStatus status) noexcept {
    switch (status) {
    case MethodTableStatus::Success:
        return "Success";
    case MethodTableStatus::Failed:
        return "Failed";
    case MethodTableStatus::NotSupported:
        return "NotSupported";
    case MethodTableStatus::ModuleNotFound:
        return "ModuleNotFound";
    case MethodTableStatus::AlreadyCaptured:
        return "AlreadyCaptured";
    }
    return "Unknown";
}

MethodTableStatus captureMethodTable(RenderType type, std::int32_t* deviceResult) noexcept {
    if (capturedRenderType != RenderType::None)
        return MethodTableStatus::AlreadyCaptured;
    if (type != RenderType::Direct3D11)
        return MethodTableStatus::NotSupported;

    registerProbeClass();
    void* window = createProbeWindow();
    const MethodTableStatus status = captureDirect3D11(window, deviceResult);
    destroyProbeWindow(window);
    if (status == MethodTableStatus::Success)
        capturedRenderType = RenderType::Direct3D11;
    return status;
}

hook::HookStatus releaseMethodTable() noexcept {
    if (capturedRenderType == RenderType::None)
        return hook::HookStatus::Ok;
    // Puts the patched bytes back; the hooks stay known to the engine.
    const hook::HookStatus status = hook::disableHook(hook::allHooks);
    delete[] methodTable;
    methodTable = nullptr;
    capturedRenderType = RenderType::None;
    return status;
}
