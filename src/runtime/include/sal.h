// Wine's source annotations, plus the few the standard library uses that
// Wine leaves out. Annotations only inform static analysis: all are empty.
#pragma once
#include_next <sal.h>

#ifndef _Analysis_assume_
#define _Analysis_assume_(expr)
#endif
#ifndef _Check_return_opt_
#define _Check_return_opt_
#endif
#ifndef _Guarded_by_
#define _Guarded_by_(lock)
#endif
#ifndef _Inout_bytecount_
#define _Inout_bytecount_(size)
#endif
#ifndef _Field_z_
#define _Field_z_
#endif
#ifndef _Pre_satisfies_
#define _Pre_satisfies_(cond)
#endif
