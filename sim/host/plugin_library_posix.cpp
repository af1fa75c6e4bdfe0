#include "plugin_library.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {
using EntryFn = int (*)(HMODULE, unsigned long, void*);
constexpr unsigned long processDetach = 0;
constexpr unsigned long processAttach = 1;

EntryFn entryOf(void* handle) {
    return reinterpret_cast<EntryFn>(dlsym(handle, "DllMain"));
}
} // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::filesystem::path& path,
                                                   std::string* error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        if (error)
            *error = dlerror();
        return nullptr;
    }
    auto module = reinterpret_cast<HMODULE>(handle);
    if (EntryFn entry = entryOf(handle); entry && !entry(module, processAttach, nullptr)) {
        entry(module, processDetach, nullptr);
        dlclose(handle);
        if (error)
            *error = "the library's DllMain refused to attach";
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(module));
}

PluginLibrary::~PluginLibrary() {
    void* handle = reinterpret_cast<void*>(handle_);
    if (EntryFn entry = entryOf(handle))
        entry(handle_, processDetach, nullptr);
    dlclose(handle);
}

void* PluginLibrary::symbol(const char* name) const {
    return dlsym(reinterpret_cast<void*>(handle_), name);
}

std::filesystem::path executableFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::filesystem::path libraryFileName(const std::string& baseName) {
    return "lib" + baseName + ".so";
}
