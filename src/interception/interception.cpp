// Installing and switching off the interception of the game's indexed draws,
// and the detour that every one of them enters while it is on. A failure is
// reported once, with the code that explains it, and the plugin goes on: it
// still records, only the ID pass and the debug highlight stay empty.
#include "interception/interception.h"

#include "core/kivren.h"
#include "core/plugin_instance.h"
#include "core/reshade_log.h"
#include "hook/hook_engine.h"
#include "interception/method_table.h"
#include "interception/thread_key.h"

#include <fmt/format.h>

#include <atomic>
#include <cstdint>
#include <thread>

void* drawIndexedTrampoline = nullptr;

namespace {
// ---- Draws in flight ----
//
// Switching the hook off keeps new draws out, but a draw that entered just
// before may still be reading the object or running the original method,
// which returns into the detour; the unload waits for them, since the host
// frees the object and unmaps the library right after. The mark is therefore
// held over the original draw too, rather than leaving the detour by a tail
// jump, which no compiler setting can promise.
//
// Each drawing thread marks its draw in a slot of its own with plain stores:
// no read-modify-write, no fence, no thread-local variable (which this
// library could not give up cleanly at unload). The unload reads the slots
// with every other thread stopped, which makes their stores visible, and at
// that moment also checks that no thread is executing the library's code:
// that covers the instructions of the detour before the mark is set and
// after it is cleared.
struct alignas(64) DrawSlot {
    std::atomic<std::uintptr_t> owner{0}; // a thread key; kept for good once taken
    std::atomic<std::uint32_t> depth{0};  // draws of the owner inside the detour
};

constexpr unsigned drawSlotBits = 6;
constexpr std::uint32_t drawSlotCount = 1u << drawSlotBits;
DrawSlot drawSlots[drawSlotCount];
// Draws of threads that found every slot taken.
std::atomic<std::uint32_t> drawsWithoutSlot{0};

std::uint32_t homeSlot(std::uintptr_t key) {
    return static_cast<std::uint32_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - drawSlotBits));
}

// A thread's first draw, or one whose home slot another thread holds: the
// slot it owns further on, or one it takes now. Slots are never given back,
// so a thread finds the same one every time; a new thread with the key of
// one that has ended inherits its slot, idle since that thread left it.
[[gnu::noinline]] DrawSlot* claimSlot(std::uintptr_t key) {
    const std::uint32_t home = homeSlot(key);
    for (std::uint32_t i = 0; i < drawSlotCount; ++i) {
        DrawSlot& slot = drawSlots[(home + i) % drawSlotCount];
        std::uintptr_t owner = slot.owner.load(std::memory_order_relaxed);
        if (owner == 0 && slot.owner.compare_exchange_strong(owner, key))
            return &slot;
        if (owner == key)
            return &slot;
    }
    return nullptr;
}

