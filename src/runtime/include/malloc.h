// Wine's malloc.h, plus the UCRT's handle of the heap that malloc uses.
#pragma once
#include_next <malloc.h>

#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP intptr_t __cdecl _get_heap_handle(void);
#ifdef __cplusplus
}
#endif
