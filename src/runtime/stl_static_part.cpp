// The few functions that Microsoft's STL headers declare but leave to the
// static part of its import library (msvcprt.lib), which each module links:
// system error messages and the registry of facets built on demand.
#include <windows.h>

#include <locale>
#include <shared_mutex>
#include <system_error>

extern "C" size_t __CLRCALL_PURE_OR_STDCALL
__std_system_error_allocate_message(const unsigned long code, char** const message) noexcept {
    // The system's text for a Windows error code, in the user's language,
    // without the line break FormatMessage ends it with.
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(message), 0, nullptr);
    if (length == 0) {
        *message = nullptr;
        return 0;
    }
    while (length > 0 && ((*message)[length - 1] == '\n' || (*message)[length - 1] == '\r' ||
                          (*message)[length - 1] == ' ' || (*message)[length - 1] == '.'))
        --length;
    if (length == 0) {
        LocalFree(*message);
        *message = nullptr;
    }
    return length;
}

extern "C" void __CLRCALL_PURE_OR_STDCALL
__std_system_error_deallocate_message(char* const message) noexcept {
    LocalFree(message);
}

namespace {

// Facets that use_facet had to build (a locale lacked them) belong to this
// module: they are deleted when it unloads, as with Microsoft's runtime.
struct FacetNode {
    FacetNode* next;
    std::_Facet_base* facet;
};

SRWLOCK facetLock = SRWLOCK_INIT;
FacetNode* facets = nullptr;
bool facetCleanupRegistered = false;

void __cdecl deleteFacets() {
    AcquireSRWLockExclusive(&facetLock);
    FacetNode* node = facets;
    facets = nullptr;
    ReleaseSRWLockExclusive(&facetLock);
    while (node) {
        FacetNode* const next = node->next;
        delete node->facet;
        delete node;
        node = next;
    }
}

} // namespace

void __CLRCALL_OR_CDECL std::_Facet_Register(_Facet_base* const facet) {
    FacetNode* const node = new FacetNode{nullptr, facet};
    AcquireSRWLockExclusive(&facetLock);
    if (!facetCleanupRegistered) {
        facetCleanupRegistered = true;
        atexit(deleteFacets);
    }
    node->next = facets;
    facets = node;
    ReleaseSRWLockExclusive(&facetLock);
}

// std::shared_mutex is a slim reader/writer lock; its handle is the lock.
namespace {
PSRWLOCK srwLock(_Smtx_t* handle) {
    static_assert(sizeof(_Smtx_t) == sizeof(SRWLOCK));
    return reinterpret_cast<PSRWLOCK>(handle);
}
} // namespace

void __cdecl _Smtx_lock_exclusive(_Smtx_t* handle) {
    AcquireSRWLockExclusive(srwLock(handle));
}
void __cdecl _Smtx_lock_shared(_Smtx_t* handle) {
    AcquireSRWLockShared(srwLock(handle));
}
int __cdecl _Smtx_try_lock_exclusive(_Smtx_t* handle) {
    return TryAcquireSRWLockExclusive(srwLock(handle));
}
int __cdecl _Smtx_try_lock_shared(_Smtx_t* handle) {
    return TryAcquireSRWLockShared(srwLock(handle));
}
void __cdecl _Smtx_unlock_exclusive(_Smtx_t* handle) {
    ReleaseSRWLockExclusive(srwLock(handle));
}
void __cdecl _Smtx_unlock_shared(_Smtx_t* handle) {
    ReleaseSRWLockShared(srwLock(handle));
}
