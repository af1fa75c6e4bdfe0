// The host unmaps the plugin, and the engine inside it, right after its last
// hook operation. Every thread that operation stopped must be out of the
// library's code by then, or it crashes on the way out of the stop. Other
// threads spin meanwhile so that each operation has threads to stop.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <thread>
#include <vector>

// The engine keeps its records for the life of the process; once the module
// that made them is gone, the leak checker sees them as lost.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:switchInFreshModule\n";
}

namespace {

bool moduleMapped() {
    FILE* maps = std::fopen("/proc/self/maps", "r");
    char line[4096];
    bool found = false;
    while (maps != nullptr && !found && std::fgets(line, sizeof line, maps) != nullptr) {
        found = std::strstr(line, HOOK_UNLOAD_MODULE) != nullptr;
    }
    if (maps != nullptr) {
        std::fclose(maps);
    }
    return found;
}

// Loads the module, lets it switch its hook, unloads it; what the module's
// function answered, or -1 when the module could not be used.
__attribute__((noinline)) int switchInFreshModule() {
    void* module = dlopen(HOOK_UNLOAD_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        return -1;
    }
    auto* switchHook = reinterpret_cast<int (*)()>(dlsym(module, "switchHookOnce"));
    const int result = switchHook != nullptr ? switchHook() : -1;
    dlclose(module);
    return result;
}

TEST(EngineUnload, NoStoppedThreadIsLeftInTheUnmappedEngine) {
    constexpr int spinners = 4;
    constexpr int rounds = 100;
    std::atomic<bool> stop{false};
    std::vector<std::atomic<uint64_t>> spins(spinners);
    std::vector<std::thread> threads;
    for (int i = 0; i < spinners; ++i) {
        threads.emplace_back([&, i] {
            while (!stop.load(std::memory_order_relaxed)) {
                spins[i].fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    int unmapped = 0;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_EQ(switchInFreshModule(), 0) << "round " << round;
        unmapped += moduleMapped() ? 0 : 1;
    }
    stop = true;
    for (std::thread& t : threads) {
        t.join();
    }
    // Without a real unmapping the rounds above prove nothing.
    EXPECT_EQ(unmapped, rounds);
    for (int i = 0; i < spinners; ++i) {
        EXPECT_GT(spins[i].load(), 0u) << "thread " << i << " never ran";
    }
}

} // namespace
