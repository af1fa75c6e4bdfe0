// The entry point of a DLL: initialisers before DllMain, static destructors
// after its last call.
#include <windows.h>

#include "runtime/crt_internal.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

namespace {
// Whether DllMain accepted the attach and has not been detached since.
bool processAttached = false;
} // namespace

extern "C" BOOL WINAPI _DllMainCRTStartup(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        __security_init_cookie();
        crt::detectInstructionSet();
        if (!crt::startDllModule() || !crt::runInitialisers())
            return FALSE;
        if (!DllMain(module, reason, reserved)) {
            // Undo the attach at once, as Microsoft's runtime does.
            DllMain(module, DLL_PROCESS_DETACH, reserved);
            crt::runModuleExitTable();
            return FALSE;
        }
        processAttached = true;
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        // After a refused attach the loader still sends a detach; DllMain
        // has already had its one.
        if (!processAttached)
            return FALSE;
        processAttached = false;
        const BOOL result = DllMain(module, reason, reserved);
        crt::runModuleExitTable();
        return result;
    }
    return DllMain(module, reason, reserved);
}
