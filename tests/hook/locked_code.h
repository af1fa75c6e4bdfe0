#pragma once
// Executable memory whose protection the engine cannot raise to writable,
// as a read-only mapped file's pages are on Linux or a read-execute view of
// a section is on Windows.

#include <cstddef>
#include <cstdint>

inline constexpr size_t lockedPageSize = 4096;

// Two adjacent pages holding `content` (2 pages): the first ordinary
// read-execute memory, the second locked.
uint8_t* mapOrdinaryThenLockedPages(const uint8_t* content);

// Puts a locked copy of the page in its place, or an ordinary one back.
void lockPage(void* page);
void unlockPage(void* page);

bool isPageWritable(const void* address);
