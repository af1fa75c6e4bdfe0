// A second module built by the same toolchain, standing where a host stands
// beside the plugin: it implements a ReShade interface, throws and catches
// across the module boundary, and frees what the other module allocated.
#include "strict_device.h"

#include <windows.h>

#include <stdexcept>
#include <stdlib.h>
#include <string>

namespace {

// Only the view-to-resource query matters here; it returns its handle in
// memory the caller provides (the Microsoft ABI for a member function that
// returns a struct, however small).
class ViewResolvingDevice final : public sim::StrictDevice {
public:
    reshade::api::resource get_resource_from_view(reshade::api::resource_view view) const override {
        return {view.handle * 3 + 1};
    }
};

ViewResolvingDevice device;

} // namespace

extern "C" __declspec(dllexport) reshade::api::device* abiModuleDevice() {
    return &device;
}

// C++ linkage: with /EHsc a C function is taken never to throw.
extern "C++" __declspec(dllexport) void abiModuleThrow(const char* message) {
    throw std::runtime_error(message);
}

// Calls back into the other module and reports what it threw.
extern "C" __declspec(dllexport) bool abiModuleCatch(void (*call)(), char* what, size_t size) {
    try {
        call();
    } catch (const std::exception& error) {
        strncpy_s(what, size, error.what(), _TRUNCATE);
        return true;
    }
    return false;
}

// Takes ownership of a string the caller built: a by-value argument is
// destroyed by the callee in this ABI, so its buffer is freed here.
extern "C++" __declspec(dllexport) size_t abiModuleAdopt(std::string text) {
    return text.size();
}

// The free() this module's code calls: the one of the shared C runtime, or
// the strings above would be freed on the wrong heap.
extern "C" __declspec(dllexport) void* abiModuleFree() {
    return reinterpret_cast<void*>(&free);
}
