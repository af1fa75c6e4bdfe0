#pragma once
// Room for the methods that later versions of an interface add after its own
// (ID3D11DeviceContext1 to 4 after the 108 of ID3D11DeviceContext,
// ID3D11Device1 to 5 after the 40 of ID3D11Device). A real object is of the
// newest version, and the plugin copies that many entries of its method
// table; the stand-ins' tables must be as long, or the copy would read past
// them. The added methods do nothing and are never called.

#include <type_traits>

namespace simd3d {

// Count new methods after those of Interface.
template <typename Interface, int Count> struct LaterMethods : LaterMethods<Interface, Count - 1> {
    using LaterMethods<Interface, Count - 1>::laterMethod;
    // Each level's own parameter type makes this a new method, one more slot.
    virtual void laterMethod(std::integral_constant<int, Count>) {}
};

template <typename Interface> struct LaterMethods<Interface, 1> : Interface {
    virtual void laterMethod(std::integral_constant<int, 1>) {}
};

// The methods of ID3D11DeviceContext1 to 4 and of ID3D11Device1 to 5.
inline constexpr int laterContextMethods = 144 - 108;
inline constexpr int laterDeviceMethods = 43 - 40;

} // namespace simd3d
