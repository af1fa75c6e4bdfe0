# Writes corrected copies of the few Wine C runtime and Windows headers that
# do not fit the Microsoft ABI into OUT_DIR, which comes before Wine's own
# folders on the include path. Every change must match, or the build stops:
# a different Wine version needs its changes looked at again.
#   cmake -DWINE_INCLUDE=... -DOUT_DIR=... -P PatchWineHeaders.cmake
cmake_minimum_required(VERSION 3.25)

# Texts may hold semicolons, so each replacement is one call with named
# arguments (never split as a list): begin, replace..., then write.
function(begin_header relative)
    set(source ${WINE_INCLUDE}/${relative})
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "Wine header ${source} not found: install the Debian package libwine-dev (scripts/setup.sh)")
    endif()
    file(READ ${source} text)
    set(header_source ${source} PARENT_SCOPE)
    set(header_text "${text}" PARENT_SCOPE)
endfunction()

function(replace_text old new)
    string(FIND "${header_text}" "${old}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${header_source} does not contain the text the build corrects:\n${old}")
    endif()
    string(REPLACE "${old}" "${new}" text "${header_text}")
    set(header_text "${text}" PARENT_SCOPE)
endfunction()

function(write_header)
    get_filename_component(name ${header_source} NAME)
    file(WRITE ${OUT_DIR}/${name}.new "${header_text}")
    file(COPY_FILE ${OUT_DIR}/${name}.new ${OUT_DIR}/${name} ONLY_IF_DIFFERENT)
    file(REMOVE ${OUT_DIR}/${name}.new)
endfunction()

file(MAKE_DIRECTORY ${OUT_DIR})

# mbstate_t is part of mangled names (char_traits, codecvt): it must be the
# UCRT's struct, not an int.
begin_header(msvcrt/wchar.h)
replace_text("typedef int mbstate_t;"
    "#ifndef _MBSTATET_DEFINED\n#define _MBSTATET_DEFINED\ntypedef struct _Mbstatet { unsigned long _Wchar; unsigned short _Byte, _State; } _Mbstatet;\n#endif\ntypedef _Mbstatet mbstate_t;")
write_header()

# atexit and _onexit belong to each module (the runtime layer defines them
# so that a DLL's static destructors run when it unloads), not to ucrtbase.
begin_header(msvcrt/stdlib.h)
replace_text("_ACRTIMP _onexit_t     __cdecl _onexit(_onexit_t);"
    "_onexit_t     __cdecl _onexit(_onexit_t);")
replace_text("_ACRTIMP int           __cdecl atexit(void (__cdecl *)(void));"
    "int           __cdecl atexit(void (__cdecl *)(void));")
write_header()

# clang in cl mode has the intrinsic too; Wine's inline replacement would
# redefine it.
begin_header(windows/winnt.h)
replace_text("#if defined(_MSC_VER) && !defined(__clang__)\n\n#pragma intrinsic(_InterlockedCompareExchange128)"
    "#if defined(_MSC_VER)\n\n#pragma intrinsic(_InterlockedCompareExchange128)")
write_header()

# In C++ 'inline' is a keyword; the standard library refuses a macro of it.
begin_header(windows/windef.h)
replace_text("#ifdef _MSC_VER\n# define inline __inline\n#endif"
    "#if defined(_MSC_VER) && !defined(__cplusplus)\n# define inline __inline\n#endif")
write_header()

# Old POSIX names as macros would rename every member called open (a file
# stream's open, for one); the UCRT has no such macros.
begin_header(msvcrt/io.h)
replace_text("#define open _open\n#define sopen _sopen\n" "")
write_header()
