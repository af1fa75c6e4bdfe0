// Start-up and shut-down shared by every Windows module we build: the C and
// C++ initialiser tables the compiler fills, and static destructors kept in
// the right table. This is the part of Microsoft's static runtime that each
// module carries; everything else comes from the shared DLLs (ucrtbase,
// vcruntime140, msvcp140), so that host and plugin share one heap and one
// exception machinery. The entry points are in files of their own, so that
// a DLL does not pull in the executable's (which needs a main).
#include <windows.h>

#include <corecrt_startup.h>
#include <stdlib.h>

#include "runtime/crt_internal.h"

// The compiler places pointers to initialisers between these markers; the
// linker sorts the sections by the text after '$'.
#pragma section(".CRT$XIA", long, read)
#pragma section(".CRT$XIZ", long, read)
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)

extern "C" {
__declspec(allocate(".CRT$XIA")) _PIFV __xi_a[] = {nullptr};
__declspec(allocate(".CRT$XIZ")) _PIFV __xi_z[] = {nullptr};
__declspec(allocate(".CRT$XCA")) _PVFV __xc_a[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) _PVFV __xc_z[] = {nullptr};

_ACRTIMP int __cdecl _initterm_e(_PIFV* first, _PIFV* last);
_ACRTIMP void __cdecl _initterm(_PVFV* first, _PVFV* last);
_VCRTIMP void __cdecl __std_type_info_destroy_list(__type_info_node* root);
}

// The thread-static machinery must be in every image, so that the loader
// sets up its TLS slot even when no object of the module asks for it by name.
#pragma comment(linker, "/INCLUDE:_tls_used")

namespace {
// A DLL runs its static destructors when it is unloaded, so it keeps a table
// of its own; an executable leaves them to exit().
bool moduleIsDll = false;
_onexit_table_t moduleExitTable{};
} // namespace

bool crt::startDllModule() {
    moduleIsDll = true;
    return _initialize_onexit_table(&moduleExitTable) == 0;
}

bool crt::runInitialisers() {
    if (_initterm_e(__xi_a, __xi_z) != 0)
        return false;
    _initterm(__xc_a, __xc_z);
    return true;
}

void crt::runModuleExitTable() {
    _execute_onexit_table(&moduleExitTable);
    __std_type_info_destroy_list(&__type_info_root_node);
}

extern "C" int __cdecl atexit(_PVFV function) {
    if (!moduleIsDll)
        return _crt_atexit(function);
    return _register_onexit_function(&moduleExitTable, reinterpret_cast<_onexit_t>(function));
}

extern "C" _onexit_t __cdecl _onexit(_onexit_t function) {
    if (!moduleIsDll)
        return _crt_atexit(reinterpret_cast<_PVFV>(function)) == 0 ? function : nullptr;
    return _register_onexit_function(&moduleExitTable, function) == 0 ? function : nullptr;
}
