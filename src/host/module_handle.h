#pragma once
// HMODULE, the identity of a loaded library. On Windows it is the system's;
// elsewhere the stand-in loader passes the dlopen handle under the same name,
// so the ReShade exports keep their real signatures.

#if defined(_WIN32)
#include <windows.h>
#else
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
#endif
