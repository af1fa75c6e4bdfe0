#pragma once
// Functions written in assembly (hook_test_functions.cpp) so that their first
// bytes are exactly the cases the engine must handle. None takes arguments,
// so that they are called alike under the System V and Windows conventions.

extern "C" {
int hookTargetIpRelative();   // mov eax, [rip+x] first; 42
int hookTargetRelativeCall(); // call first; 42
int hookTargetJumpTaken();    // xor; jz out of the first 5 bytes; 43
int hookTargetJumpNotTaken(); // xor; jnz out of the first 5 bytes; 44
int hookTargetPaddedAfter();  // 4 bytes, then INT3 padding; 45
int hookTargetPaddedBefore(); // 4 bytes between INT3 padding and more code; 46
int hookTargetAfterShort();   // the code right after it; 47
int hookTargetLoop();         // LOOP beyond the first 5 bytes
int hookTargetForThreads();   // five one-byte NOPs first; 48
}

using IntFunction = int (*)();
