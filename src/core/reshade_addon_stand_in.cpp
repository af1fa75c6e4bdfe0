// The counterpart of reshade.hpp's registration functions without
// <Windows.h>: the same steps and the same one-time lookups, with the module
// found through the dynamic linker (dl_iterate_phdr for K32EnumProcessModules,
// dlsym for GetProcAddress).
#include "core/reshade_addon.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

// reshade.hpp's RESHADE_API_VERSION: the add-on API of ReShade 5.4.
constexpr std::uint32_t addonApiVersion = 4;

std::atomic<HMODULE> reshadeModuleFound{nullptr};
std::atomic<HMODULE> currentModule{nullptr};

// As many modules as reshade.hpp examines.
constexpr int maxModules = 1024;

struct ModuleList {
    const char* names[maxModules];
    int count = 0;
};

int collectModule(dl_phdr_info* info, size_t, void* data) {
    auto* list = static_cast<ModuleList*>(data);
    if (list->count == maxModules)
        return 1;
    list->names[list->count++] = info->dlpi_name;
    return 0;
}

// dlsym on a handle also searches the object's dependencies; only a symbol
// defined by the object itself counts as its export, as with GetProcAddress.
bool exportsItself(void* handle, const char* file, const char* symbol) {
    void* address = dlsym(handle, symbol);
    Dl_info info{};
    return address && dladdr(address, &info) && info.dli_fname &&
           std::strcmp(info.dli_fname, file) == 0;
}

HMODULE reshadeModule() noexcept {
    if (HMODULE known = reshadeModuleFound.load())
        return known;
    ModuleList list;
    dl_iterate_phdr(collectModule, &list);
    for (int i = 0; i < list.count; ++i) {
        const char* file = list.names[i];
        if (!file || !*file)
            continue; // the main program
        void* handle = dlopen(file, RTLD_LAZY | RTLD_NOLOAD);
        if (!handle)
            continue;
        if (exportsItself(handle, file, "ReShadeRegisterAddon") &&
            exportsItself(handle, file, "ReShadeUnregisterAddon")) {
            // The reference taken by dlopen keeps the module for the process's life.
            reshadeModuleFound.store(reinterpret_cast<HMODULE>(handle));
            return reinterpret_cast<HMODULE>(handle);
        }
        dlclose(handle);
    }
    return nullptr;
}

void* reshadeExport(const char* name) noexcept {
    HMODULE module = reshadeModule();
    return module ? dlsym(reinterpret_cast<void*>(module), name) : nullptr;
}

template <reshade::addon_event Event>
void registerEvent(typename reshade::addon_event_traits<Event>::decl callback) noexcept {
    static const auto registerFn = reinterpret_cast<void (*)(reshade::addon_event, void*)>(
        reshadeExport("ReShadeRegisterEvent"));
    if (registerFn)
        registerFn(Event, reinterpret_cast<void*>(callback));
}

} // namespace

bool registerAddon(HMODULE self) noexcept {
    currentModule.store(self);
    if (!reshadeModule())
        return false;
    const auto registerFn =
        reinterpret_cast<bool (*)(HMODULE, std::uint32_t)>(reshadeExport("ReShadeRegisterAddon"));
    return registerFn && registerFn(self, addonApiVersion);
}

void registerEvents(PresentHandler present, BeginEffectsHandler beginEffects,
                    FinishEffectsHandler finishEffects) noexcept {
    registerEvent<reshade::addon_event::reshade_present>(present);
    registerEvent<reshade::addon_event::reshade_begin_effects>(beginEffects);
    registerEvent<reshade::addon_event::reshade_finish_effects>(finishEffects);
}

void unregisterAddon(HMODULE self) noexcept {
    if (!reshadeModule())
        return;
    const auto unregisterFn =
        reinterpret_cast<void (*)(HMODULE)>(reshadeExport("ReShadeUnregisterAddon"));
    if (unregisterFn)
        unregisterFn(self);
}

void logMessage(int level, const char* text) noexcept {
    static const auto logFn =
        reinterpret_cast<void (*)(HMODULE, int, const char*)>(reshadeExport("ReShadeLogMessage"));
    if (logFn)
        logFn(currentModule.load(), level, text);
}
