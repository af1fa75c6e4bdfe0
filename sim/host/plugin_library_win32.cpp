#include "plugin_library.h"

#include <windows.h>

#include <string>

std::unique_ptr<PluginLibrary> PluginLibrary::load(const std::filesystem::path& path,
                                                   std::string* error) {
    HMODULE handle = LoadLibraryW(path.c_str());
    if (!handle) {
        if (error)
            *error = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle));
}

PluginLibrary::~PluginLibrary() {
    FreeLibrary(handle_);
}

void* PluginLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(handle_, name));
}

std::filesystem::path executableFolder() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    return std::filesystem::path(std::wstring(buffer, length)).parent_path();
}

std::filesystem::path libraryFileName(const std::string& baseName) {
    return baseName + ".dll";
}
