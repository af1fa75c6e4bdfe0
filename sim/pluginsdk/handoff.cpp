// The hand-off registry: the host's objects by the addresses that wrapper
// constructors receive. It holds weak references only, so that the objects
// of each game frame go when the last wrapper of them does.
#include "sdk_backend.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace sdk_backend {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::uintptr_t, std::weak_ptr<Object>> objects;
    std::size_t sizeAfterSweep = 0;

    // Drops the entries of objects that have gone; runs when the registry has
    // doubled since the last sweep, so each entry costs constant time.
    void sweepIfGrown() {
        if (objects.size() < 2 * sizeAfterSweep + 64)
            return;
        std::erase_if(objects, [](const auto& entry) { return entry.second.expired(); });
        sizeAfterSweep = objects.size();
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

std::uintptr_t handOff(const std::shared_ptr<Object>& object) {
    if (!object)
        return 0;
    const auto address = reinterpret_cast<std::uintptr_t>(object.get());
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.sweepIfGrown();
    r.objects[address] = object;
    return address;
}

std::shared_ptr<Object> claim(std::uintptr_t address) {
    if (address == 0)
        return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.objects.find(address);
    std::shared_ptr<Object> object = found == r.objects.end() ? nullptr : found->second.lock();
    if (!object)
        throw std::logic_error("no host object was handed off at address " +
                               std::to_string(address));
    return object;
}

} // namespace sdk_backend
