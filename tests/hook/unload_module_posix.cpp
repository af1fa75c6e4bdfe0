// A module with a copy of the hook engine of its own, which the unload test
// maps, uses for one hook operation and unmaps at once, as the host does with
// the plugin.
#include "hook/hook_engine.h"
#include "hook_test_functions.h"

using namespace hook;

namespace {

int detour() {
    return 0;
}

} // namespace

// Switches a hook on and off, each time stopping every other thread; 0 on
// success.
extern "C" __attribute__((visibility("default"))) int switchHookOnce() {
    void* target = reinterpret_cast<void*>(&hookTargetForThreads);
    void* trampoline = nullptr;
    if (initHookEngine() != HookStatus::Ok ||
        createHook(target, reinterpret_cast<void*>(&detour), &trampoline) != HookStatus::Ok) {
        return 1;
    }
    const HookStatus on = enableHook(target);
    const HookStatus off = disableHook(allHooks);
    return on == HookStatus::Ok && off == HookStatus::Ok ? 0 : 2;
}
