#include "hook/hook_engine.h"

#include "hook/hook_state.h"
#include "hook/memory.h"
#include "hook/threads.h"
#include "hook/trampoline_builder.h"
#include "hook/trampoline_slots.h"

#include <cstring>

namespace hook {

std::atomic<int32_t> hookLock{0};
void* hookHeap = nullptr;
HookTable hookTable;
std::atomic<uint32_t> movedInstructionPointers{0};
std::atomic<uint32_t> threadFreezes{0};

namespace {

constexpr uint32_t initialTableCapacity = 32;
// Enough for the decoder to finish an instruction that starts in the first
// five bytes, and to see the padding after a short function.
constexpr size_t codeWindow = 32;

class HookLockGuard {
public:
    HookLockGuard() {
        int32_t expected = 0;
        for (uint32_t attempt = 0; !hookLock.compare_exchange_strong(expected, 1); ++attempt) {
            expected = 0;
            sleepMilliseconds(attempt < 32 ? 0 : 1);
        }
    }
    ~HookLockGuard() { hookLock.exchange(0); }
    HookLockGuard(const HookLockGuard&) = delete;
    HookLockGuard& operator=(const HookLockGuard&) = delete;
};

uintptr_t addressOf(const void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

HookEntry* findEntry(const void* target) {
    for (uint32_t i = 0; i < hookTable.size; ++i) {
        if (hookTable.items[i].target == target) {
            return &hookTable.items[i];
        }
    }
    return nullptr;
}

HookEntry* appendEntry() {
    if (hookTable.items == nullptr) {
        void* items = heapAllocate(hookHeap, initialTableCapacity * sizeof(HookEntry));
        if (items == nullptr) {
            return nullptr;
        }
        hookTable.items = static_cast<HookEntry*>(items);
        hookTable.capacity = initialTableCapacity;
    } else if (hookTable.size == hookTable.capacity) {
        const uint32_t capacity = hookTable.capacity * 2;
        void* items = heapReallocate(hookHeap, hookTable.items, capacity * sizeof(HookEntry));
        if (items == nullptr) {
            return nullptr;
        }
        hookTable.items = static_cast<HookEntry*>(items);
        hookTable.capacity = capacity;
    }
    HookEntry* entry = &hookTable.items[hookTable.size++];
    std::memset(entry, 0, sizeof *entry);
    return entry;
}

// How many bytes can be read from `address` on: up to `wanted`, through
// adjacent executable regions.
size_t readableCode(uintptr_t address, size_t wanted) {
    size_t readable = 0;
    while (readable < wanted) {
        MemoryRegion region;
        if (!queryRegion(address + readable, region) || !region.committed || !region.executable) {
            break;
        }
        readable = region.base + region.size - address;
    }
    return readable < wanted ? readable : wanted;
}

uintptr_t patchStart(const HookEntry& e) {
    return addressOf(e.target) - (e.patchAbove ? 5 : 0);
}

size_t patchLength(const HookEntry& e) {
    return e.patchAbove ? patchAboveSize : patchSize;
}

// Entries whose patch changed in this operation, and in which direction.
struct ChangedHooks {
    HookEntry** entries;
    uint32_t count;
    bool enabled;
};

bool moveToEquivalent(uintptr_t& ip, void* context) {
    const auto& changed = *static_cast<const ChangedHooks*>(context);
    for (uint32_t h = 0; h < changed.count; ++h) {
        const HookEntry& e = *changed.entries[h];
        const uintptr_t target = addressOf(e.target);
        const uintptr_t trampoline = addressOf(e.trampoline);
        uintptr_t moved = 0;
        if (!changed.enabled && e.patchAbove && ip == target - 5) {
            moved = target;
        }
        for (uint32_t i = 0; moved == 0 && i < e.ipCount; ++i) {
            if (changed.enabled && ip == target + e.oldOffsets[i]) {
                moved = trampoline + e.newOffsets[i];
            } else if (!changed.enabled && ip == trampoline + e.newOffsets[i]) {
                moved = target + e.oldOffsets[i];
            }
        }
        if (moved == 0 && !changed.enabled && ip == addressOf(e.relay)) {
            moved = target;
        }
        if (moved != 0) {
            ip = moved;
            movedInstructionPointers.fetch_add(1, std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

// Writes the patch on or off; other threads are stopped. `write` was
// prepared for the entry's patch range before they were.
HookStatus applyPatch(HookEntry& e, bool enable, CodeWrite& write) {
    uint8_t bytes[8];
    const uintptr_t start = patchStart(e);
    if (enable) {
        writeRelativeJump(bytes, start, addressOf(e.relay));
        if (e.patchAbove) {
            bytes[5] = 0xEB; // back onto the jump just above
            bytes[6] = 0xF9;
        }
    } else {
        std::memcpy(bytes, e.backup, sizeof bytes);
    }
    if (!openCodeWrite(write)) {
        return HookStatus::MemoryProtect;
    }
    std::memcpy(reinterpret_cast<void*>(start), bytes, patchLength(e));
    closeCodeWrite(write);
    e.isEnabled = enable;
    return HookStatus::Ok;
}

// The span of executable pages of the allocation (on Linux, the mapping)
// holding `address`: the code of the module it belongs to.
bool moduleCode(uintptr_t address, uintptr_t& begin, uintptr_t& end) {
    MemoryRegion region;
    if (!queryRegion(address, region) || !region.committed || !region.executable) {
        return false;
    }
    begin = region.base;
    end = region.base + region.size;
    MemoryRegion next;
    for (uintptr_t cursor = region.allocationBase;
         queryRegion(cursor, next) && !next.free && next.allocationBase == region.allocationBase;
         cursor = next.base + next.size) {
        if (next.committed && next.executable) {
            begin = next.base < begin ? next.base : begin;
            end = next.base + next.size > end ? next.base + next.size : end;
        }
    }
    return true;
}

struct CodeSpan {
    uintptr_t begin;
    uintptr_t end;
    bool entered;
};

// Looks only: a stopped thread keeps its instruction pointer.
bool noteIfInside(uintptr_t& ip, void* context) {
    auto& span = *static_cast<CodeSpan*>(context);
    span.entered = span.entered || (ip >= span.begin && ip < span.end);
    return false;
}

HookStatus buildHook(void* target, void* detour, uint8_t* slot, HookEntry& entry) {
    uint8_t code[codeWindow];
    const size_t codeSize = readableCode(addressOf(target), codeWindow);
    std::memcpy(code, target, codeSize);
    TrampolineSource source;
    source.target = addressOf(target);
    source.code = code;
    source.codeSize = codeSize;
    if (source.target > 5 && isExecutableAddress(source.target - 5)) {
        source.above = static_cast<const uint8_t*>(target) - 5;
    }
    source.slot = addressOf(slot);
    source.detour = addressOf(detour);
    Trampoline built;
    if (!buildTrampoline(source, built)) {
        return HookStatus::UnsupportedFunction;
    }
    CodeWrite write;
    if (!prepareCodeWrite(addressOf(slot), built.size, write) || !openCodeWrite(write)) {
        return HookStatus::MemoryProtect;
    }
    std::memcpy(slot, built.bytes, built.size);
    closeCodeWrite(write);

    entry.target = target;
    entry.relay = reinterpret_cast<void*>(built.relay);
    entry.trampoline = slot;
    entry.patchAbove = built.patchAbove;
    entry.ipCount = built.ipCount & 0x0F;
    std::memcpy(entry.oldOffsets, built.oldOffsets, sizeof entry.oldOffsets);
    std::memcpy(entry.newOffsets, built.newOffsets, sizeof entry.newOffsets);
    std::memcpy(entry.backup, reinterpret_cast<const void*>(patchStart(entry)), patchLength(entry));
    return HookStatus::Ok;
}

} // namespace

const char* hookStatusName(HookStatus status) {
    switch (status) {
    case HookStatus::Ok:
        return "Ok";
    case HookStatus::NotInitialized:
        return "NotInitialized";
    case HookStatus::AlreadyCreated:
        return "AlreadyCreated";
    case HookStatus::NotCreated:
        return "NotCreated";
    case HookStatus::AlreadyEnabled:
        return "AlreadyEnabled";
    case HookStatus::NotExecutable:
        return "NotExecutable";
    case HookStatus::UnsupportedFunction:
        return "UnsupportedFunction";
    case HookStatus::MemoryAlloc:
        return "MemoryAlloc";
    case HookStatus::MemoryProtect:
        return "MemoryProtect";
    }
    return "Unknown";
}

HookStatus initHookEngine() {
    HookLockGuard lock;
    if (hookHeap == nullptr) {
        void* heap = createHookHeap();
        if (heap == nullptr || !prepareThreadFreezing()) {
            return HookStatus::MemoryAlloc;
        }
        hookHeap = heap;
    }
    return HookStatus::Ok;
}

HookStatus createHook(void* target, void* detour, void** trampolineOut) {
    HookLockGuard lock;
    if (hookHeap == nullptr) {
        return HookStatus::NotInitialized;
    }
    if (!isExecutableAddress(addressOf(target)) || !isExecutableAddress(addressOf(detour))) {
        return HookStatus::NotExecutable;
    }
    if (findEntry(target) != nullptr) {
        return HookStatus::AlreadyCreated;
    }
    uint8_t* slot = nullptr;
    HookStatus status = takeTrampolineSlot(addressOf(target), slot);
    if (status != HookStatus::Ok) {
        return status;
    }
    HookEntry entry{};
    status = buildHook(target, detour, slot, entry);
    if (status != HookStatus::Ok) {
        giveTrampolineSlotBack(slot);
        return status;
    }
    HookEntry* added = appendEntry();
    if (added == nullptr) {
        giveTrampolineSlotBack(slot);
        return HookStatus::MemoryAlloc;
    }
    *added = entry;
    *trampolineOut = slot;
    return HookStatus::Ok;
}

HookStatus enableHook(void* target) {
    HookLockGuard lock;
    if (hookHeap == nullptr) {
        return HookStatus::NotInitialized;
    }
    HookEntry* entry = findEntry(target);
    if (entry == nullptr) {
        return HookStatus::NotCreated;
    }
    if (entry->isEnabled) {
        return HookStatus::AlreadyEnabled;
    }
    CodeWrite write;
    if (!prepareCodeWrite(patchStart(*entry), patchLength(*entry), write)) {
        return HookStatus::MemoryProtect;
    }
    ThreadList threads;
    threadFreezes.fetch_add(1, std::memory_order_relaxed);
    freezeOtherThreads(hookHeap, threads);
    const HookStatus status = applyPatch(*entry, true, write);
    if (status == HookStatus::Ok) {
        ChangedHooks changed{&entry, 1, true};
        moveInstructionPointers(threads, moveToEquivalent, &changed);
    }
    thawOtherThreads(hookHeap, threads);
    return status;
}

HookStatus disableHook(void* target) {
    HookLockGuard lock;
    if (hookHeap == nullptr) {
        return HookStatus::NotInitialized;
    }
    uint32_t enabled = 0;
    for (uint32_t i = 0; i < hookTable.size; ++i) {
        const HookEntry& e = hookTable.items[i];
        enabled += e.isEnabled && (target == allHooks || e.target == target) ? 1 : 0;
    }
    if (enabled == 0) {
        return target == allHooks || findEntry(target) != nullptr ? HookStatus::Ok
                                                                  : HookStatus::NotCreated;
    }
    // Everything the patches need is gathered before any thread stops.
    auto* writes = static_cast<CodeWrite*>(heapAllocate(hookHeap, enabled * sizeof(CodeWrite)));
    auto* entries = static_cast<HookEntry**>(heapAllocate(hookHeap, enabled * sizeof(HookEntry*)));
    if (writes == nullptr || entries == nullptr) {
        heapFree(hookHeap, writes);
        heapFree(hookHeap, entries);
        return HookStatus::MemoryAlloc;
    }
    uint32_t prepared = 0;
    for (uint32_t i = 0; i < hookTable.size; ++i) {
        HookEntry& e = hookTable.items[i];
        if (!e.isEnabled || (target != allHooks && e.target != target)) {
            continue;
        }
        entries[prepared] = &e;
        if (!prepareCodeWrite(patchStart(e), patchLength(e), writes[prepared])) {
            break;
        }
        ++prepared;
    }
    HookStatus status = HookStatus::Ok;
    ThreadList threads;
    threadFreezes.fetch_add(1, std::memory_order_relaxed);
    freezeOtherThreads(hookHeap, threads);
    uint32_t done = 0;
    while (done < enabled && status == HookStatus::Ok) {
        status = done < prepared ? applyPatch(*entries[done], false, writes[done])
                                 : HookStatus::MemoryProtect;
        done += status == HookStatus::Ok ? 1 : 0;
    }
    ChangedHooks changed{entries, done, false};
    moveInstructionPointers(threads, moveToEquivalent, &changed);
    thawOtherThreads(hookHeap, threads);
    heapFree(hookHeap, writes);
    heapFree(hookHeap, entries);
    return status;
}

bool otherThreadsOutside(const void* code, bool (*idle)(void*), void* context) {
    HookLockGuard lock;
    CodeSpan span{0, 0, false};
    if (hookHeap == nullptr || !moduleCode(addressOf(code), span.begin, span.end)) {
        return false;
    }
    ThreadList threads;
    threadFreezes.fetch_add(1, std::memory_order_relaxed);
    freezeOtherThreads(hookHeap, threads);
    moveInstructionPointers(threads, noteIfInside, &span);
    const bool outside = !span.entered && idle(context);
    thawOtherThreads(hookHeap, threads);
    return outside;
}

} // namespace hook
