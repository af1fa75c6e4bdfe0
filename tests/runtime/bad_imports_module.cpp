// A DLL that the plugin's table check must refuse; the build decides how.
// It exports what the check looks for first, so only its imports fail.
#include <windows.h>

#include <string.h>

#ifdef KIVREN_IMPORT_D3D11
#include <d3d11.h>
#endif
#ifdef KIVREN_IMPORT_SDK_BACKEND
#include "sdk_backend.h"
#endif

extern "C" {
__declspec(dllexport) char exports[64];
__declspec(dllexport) const char* NAME = "bad";
__declspec(dllexport) const char* DESCRIPTION = "bad";
__declspec(dllexport) unsigned long long getPlugin() {
    return 0;
}
__declspec(dllexport) void deleteMe() {}

__declspec(dllexport) void copyBytes(void* to, const void* from, size_t size) {
    memcpy(to, from, size);
}

#ifdef KIVREN_IMPORT_SDK_BACKEND
__declspec(dllexport) unsigned long long handOffNothing() {
    return sdk_backend::handOff(nullptr);
}
#endif

#ifdef KIVREN_IMPORT_D3D11
__declspec(dllexport) HRESULT makeDevice(ID3D11Device** device) {
    return D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                             D3D11_SDK_VERSION, device, nullptr, nullptr);
}
#endif
}
