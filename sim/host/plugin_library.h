#pragma once
// Maps a plugin library into the process the way the host's loader does, and
// unmaps it again. On Windows the system runs the library's DllMain; elsewhere
// this loader calls the library's exported DllMain itself, with the same
// meaning (attach after mapping, detach before unmapping, and a refused attach
// followed by detach and unmapping).

#include "module_handle.h"

#include <filesystem>
#include <memory>
#include <string>

class PluginLibrary {
public:
    // Null with a reason in *error when the library cannot be mapped or refuses.
    static std::unique_ptr<PluginLibrary> load(const std::filesystem::path& path,
                                               std::string* error);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    void* symbol(const char* name) const;
    HMODULE handle() const { return handle_; }

private:
    explicit PluginLibrary(HMODULE handle) : handle_(handle) {}
    HMODULE handle_;
};

// The folder of the running program: built plugins and modules live beside it.
std::filesystem::path executableFolder();
// File names of a built library on this system: "Kivren2" gives Kivren2.dll or libKivren2.so.
std::filesystem::path libraryFileName(const std::string& baseName);
