// The type_info pieces that Microsoft's runtime links statically into each
// module: the vftable that every RTTI type descriptor points at, its
// destructor, and the module's list of names built by name().
#include <typeinfo>

extern "C" {
struct __type_info_node {
    void* next;
    void* unused;
};
__type_info_node __type_info_root_node{};
}

type_info::~type_info() noexcept {}

namespace {
// Slot 0 of the vftable: the scalar deleting destructor. Descriptors are
// static data and never deleted; the destructor is trivial, so nothing to do.
void* __cdecl destroyTypeInfo(type_info* self, unsigned) {
    return self;
}
} // namespace

// The compiler emits a vftable only with a constructor, and type_info has
// none, so it is spelled out under its decorated name.
extern "C" void* const typeInfoVftable[] __asm__("??_7type_info@@6B@");
extern "C" void* const typeInfoVftable[] = {reinterpret_cast<void*>(&destroyTypeInfo)};
