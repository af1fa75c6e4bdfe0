// Wine's excpt.h offers the structured-exception intrinsics only when asked;
// clang in cl mode has them, as Microsoft's compiler does.
#pragma once
#ifndef USE_COMPILER_EXCEPTIONS
#define USE_COMPILER_EXCEPTIONS
#endif
#include_next <excpt.h>
