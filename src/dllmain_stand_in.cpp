// The library entry on systems without a loader that calls one: the stand-in
// host's loader calls DllMain right after dlopen (attach, 1) and before
// dlclose (detach, 0), with the dlopen handle as the module, exactly as the
// Windows loader does. When attach answers 0 the loader runs detach and
// unmaps the library.
#include "dllmain.h"

namespace {
constexpr unsigned long processDetach = 0;
constexpr unsigned long processAttach = 1;
} // namespace

extern "C" __attribute__((visibility("default"))) int DllMain(HMODULE module, unsigned long reason,
                                                              void*) {
    if (reason == processAttach)
        return libraryAttach(module) ? 1 : 0;
    if (reason == processDetach)
        libraryDetach(module);
    return 1;
}
