#include "core/plugin_instance.h"

#include "core/kivren.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

std::shared_ptr<Kivren> pluginInstance;

namespace {
// Guards pluginInstance against the ReShade events, which run on the
// presenting thread while the host creates and deletes the object.
std::mutex instanceMutex;
std::atomic<Kivren*> storedPointer{nullptr};
} // namespace

void createPluginInstance() {
    std::lock_guard lock(instanceMutex);
    if (pluginInstance)
        return;
    // The object starts from zero-filled memory, so that every member without
    // an initial value of its own is zero, false or empty.
    // Aligned as the object asks: its writer's progress has a cache line of its own.
    constexpr std::align_val_t alignment{alignof(Kivren)};
    void* memory = ::operator new(sizeof(Kivren), alignment);
    std::memset(memory, 0, sizeof(Kivren));
    Kivren* object = nullptr;
    try {
        object = new (memory) Kivren();
    } catch (...) {
        ::operator delete(memory, alignment);
        throw;
    }
    pluginInstance = std::shared_ptr<Kivren>(object, [](Kivren* p) {
        p->~Kivren();
        ::operator delete (p, std::align_val_t{alignof(Kivren)});
    });
    storedPointer.store(object);
}

void releasePluginInstance() {
    std::shared_ptr<Kivren> released;
    {
        std::lock_guard lock(instanceMutex);
        released = std::move(pluginInstance);
        pluginInstance.reset();
        storedPointer.store(nullptr);
    }
    // The object is destroyed here unless the host or an event still holds a share.
}

std::shared_ptr<Kivren> acquirePluginInstance() {
    std::lock_guard lock(instanceMutex);
    return pluginInstance;
}

Kivren* pluginObject() noexcept {
    return storedPointer.load(std::memory_order_acquire);
}
