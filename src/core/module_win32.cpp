#include "core/module.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>

namespace {
std::atomic<HMODULE> foundReShade{nullptr};
}

void* moduleExport(HMODULE module, const char* name) noexcept {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

HMODULE findReShadeModule() noexcept {
    if (HMODULE known = foundReShade.load())
        return known;
    // Room for 1024 modules; any beyond are not examined.
    HMODULE modules[1024];
    DWORD needed = 0;
    if (!K32EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &needed))
        return nullptr;
    const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), 1024);
    for (DWORD i = 0; i < count; ++i) {
        if (moduleExport(modules[i], "ReShadeRegisterAddon") &&
            moduleExport(modules[i], "ReShadeUnregisterAddon")) {
            foundReShade.store(modules[i]);
            return modules[i];
        }
    }
    return nullptr;
}
