// The DllMain of a module that defines none. It sits in a file of its own so
// that the linker takes it only when the module lacks one.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
