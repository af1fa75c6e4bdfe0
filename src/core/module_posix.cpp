#include "core/module.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <cstring>

namespace {
std::atomic<HMODULE> foundReShade{nullptr};

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
// defined by the object itself counts as its export.
bool exportsItself(void* handle, const char* file, const char* symbol) {
    void* address = dlsym(handle, symbol);
    Dl_info info{};
    return address && dladdr(address, &info) && info.dli_fname &&
           std::strcmp(info.dli_fname, file) == 0;
}
} // namespace

void* moduleExport(HMODULE module, const char* name) noexcept {
    return module ? dlsym(reinterpret_cast<void*>(module), name) : nullptr;
}

HMODULE findReShadeModule() noexcept {
    if (HMODULE known = foundReShade.load())
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
            foundReShade.store(reinterpret_cast<HMODULE>(handle));
            return reinterpret_cast<HMODULE>(handle);
        }
        dlclose(handle);
    }
    return nullptr;
}
