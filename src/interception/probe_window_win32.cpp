#include "interception/probe_window.h"

#include <windows.h>

namespace {
constexpr wchar_t probeClass[] = L"KivrenProbe";
}

void registerProbeClass() noexcept {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = probeClass;
    RegisterClassExW(&windowClass);
}

void* createProbeWindow() noexcept {
    // Never shown: WS_VISIBLE is not among the styles and ShowWindow is never called.
    return CreateWindowExW(0, probeClass, L"Kivren Probe Window", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                           100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void destroyProbeWindow(void* window) noexcept {
    if (window)
        DestroyWindow(static_cast<HWND>(window));
    UnregisterClassW(probeClass, GetModuleHandleW(nullptr));
}

void* loadedD3d11Module() noexcept {
    return GetModuleHandleW(L"d3d11.dll");
}

void* d3d11Export(void* module, const char* name) noexcept {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
