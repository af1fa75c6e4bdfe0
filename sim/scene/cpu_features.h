// What the processor offers, for choosing a code path at run time.
#pragma once

// True when the processor and the operating system both support AVX2
// (the system must save the wider registers across thread switches).
bool cpuHasAvx2() noexcept;
