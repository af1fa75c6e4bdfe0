// Declarations shared by the files of the runtime layer.
#pragma once

#include <stdint.h>
#include <vcruntime.h>

extern "C" {
struct __type_info_node;
extern __type_info_node __type_info_root_node;
extern uintptr_t __security_cookie;
void __cdecl __security_init_cookie(void);
}

namespace crt {
// Called by the DLL entry before anything else runs: static destructors go to
// this module's own table from now on.
bool startDllModule();
// The C initialisers (which may fail) and then the C++ constructors.
bool runInitialisers();
// This module's static destructors, and the names type_info::name() built.
void runModuleExitTable();
// Sets __isa_available for the standard library's bit functions.
void detectInstructionSet();
} // namespace crt
