// The entry point of a console program: arguments and environment from the
// C runtime, initialisers, then main; exit() runs the static destructors.
#include <windows.h>

#include <corecrt_startup.h>
#include <stdlib.h>

#include "runtime/crt_internal.h"

extern "C" {
_ACRTIMP int* __cdecl __p___argc(void);
_ACRTIMP char*** __cdecl __p___argv(void);
int main(int argc, char** argv, char** envp);
}

extern "C" int mainCRTStartup() {
    __security_init_cookie();
    crt::detectInstructionSet();
    _set_app_type(_crt_console_app);
    if (_configure_narrow_argv(_crt_argv_unexpanded_arguments) != 0 ||
        _initialize_narrow_environment() != 0 || !crt::runInitialisers())
        _exit(255);
    exit(main(*__p___argc(), *__p___argv(), _get_initial_narrow_environment()));
}
