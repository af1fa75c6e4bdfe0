#pragma once
// Read before ReShade's add-on headers on systems without Microsoft's
// compiler (the build puts it in front of every file that may include them).
// They use size_t and the fixed-width integers without including their
// headers, mark their interfaces __declspec(novtable), which only trims the
// constructors' code, and name __uuidof(T) in the private-data templates of
// api_object. Those templates are never instantiated here: the placeholder
// depends on T, so it is an error only if one ever is.

#include <cstddef>
#include <cstdint>

#define __declspec(attributes)
#define __uuidof(T) (T::uuid_exists_only_with_microsofts_compiler)
