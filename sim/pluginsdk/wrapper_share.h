#pragma once
// What each wrapper of the stand-in SDK keeps: a share of the host object
// whose address it was made from, seen as the interface it calls.

#include "sdk_backend.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace sdk_backend {

// Null for address 0 and for an object that is not a T.
template <typename T> std::shared_ptr<T> share(std::uintptr_t address) {
    return std::dynamic_pointer_cast<T>(claim(address));
}

// The console and the game are never null: a plugin cannot work without them.
template <typename T> std::shared_ptr<T> shareRequired(std::uintptr_t address, const char* what) {
    std::shared_ptr<T> object = share<T>(address);
    if (!object)
        throw std::invalid_argument(std::string(what) + " made from an address that is not one");
    return object;
}

} // namespace sdk_backend

// Copying, assignment (by value, as the host's SDK declares it) and
// destruction of a wrapper class whose level of the hierarchy keeps its own
// Impl; the base class part is copied by the base's own members.
#define SDK_WRAPPER_VALUE_MEMBERS(Class, Base)                                                     \
    Class::Class(const Class& other) : Base(other), pimpl(std::make_unique<Impl>(*other.pimpl)) {} \
    Class& Class::operator=(Class rhs) {                                                           \
        Base::operator=(rhs);                                                                      \
        pimpl.swap(rhs.pimpl);                                                                     \
        return *this;                                                                              \
    }                                                                                              \
    Class::~Class() = default;

// The same for a wrapper without a base class.
#define SDK_ROOT_WRAPPER_VALUE_MEMBERS(Class)                                                      \
    Class::Class(const Class& other) : pimpl(std::make_unique<Impl>(*other.pimpl)) {}              \
    Class& Class::operator=(Class rhs) {                                                           \
        pimpl.swap(rhs.pimpl);                                                                     \
        return *this;                                                                              \
    }                                                                                              \
    Class::~Class() = default;
