#pragma once
// Reference counting for the stand-in Direct3D 11 objects. An object whose
// count has reached zero is kept, not freed, until the process ends: a later
// use of it (a second Release, an AddRef, binding it) is then noticed and
// counted as a misuse instead of silently reading freed memory, on every
// system and with or without a sanitizer.

#include <d3d11.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace simd3d {

// Objects created and not yet released to zero.
std::size_t liveObjects();
// Uses of objects released to zero, and the first of them in words.
std::size_t misuseCount();
std::string firstMisuse();
void clearMisuses();

void noteMisuse(const char* what);

// The counted life of one object, kept by a process-wide registry.
class Life {
public:
    Life() = default;
    virtual ~Life() = default;
    Life(const Life&) = delete;
    Life& operator=(const Life&) = delete;

    ULONG addRef();
    ULONG release();
    bool alive() const { return refs_.load() > 0; }

protected:
    // Runs once, when the last reference goes: the object lets go of what it
    // holds. Destructors release nothing, since the registry frees objects in
    // no particular order at exit.
    virtual void finalRelease() {}

private:
    std::atomic<long> refs_{1};
};

void adopt(std::unique_ptr<Life> object);

// Creates a stand-in object with one reference for the caller.
template <typename T, typename... Args> T* make(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* created = object.get();
    adopt(std::move(object));
    return created;
}

// A COM object of the stand-in: Interface first, so that the interface
// pointer and the object share one address.
template <typename Interface> class Object : public Interface, public Life {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        if (object)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return release(); }
};

// Replaces a held reference: takes one on the new object, drops the old one.
template <typename T> void hold(T*& slot, T* object) {
    if (object)
        object->AddRef();
    if (slot)
        slot->Release();
    slot = object;
}

// Hands out a held reference: the receiver gets one of its own.
template <typename T> T* share(T* object) {
    if (object)
        object->AddRef();
    return object;
}

} // namespace simd3d
