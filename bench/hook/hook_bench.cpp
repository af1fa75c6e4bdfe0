// Cost of a call through a hook whose detour only tail-calls the trampoline,
// against the direct call in the same run; and the time of enableHook plus
// disableHook(allHooks) with 0, 8 and 64 other threads calling the target.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "hook/hook_engine.h"

using namespace hook;

extern "C" int benchCallTarget(int);
extern "C" int benchToggleTarget(int);

// Two-instruction functions, so that the trampoline moves exactly what a
// typical prologue would.
asm(R"(
    .intel_syntax noprefix
    .text
    .p2align 4
    .globl benchCallTarget
benchCallTarget:
    mov eax, edi
    add eax, 1
    ret
    .p2align 4
    .globl benchToggleTarget
benchToggleTarget:
    mov eax, edi
    add eax, 2
    ret
    .att_syntax prefix
)");

namespace {

using IntToInt = int (*)(int);
IntToInt callTrampoline;
IntToInt toggleTrampoline;

int callDetour(int x) {
    return callTrampoline(x);
}
int toggleDetour(int x) {
    return toggleTrampoline(x);
}

void installHooks() {
    static const bool installed = [] {
        void* t = nullptr;
        initHookEngine();
        createHook(reinterpret_cast<void*>(&benchCallTarget), reinterpret_cast<void*>(&callDetour),
                   &t);
        callTrampoline = reinterpret_cast<IntToInt>(t);
        createHook(reinterpret_cast<void*>(&benchToggleTarget),
                   reinterpret_cast<void*>(&toggleDetour), &t);
        toggleTrampoline = reinterpret_cast<IntToInt>(t);
        return true;
    }();
    (void)installed;
}

void callLoop(benchmark::State& state) {
    if (callTrampoline == nullptr || toggleTrampoline == nullptr) {
        state.SkipWithError("createHook failed");
        return;
    }
    IntToInt volatile f = benchCallTarget;
    int x = 0;
    for (auto _ : state) {
        x = f(x);
        benchmark::DoNotOptimize(x);
    }
}

void BM_DirectCall(benchmark::State& state) {
    installHooks();
    disableHook(allHooks);
    callLoop(state);
}

void BM_HookedCall(benchmark::State& state) {
    installHooks();
    if (enableHook(reinterpret_cast<void*>(&benchCallTarget)) > HookStatus::AlreadyEnabled) {
        state.SkipWithError("enableHook failed");
        return;
    }
    callLoop(state);
    disableHook(allHooks);
}

void BM_EnableDisable(benchmark::State& state) {
    installHooks();
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int64_t i = 0; i < state.range(0); ++i) {
        threads.emplace_back([&stop] {
            IntToInt volatile f = benchToggleTarget;
            int x = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                x = f(x);
            }
            benchmark::DoNotOptimize(x);
        });
    }
    void* target = reinterpret_cast<void*>(&benchToggleTarget);
    for (auto _ : state) {
        enableHook(target);
        disableHook(allHooks);
    }
    stop = true;
    for (std::thread& t : threads) {
        t.join();
    }
}

BENCHMARK(BM_DirectCall);
BENCHMARK(BM_HookedCall);
BENCHMARK(BM_EnableDisable)->Arg(0)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Prints the added cost of the hook from the two call figures of this run.
class AddedCostReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            realNs_[run.benchmark_name()] = run.GetAdjustedRealTime();
            cpuNs_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // CPU time is the steadier figure on a shared machine.
        if (realNs_.count("BM_DirectCall") != 0 && realNs_.count("BM_HookedCall") != 0) {
            std::printf("Hooked call adds %.2f ns of CPU time (%.2f -> %.2f), %.2f ns real time\n",
                        cpuNs_["BM_HookedCall"] - cpuNs_["BM_DirectCall"], cpuNs_["BM_DirectCall"],
                        cpuNs_["BM_HookedCall"],
                        realNs_["BM_HookedCall"] - realNs_["BM_DirectCall"]);
        }
    }

private:
    std::map<std::string, double> realNs_;
    std::map<std::string, double> cpuNs_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    AddedCostReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
