// The replaceable allocation functions, on the shared C runtime's heap: the
// host and the plugin free each other's std::string buffers (a by-value
// argument is destroyed by the callee), which works only if both allocate
// from ucrtbase's malloc.
#include <malloc.h>
#include <stdlib.h>

#include <new>

extern "C" _ACRTIMP int __cdecl _callnewh(size_t size);

namespace std {
nothrow_t const nothrow{};
}

namespace {

void* allocate(size_t size) {
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* block = malloc(size))
            return block;
        // A new handler may free memory and ask for another try.
        if (_callnewh(size) == 0)
            throw std::bad_alloc();
    }
}

void* allocateAligned(size_t size, std::align_val_t align) {
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* block = _aligned_malloc(size, static_cast<size_t>(align)))
            return block;
        if (_callnewh(size) == 0)
            throw std::bad_alloc();
    }
}

} // namespace

void* __CRTDECL operator new(size_t size) {
    return allocate(size);
}
void* __CRTDECL operator new[](size_t size) {
    return allocate(size);
}
void* __CRTDECL operator new(size_t size, std::nothrow_t const&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* __CRTDECL operator new[](size_t size, std::nothrow_t const&) noexcept {
    return operator new(size, std::nothrow);
}
void __CRTDECL operator delete(void* block) noexcept {
    free(block);
}
void __CRTDECL operator delete[](void* block) noexcept {
    free(block);
}
void __CRTDECL operator delete(void* block, size_t) noexcept {
    free(block);
}
void __CRTDECL operator delete[](void* block, size_t) noexcept {
    free(block);
}
void __CRTDECL operator delete(void* block, std::nothrow_t const&) noexcept {
    free(block);
}
void __CRTDECL operator delete[](void* block, std::nothrow_t const&) noexcept {
    free(block);
}

void* __CRTDECL operator new(size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void* __CRTDECL operator new[](size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void* __CRTDECL operator new(size_t size, std::align_val_t align, std::nothrow_t const&) noexcept {
    try {
        return allocateAligned(size, align);
    } catch (...) {
        return nullptr;
    }
}
void* __CRTDECL operator new[](size_t size, std::align_val_t align,
                               std::nothrow_t const&) noexcept {
    return operator new(size, align, std::nothrow);
}
void __CRTDECL operator delete(void* block, std::align_val_t) noexcept {
    _aligned_free(block);
}
void __CRTDECL operator delete[](void* block, std::align_val_t) noexcept {
    _aligned_free(block);
}
void __CRTDECL operator delete(void* block, size_t, std::align_val_t) noexcept {
    _aligned_free(block);
}
void __CRTDECL operator delete[](void* block, size_t, std::align_val_t) noexcept {
    _aligned_free(block);
}
void __CRTDECL operator delete(void* block, std::align_val_t, std::nothrow_t const&) noexcept {
    _aligned_free(block);
}
void __CRTDECL operator delete[](void* block, std::align_val_t, std::nothrow_t const&) noexcept {
    _aligned_free(block);
}
