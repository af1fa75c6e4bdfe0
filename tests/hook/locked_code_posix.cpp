#include "locked_code.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A shared mapping of a file opened read-only can never be made writable.
void mapLocked(void* at, const uint8_t* content) {
    int fd = memfd_create("kivren-locked-code", 0);
    if (fd < 0 || write(fd, content, lockedPageSize) != static_cast<ssize_t>(lockedPageSize)) {
        std::abort();
    }
    int readOnly = open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY);
    if (readOnly < 0 || mmap(at, lockedPageSize, PROT_READ | PROT_EXEC, MAP_SHARED | MAP_FIXED,
                             readOnly, 0) != at) {
        std::abort();
    }
    close(readOnly);
    close(fd);
}

} // namespace

uint8_t* mapOrdinaryThenLockedPages(const uint8_t* content) {
    void* p = mmap(nullptr, 2 * lockedPageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED) {
        std::abort();
    }
    auto* base = static_cast<uint8_t*>(p);
    std::memcpy(base, content, lockedPageSize);
    mprotect(base, lockedPageSize, PROT_READ | PROT_EXEC);
    mapLocked(base + lockedPageSize, content + lockedPageSize);
    return base;
}

void lockPage(void* page) {
    uint8_t copy[lockedPageSize];
    std::memcpy(copy, page, lockedPageSize);
    mapLocked(page, copy);
}

void unlockPage(void* page) {
    uint8_t copy[lockedPageSize];
    std::memcpy(copy, page, lockedPageSize);
    if (mmap(page, lockedPageSize, PROT_READ | PROT_WRITE | PROT_EXEC,
             MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != page) {
        std::abort();
    }
    std::memcpy(page, copy, lockedPageSize);
}

bool isPageWritable(const void* address) {
    const auto a = reinterpret_cast<uintptr_t>(address);
    FILE* maps = std::fopen("/proc/self/maps", "r");
    char line[512];
    bool writable = false;
    while (maps != nullptr && std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long start = 0;
        unsigned long end = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &start, &end, perms) == 3 && a >= start && a < end) {
            writable = perms[1] == 'w';
        }
    }
    if (maps != nullptr) {
        std::fclose(maps);
    }
    return writable;
}
