#pragma once
// A crashing test program must end at once with a message, never wait in a
// debugger until the suite's time-out.
void installCrashHandling();
