#pragma once
// What the hook engine needs from the operating system's scheduler: stopping
// every other thread of the process while code is patched, and moving a
// stopped thread's instruction pointer out of the bytes that change.
// threads_win32.cpp and threads_posix.cpp implement it.

#include <cstdint>

namespace hook {

// Installs what stopping threads needs; runs once, from initHookEngine.
bool prepareThreadFreezing();

// The other threads of the process, stopped. Each item identifies a stopped
// thread to the platform; 0 marks one that could not be stopped and was left
// running. Everything that allocates or reads system files happens in
// freezeOtherThreads before the first thread stops; between freezing and
// thawing, the platform makes system calls only.
struct ThreadList {
    uintptr_t* items = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;
};

// Moves a stopped thread's instruction pointer; true when it changed `ip`.
// Runs while threads are stopped, so it must not allocate or lock.
using InstructionPointerMover = bool (*)(uintptr_t& ip, void* context);

// `heap` is the engine's private heap, which holds the list.
void freezeOtherThreads(void* heap, ThreadList& threads);
void moveInstructionPointers(const ThreadList& threads, InstructionPointerMover mover,
                             void* context);
void thawOtherThreads(void* heap, ThreadList& threads);

void sleepMilliseconds(uint32_t milliseconds);

} // namespace hook
