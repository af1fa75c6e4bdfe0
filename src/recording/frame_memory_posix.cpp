// Frame buffers mapped and populated in one call: a fresh 1080p frame would
// otherwise take two thousand page faults on the render thread while it is
// packed, each a trap into the kernel that zeroes its page through the caches
// just before a streaming store lands on it. Populating the range up front
// does the same work in one pass, and the packing then runs at full speed.
#include "recording/frame_memory.h"

#include <sys/mman.h>

std::uint8_t* reserveFrameMemory(std::size_t size) {
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return nullptr;
#ifdef MADV_POPULATE_WRITE
    // Kernels before 5.14 refuse it: the pages then fault in as they are packed.
    madvise(memory, size, MADV_POPULATE_WRITE);
#endif
    return static_cast<std::uint8_t*>(memory);
}

void releaseFrameMemory(std::uint8_t* memory, std::size_t size) {
    munmap(memory, size);
}
