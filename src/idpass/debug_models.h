#pragma once
// Debug-models mode: every mesh drawn while it is on is remembered, and the
// console steps a selection through them, which the draw path highlights.

#include "formats/mesh_key.h"

#include <mutex>
#include <optional>
#include <unordered_set>

class DebugModels {
public:
    using KeySet = std::unordered_set<MeshKey, MeshKeyHasher>;

    // The game's render thread: remembers the drawn mesh; true when it is the
    // selected one.
    bool remember(const MeshKey& key);
    // Steps the selection, both ways wrapping around; the new selection's
    // hash, or nothing when no mesh has been seen.
    std::optional<MeshHash> step(bool forward);
    // Before any step: the all-zero key.
    MeshKey selected() const {
        std::lock_guard lock(mutex_);
        return selected_;
    }
    void select(const MeshKey& key) {
        std::lock_guard lock(mutex_);
        selected_ = key;
    }
    KeySet seen() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }

private:
    mutable std::mutex mutex_;
    MeshKey selected_{};
    KeySet seen_;
};
