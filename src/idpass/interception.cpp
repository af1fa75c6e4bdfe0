// Installing and switching off the interception of the game's indexed draws,
// and the detour that every one of them enters while it is on. Nothing here
// reports a failure: without the interception the plugin still records.
#include "idpass/interception.h"

#include "core/kivren.h"
#include "core/plugin_instance.h"
#include "idpass/hook/hook_engine.h"
#include "idpass/method_table.h"

#include <atomic>
#include <thread>

void* drawIndexedTrampoline = nullptr;

namespace {
// Draws inside the detour. Switching the hook off keeps new draws out, but a
// draw that entered just before may still be reading the object or running
// the original method, which returns into the detour; the unload waits for
// them, since the host frees the object and unmaps the library right after.
// The count is therefore held over the original draw too, rather than
// leaving the detour by a tail jump, which no compiler setting can promise.
std::atomic<int> drawsInDetour{0};
} // namespace

void STDMETHODCALLTYPE drawIndexedDetour(ID3D11DeviceContext* context, UINT indexCount,
                                         UINT startIndexLocation, INT baseVertexLocation) {
    ++drawsInDetour;
    // onDrawIndexed keeps its own failures to itself.
    if (Kivren* plugin = pluginObject())
        plugin->onDrawIndexed(context);
    // The game's draw, after the plugin's work, exactly as the game issued it.
    const auto original = reinterpret_cast<DrawIndexedMethod>(drawIndexedTrampoline);
    original(context, indexCount, startIndexLocation, baseVertexLocation);
    --drawsInDetour;
}

void Kivren::installInterception() {
    if (captureMethodTable(renderTypeDirect3D11) != MethodTableStatus::Success ||
        capturedRenderType == renderTypeNone)
        return;
    void* target = methodTable[drawIndexedEntry];
    // A second load in the same process finds the target already known to
    // the engine and leaves the draws alone.
    if (createHook(target, reinterpret_cast<void*>(&drawIndexedDetour), &drawIndexedTrampoline) !=
        HookOk)
        return;
    enableHook(target);
}

void Kivren::removeInterception() {
    releaseMethodTable();
    // No draw enters any more; let those inside leave.
    while (drawsInDetour.load() != 0)
        std::this_thread::yield();
}
