// The allocation functions and tags that <new> builds on. The runtime layer
// defines the replaceable operators on the shared C runtime's heap, so memory
// allocated in one module (the host) may be freed in another (the plugin).
#pragma once
#include <vcruntime.h>

#pragma pack(push, _CRT_PACKING)

extern "C++" {

namespace std {
struct nothrow_t {
    explicit nothrow_t() = default;
};
extern nothrow_t const nothrow;

#ifdef __cpp_aligned_new
enum class align_val_t : size_t {};
#endif
} // namespace std

_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new(size_t size);
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new(size_t size,
                                                        std::nothrow_t const&) noexcept;
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new[](size_t size);
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new[](size_t size,
                                                          std::nothrow_t const&) noexcept;
void __CRTDECL operator delete(void* block) noexcept;
void __CRTDECL operator delete(void* block, std::nothrow_t const&) noexcept;
void __CRTDECL operator delete[](void* block) noexcept;
void __CRTDECL operator delete[](void* block, std::nothrow_t const&) noexcept;
void __CRTDECL operator delete(void* block, size_t size) noexcept;
void __CRTDECL operator delete[](void* block, size_t size) noexcept;

#ifdef __cpp_aligned_new
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new(size_t size, std::align_val_t align);
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new(size_t size, std::align_val_t align,
                                                        std::nothrow_t const&) noexcept;
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new[](size_t size, std::align_val_t align);
_NODISCARD _VCRT_ALLOCATOR void* __CRTDECL operator new[](size_t size, std::align_val_t align,
                                                          std::nothrow_t const&) noexcept;
void __CRTDECL operator delete(void* block, std::align_val_t align) noexcept;
void __CRTDECL operator delete(void* block, std::align_val_t align, std::nothrow_t const&) noexcept;
void __CRTDECL operator delete[](void* block, std::align_val_t align) noexcept;
void __CRTDECL operator delete[](void* block, std::align_val_t align,
                                 std::nothrow_t const&) noexcept;
void __CRTDECL operator delete(void* block, size_t size, std::align_val_t align) noexcept;
void __CRTDECL operator delete[](void* block, size_t size, std::align_val_t align) noexcept;
#endif

#ifndef __PLACEMENT_NEW_INLINE
#define __PLACEMENT_NEW_INLINE
_NODISCARD inline void* __CRTDECL operator new(size_t, void* where) noexcept {
    return where;
}
inline void __CRTDECL operator delete(void*, void*) noexcept {}
#endif
#ifndef __PLACEMENT_VEC_NEW_INLINE
#define __PLACEMENT_VEC_NEW_INLINE
_NODISCARD inline void* __CRTDECL operator new[](size_t, void* where) noexcept {
    return where;
}
inline void __CRTDECL operator delete[](void*, void*) noexcept {}
#endif

} // extern "C++"

#pragma pack(pop)
