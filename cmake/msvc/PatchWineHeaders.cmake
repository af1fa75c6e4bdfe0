# Writes corrected copies of the few Wine C runtime and Windows headers that
# do not fit the Microsoft ABI into OUT_DIR, which comes before Wine's own
# folders on the include path. Every change must match exactly once, or the
# build stops.
#   cmake -DWINE_INCLUDE=... -DOUT_DIR=... -P PatchWineHeaders.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../PatchCopy.cmake)
set(hint "install the Debian package libwine-dev (scripts/setup.sh)")

# mbstate_t is part of mangled names (char_traits, codecvt): it must be the
# UCRT's struct, not an int.
patch_begin(${WINE_INCLUDE}/msvcrt/wchar.h "${hint}")
patch_replace("typedef int mbstate_t;"
    "#ifndef _MBSTATET_DEFINED\n#define _MBSTATET_DEFINED\ntypedef struct _Mbstatet { unsigned long _Wchar; unsigned short _Byte, _State; } _Mbstatet;\n#endif\ntypedef _Mbstatet mbstate_t;")
patch_write(${OUT_DIR}/wchar.h IF_DIFFERENT)

# atexit and _onexit belong to each module (the runtime layer defines them
# so that a DLL's static destructors run when it unloads), not to ucrtbase.
patch_begin(${WINE_INCLUDE}/msvcrt/stdlib.h "${hint}")
patch_replace("_ACRTIMP _onexit_t     __cdecl _onexit(_onexit_t);"
    "_onexit_t     __cdecl _onexit(_onexit_t);")
patch_replace("_ACRTIMP int           __cdecl atexit(void (__cdecl *)(void));"
    "int           __cdecl atexit(void (__cdecl *)(void));")
patch_write(${OUT_DIR}/stdlib.h IF_DIFFERENT)

# clang in cl mode has the intrinsic too; Wine's inline replacement would
# redefine it.
patch_begin(${WINE_INCLUDE}/windows/winnt.h "${hint}")
patch_replace("#if defined(_MSC_VER) && !defined(__clang__)\n\n#pragma intrinsic(_InterlockedCompareExchange128)"
    "#if defined(_MSC_VER)\n\n#pragma intrinsic(_InterlockedCompareExchange128)")
patch_write(${OUT_DIR}/winnt.h IF_DIFFERENT)

# In C++ 'inline' is a keyword; the standard library refuses a macro of it.
patch_begin(${WINE_INCLUDE}/windows/windef.h "${hint}")
patch_replace("#ifdef _MSC_VER\n# define inline __inline\n#endif"
    "#if defined(_MSC_VER) && !defined(__cplusplus)\n# define inline __inline\n#endif")
patch_write(${OUT_DIR}/windef.h IF_DIFFERENT)

# Old POSIX names as macros would rename every member called open (a file
# stream's open, for one); the UCRT has no such macros.
patch_begin(${WINE_INCLUDE}/msvcrt/io.h "${hint}")
patch_replace("#define open _open\n#define sopen _sopen\n" "")
patch_write(${OUT_DIR}/io.h IF_DIFFERENT)
