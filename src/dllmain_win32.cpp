// The Windows library entry: the loader runs it when the DLL is mapped and
// unmapped. Returning FALSE on attach makes LoadLibrary fail; the loader then
// runs the detach path itself.
#include "dllmain.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return libraryAttach(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        libraryDetach(module);
        return TRUE;
    default:
        return TRUE;
    }
}
