// Here the swap chain of the stand-in d3d11 module draws nowhere, so the
// window is only a token that it is handed; the module is the stand-in's
// shared library, found only if the program has loaded it.
#include "interception/probe_window.h"

#include <dlfcn.h>

namespace {
char probeWindow;
// The stand-in module's file name, which is also its SONAME.
constexpr char standInD3d11[] = "libd3d11.so";
} // namespace

void registerProbeClass() noexcept {}

void* createProbeWindow() noexcept {
    return &probeWindow;
}

void destroyProbeWindow(void*) noexcept {}

void* loadedD3d11Module() noexcept {
    void* module = dlopen(standInD3d11, RTLD_LAZY | RTLD_NOLOAD);
    // The program keeps the module loaded; the reference taken here is not needed.
    if (module)
        dlclose(module);
    return module;
}

void* d3d11Export(void* module, const char* name) noexcept {
    return module ? dlsym(module, name) : nullptr;
}
