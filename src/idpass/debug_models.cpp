#include "idpass/debug_models.h"

#include <iterator>

namespace {

using KeySet = DebugModels::KeySet;

KeySet::const_iterator lastKey(const KeySet& keys) {
    auto last = keys.begin();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        last = it;
    return last;
}

// Both directions wrap around; a selection that is not among the keys steps
// to the first (forward) or the last (backward). `keys` is not empty.
const MeshKey& stepFrom(const KeySet& keys, const MeshKey& selected, bool forward) {
    const auto found = keys.find(selected);
    if (forward) {
        if (found == keys.end())
            return *keys.begin();
        const auto next = std::next(found);
        return next == keys.end() ? *keys.begin() : *next;
    }
    if (found == keys.end() || found == keys.begin())
        return *lastKey(keys);
    auto before = keys.begin();
    while (std::next(before) != found)
        ++before;
    return *before;
}

} // namespace

bool DebugModels::remember(const MeshKey& key) {
    std::lock_guard lock(mutex_);
    seen_.insert(key);
    return key == selected_;
}

std::optional<MeshHash> DebugModels::step(bool forward) {
    std::lock_guard lock(mutex_);
    if (seen_.empty())
        return std::nullopt;
    selected_ = stepFrom(seen_, selected_, forward);
    return hashMeshKey(selected_);
}
