#pragma once
// A number that tells the calling thread apart from every other live thread,
// read with a single instruction, for the draw path to find its own slot.

#include <cstdint>

// The thread's own control block: distinct between live threads, reused only
// after the thread has ended.
std::uintptr_t currentThreadKey() noexcept;