class DrawInFlight {
public:
    DrawInFlight() noexcept {
        const std::uintptr_t key = currentThreadKey();
        DrawSlot* slot = &drawSlots[homeSlot(key)];
        if (slot->owner.load(std::memory_order_relaxed) != key)
            slot = claimSlot(key);
        slot_ = slot;
        if (slot != nullptr) {
            outer_ = slot->depth.load(std::memory_order_relaxed);
            slot->depth.store(outer_ + 1, std::memory_order_relaxed);
        } else {
            drawsWithoutSlot.fetch_add(1);
        }
        // Only the compiler needs holding back: the unload sees the store
        // once it has stopped this thread.
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
    ~DrawInFlight() {
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (slot_ != nullptr)
            slot_->depth.store(outer_, std::memory_order_release);
        else
            drawsWithoutSlot.fetch_sub(1);
    }
    DrawInFlight(const DrawInFlight&) = delete;
    DrawInFlight& operator=(const DrawInFlight&) = delete;

private:
    DrawSlot* slot_;
    std::uint32_t outer_ = 0;
};

// Each failure is one level-1 line ending in the code that explains it:
// " (status: AlreadyCreated, 3)", the name and number of the engine's answer.
void reportHookFailure(const char* what, hook::HookStatus status) noexcept {
    try {
        logToReShade(logFailure,
                     fmt::format("[Kivren] {} (status: {}, {})", what, hook::hookStatusName(status),
                                 static_cast<std::int32_t>(status)));
    } catch (...) {
        // Out of memory for the line itself: nothing left to report with.
    }
}

// A failed device creation adds its HRESULT.
void reportCaptureFailure(MethodTableStatus status, std::int32_t deviceResult) noexcept {
    try {
        std::string text = fmt::format(
            "[Kivren] The ID pass cannot intercept draws: no Direct3D 11 method table (status: "
            "{}, {})",
            methodTableStatusName(status), static_cast<std::int32_t>(status));
        if (deviceResult < 0)
            text += fmt::format(" (HRESULT 0x{:08X})", static_cast<std::uint32_t>(deviceResult));
        logToReShade(logFailure, text);
    } catch (...) {
    }
}

// Runs with every other thread stopped: loads only.
bool noDrawInFlight(void*) {
    for (const DrawSlot& slot : drawSlots) {
        if (slot.depth.load(std::memory_order_acquire) != 0)
            return false;
    }
    return drawsWithoutSlot.load(std::memory_order_acquire) == 0;
}
} // namespace

void STDMETHODCALLTYPE drawIndexedDetour(ID3D11DeviceContext* context, UINT indexCount,
                                         UINT startIndexLocation, INT baseVertexLocation) {
    const DrawInFlight inFlight;
    // Outside a replay the plugin has nothing to do, so the draw does not
    // even enter it; onDrawIndexed makes the same test first. It keeps its
    // own failures to itself.
    if (Kivren* plugin = pluginObject(); plugin && plugin->inReplay())
        plugin->onDrawIndexed(context);
    // The game's draw, after the plugin's work, exactly as the game issued it.
    const auto original = reinterpret_cast<DrawIndexedMethod>(drawIndexedTrampoline);
    original(context, indexCount, startIndexLocation, baseVertexLocation);
}

void Kivren::installInterception() {
    std::int32_t deviceResult = 0;
    const MethodTableStatus captured = captureMethodTable(RenderType::Direct3D11, &deviceResult);
    if (captured != MethodTableStatus::Success || capturedRenderType == RenderType::None) {
        // A process without d3d11 (a game on another interface, a test
        // program) has no draw to intercept: that is no failure.
        if (captured != MethodTableStatus::ModuleNotFound)
            reportCaptureFailure(captured, deviceResult);
        return;
    }
    void* target = methodTable[drawIndexedEntry];
    // A second load in the same process finds the target already known to
    // the engine (AlreadyCreated) and leaves the draws alone.
    const hook::HookStatus created = hook::createHook(
        target, reinterpret_cast<void*>(&drawIndexedDetour), &drawIndexedTrampoline);
    if (created != hook::HookStatus::Ok) {
        reportHookFailure("The ID pass cannot intercept draws: the hook on DrawIndexed was refused",
                          created);
        return;
    }
    const hook::HookStatus enabled = hook::enableHook(target);
    if (enabled != hook::HookStatus::Ok)
        reportHookFailure("The ID pass cannot intercept draws: the hook on DrawIndexed could not "
                          "be switched on",
                          enabled);
}

void Kivren::removeInterception() {
    const hook::HookStatus disabled = releaseMethodTable();
    if (disabled != hook::HookStatus::Ok)
        reportHookFailure("The hook on DrawIndexed could not be switched off", disabled);
    // Without a hook of this library's, no draw ever came in.
    if (drawIndexedTrampoline == nullptr)
        return;
    // No draw enters any more; let those inside leave. Waiting on the slots
    // first spares stopping every thread again and again while a draw runs.
    while (!hook::otherThreadsOutside(reinterpret_cast<const void*>(&drawIndexedDetour),
                                      noDrawInFlight, nullptr)) {
        while (!noDrawInFlight(nullptr))
            std::this_thread::yield();
        std::this_thread::yield();
    }
}
