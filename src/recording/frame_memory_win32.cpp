// Frame buffers committed whole by VirtualAlloc, outside the process heap, so
// that a recording's buffers never fragment the heap the game allocates from.
#include "recording/frame_memory.h"

#include <windows.h>

std::uint8_t* reserveFrameMemory(std::size_t size) {
    auto* memory = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!memory)
        return nullptr;
    // Every page is faulted in here, ahead of the packing: streaming stores
    // into a page the fault has only just zeroed through the caches would be
    // slower than plain ones.
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    for (std::size_t offset = 0; offset < size; offset += system.dwPageSize)
        static_cast<volatile std::uint8_t*>(memory)[offset] = 0;
    return memory;
}

void releaseFrameMemory(std::uint8_t* memory, std::size_t) {
    VirtualFree(memory, 0, MEM_RELEASE);
}
