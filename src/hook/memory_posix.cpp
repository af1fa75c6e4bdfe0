// Memory on Linux: /proc/self/maps answers what VirtualQuery answers on
// Windows, mmap and mprotect stand where VirtualAlloc and VirtualProtect do.
#include "hook/memory.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

// The code-write functions run while other threads are stopped, and the
// maps reader may: raw system calls on fixed buffers only, no stdio, no
// malloc, no dynamic-linker lookups, any of which could wait forever for a
// lock a stopped thread holds.

namespace hook {

namespace {

// Reads /proc/self/maps line by line with read(2) into a fixed buffer.
class MapsReader {
public:
    MapsReader()
        : fd_(static_cast<int>(
              syscall(SYS_openat, AT_FDCWD, "/proc/self/maps", O_RDONLY | O_CLOEXEC))) {}
    ~MapsReader() {
        if (fd_ >= 0) {
            syscall(SYS_close, fd_);
        }
    }
    MapsReader(const MapsReader&) = delete;
    MapsReader& operator=(const MapsReader&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Fills start, end and whether the mapping is executable; false at the end.
    bool next(uintptr_t& start, uintptr_t& end, uint32_t& protection) {
        uint64_t file = 0;
        return next(start, end, protection, file);
    }

    // Also the mapped file's device and inode folded into one number, 0 for
    // anonymous memory.
    bool next(uintptr_t& start, uintptr_t& end, uint32_t& protection, uint64_t& file) {
        char* line = nullptr;
        if (!nextLine(line)) {
            return false;
        }
        char* p = line;
        start = parseHex(p);
        ++p; // '-'
        end = parseHex(p);
        ++p; // ' '
        protection = (p[0] == 'r' ? PROT_READ : 0) | (p[1] == 'w' ? PROT_WRITE : 0) |
                     (p[2] == 'x' ? PROT_EXEC : 0);
        // "perms offset major:minor inode"
        p += 5;
        parseHex(p); // offset
        ++p;
        const uint64_t major = parseHex(p);
        ++p; // ':'
        const uint64_t minor = parseHex(p);
        ++p;
        uint64_t inode = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            inode = inode * 10 + static_cast<uint64_t>(*p - '0');
        }
        file = inode == 0 ? 0 : (major << 52 ^ minor << 40 ^ inode);
        return true;
    }

private:
    static uintptr_t parseHex(char*& p) {
        uintptr_t v = 0;
        for (;; ++p) {
            char c = *p;
            if (c >= '0' && c <= '9') {
                v = v * 16 + static_cast<uintptr_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                v = v * 16 + static_cast<uintptr_t>(c - 'a' + 10);
            } else {
                return v;
            }
        }
    }

    bool nextLine(char*& line) {
        for (;;) {
            for (size_t i = pos_; i < len_; ++i) {
                if (buf_[i] == '\n') {
                    buf_[i] = '\0';
                    line = buf_ + pos_;
                    pos_ = i + 1;
                    return true;
                }
            }
            // Keep the start of a partial line, dropping the tail of an
            // overlong path: only the leading fields matter.
            size_t keep = len_ - pos_;
            if (keep == sizeof buf_ - 1) {
                keep = 64;
            }
            std::memmove(buf_, buf_ + pos_, keep);
            len_ = keep;
            pos_ = 0;
            if (fd_ < 0) {
                return false;
            }
            long n = syscall(SYS_read, fd_, buf_ + len_, sizeof buf_ - 1 - len_);
            if (n <= 0) {
                return false;
            }
            len_ += static_cast<size_t>(n);
        }
    }

    int fd_;
    char buf_[4096];
    size_t len_ = 0;
    size_t pos_ = 0;
};
} // namespace

AddressLimits addressLimits() {
    // Above mmap_min_addr's usual 64 KiB, below the 47-bit user space top.
    return AddressLimits{0x10000, 0x7FFFFFFFEFFF, pageSize};
}

// A mapping's allocation is the run of adjacent mappings of the same file it
// belongs to (a module's segments, or a segment split by protection changes),
// as the image is on Windows; anonymous memory is its own allocation.
bool queryRegion(uintptr_t address, MemoryRegion& region) {
    MapsReader maps;
    if (!maps.ok() || address < addressLimits().lowest || address > addressLimits().highest) {
        return false;
    }
    uintptr_t previousEnd = addressLimits().lowest;
    uint64_t previousFile = 0;
    uintptr_t runStart = 0;
    uintptr_t start = 0;
    uintptr_t end = 0;
    uint32_t protection = 0;
    uint64_t file = 0;
    while (maps.next(start, end, protection, file)) {
        if (address < start) {
            break;
        }
        if (file == 0 || file != previousFile || start != previousEnd) {
            runStart = start;
        }
        if (address < end) {
            region = MemoryRegion{start, end - start, runStart,
                                  false, true,        (protection & PROT_EXEC) != 0};
            return true;
        }
        previousEnd = end;
        previousFile = file;
    }
    const uintptr_t top = addressLimits().highest + 1;
    const uintptr_t gapEnd = address < start && start < top ? start : top;
    region = MemoryRegion{previousEnd, gapEnd - previousEnd, previousEnd, true, false, false};
    return true;
}

bool isExecutableAddress(uintptr_t address) {
    MemoryRegion region;
    return queryRegion(address, region) && region.committed && region.executable;
}

void* allocateBlockAt(uintptr_t address, size_t size) {
    void* p = mmap(reinterpret_cast<void*>(address), size, PROT_READ | PROT_WRITE | PROT_EXEC,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    // Kernels before 4.17 take the flag as a mere hint.
    if (reinterpret_cast<uintptr_t>(p) != address) {
        munmap(p, size);
        return nullptr;
    }
    return p;
}

void releaseBlock(void* block, size_t size) {
    munmap(block, size);
}

// The C heap serves as the private heap: the engine never allocates while
// threads are stopped, so it cannot meet a lock held by one of them.
void* createHookHeap() {
    static int heapToken;
    return &heapToken;
}

void* heapAllocate(void*, size_t size) {
    return std::malloc(size);
}

void* heapReallocate(void*, void* memory, size_t size) {
    return std::realloc(memory, size);
}

void heapFree(void*, void* memory) {
    std::free(memory);
}

bool prepareCodeWrite(uintptr_t address, size_t size, CodeWrite& write) {
    if (!spanCodeWrite(address, size, write)) {
        return false;
    }
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        MapsReader maps;
        const uintptr_t page = write.firstPage + i * pageSize;
        uintptr_t start = 0;
        uintptr_t end = 0;
        uint32_t protection = 0;
        bool found = false;
        while (!found && maps.next(start, end, protection)) {
            found = page >= start && page < end;
        }
        if (!found) {
            return false;
        }
        write.oldProtection[i] = protection;
    }
    return true;
}

bool openCodeWrite(CodeWrite& write) {
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        void* page = reinterpret_cast<void*>(write.firstPage + i * pageSize);
        if (mprotect(page, pageSize, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
            while (i-- > 0) {
                mprotect(reinterpret_cast<void*>(write.firstPage + i * pageSize), pageSize,
                         static_cast<int>(write.oldProtection[i]));
            }
            return false;
        }
    }
    return true;
}

void closeCodeWrite(const CodeWrite& write) {
    for (uint32_t i = 0; i < write.pageCount; ++i) {
        mprotect(reinterpret_cast<void*>(write.firstPage + i * pageSize), pageSize,
                 static_cast<int>(write.oldProtection[i]));
    }
    char* begin = reinterpret_cast<char*>(write.address);
    __builtin___clear_cache(begin, begin + write.size);
}

} // namespace hook
