#include "locked_code.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr uintptr_t granularity = 0x10000;

// A view mapped for read and execute cannot be raised above its access.
void mapLocked(void* at, const uint8_t* content) {
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_EXECUTE_READWRITE, 0,
                                        lockedPageSize, nullptr);
    void* view = section != nullptr ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    if (view == nullptr) {
        std::abort();
    }
    std::memcpy(view, content, lockedPageSize);
    UnmapViewOfFile(view);
    if (MapViewOfFileEx(section, FILE_MAP_READ | FILE_MAP_EXECUTE, 0, 0, lockedPageSize, at) !=
        at) {
        std::abort();
    }
    CloseHandle(section);
}

} // namespace

uint8_t* mapOrdinaryThenLockedPages(const uint8_t* content) {
    // The view must start on an allocation boundary, so the ordinary page is
    // the last one of a reservation just below it.
    void* probe = VirtualAlloc(nullptr, 2 * granularity, MEM_RESERVE, PAGE_NOACCESS);
    if (probe == nullptr) {
        std::abort();
    }
    VirtualFree(probe, 0, MEM_RELEASE);
    auto* reservation = static_cast<uint8_t*>(probe);
    uint8_t* base = reservation + granularity - lockedPageSize;
    if (VirtualAlloc(reservation, granularity, MEM_RESERVE, PAGE_NOACCESS) == nullptr ||
        VirtualAlloc(base, lockedPageSize, MEM_COMMIT, PAGE_READWRITE) == nullptr) {
        std::abort();
    }
    std::memcpy(base, content, lockedPageSize);
    DWORD old = 0;
    VirtualProtect(base, lockedPageSize, PAGE_EXECUTE_READ, &old);
    mapLocked(base + lockedPageSize, content + lockedPageSize);
    return base;
}

void lockPage(void* page) {
    uint8_t copy[lockedPageSize];
    std::memcpy(copy, page, lockedPageSize);
    VirtualFree(page, 0, MEM_RELEASE);
    mapLocked(page, copy);
}

void unlockPage(void* page) {
    uint8_t copy[lockedPageSize];
    std::memcpy(copy, page, lockedPageSize);
    UnmapViewOfFile(page);
    if (VirtualAlloc(page, lockedPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE) !=
        page) {
        std::abort();
    }
    std::memcpy(page, copy, lockedPageSize);
}

bool isPageWritable(const void* address) {
    MEMORY_BASIC_INFORMATION mbi;
    VirtualQuery(address, &mbi, sizeof mbi);
    return (mbi.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                           PAGE_EXECUTE_WRITECOPY)) != 0;
}
