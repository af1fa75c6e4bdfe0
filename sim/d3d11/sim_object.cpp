#include "sim_object.h"

#include <memory>
#include <mutex>
#include <vector>

namespace simd3d {

namespace {

struct Registry {
    std::mutex mutex;
    // Owned here so that released objects stay readable until exit.
    std::vector<std::unique_ptr<Life>> objects;
    std::atomic<std::size_t> misuses{0};
    std::string firstMisuse;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

void adopt(std::unique_ptr<Life> object) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.objects.push_back(std::move(object));
}

ULONG Life::addRef() {
    long count = refs_.load();
    do {
        if (count <= 0) {
            noteMisuse("AddRef of a released object");
            return 0;
        }
    } while (!refs_.compare_exchange_weak(count, count + 1));
    return static_cast<ULONG>(count + 1);
}

ULONG Life::release() {
    long count = refs_.load();
    do {
        if (count <= 0) {
            noteMisuse("Release of a released object");
            return 0;
        }
    } while (!refs_.compare_exchange_weak(count, count - 1));
    if (count == 1)
        finalRelease();
    return static_cast<ULONG>(count - 1);
}

std::size_t liveObjects() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::size_t live = 0;
    for (const auto& object : r.objects)
        live += object->alive() ? 1 : 0;
    return live;
}

void noteMisuse(const char* what) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.misuses.fetch_add(1) == 0)
        r.firstMisuse = what;
}

std::size_t misuseCount() {
    return registry().misuses.load();
}

std::string firstMisuse() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.firstMisuse;
}

void clearMisuses() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.misuses.store(0);
    r.firstMisuse.clear();
}

} // namespace simd3d
