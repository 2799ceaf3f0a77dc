#pragma once
// Owners for COM: an interface pointer that is released once, and the calling thread's apartment for the
// length of a scope.

#include "system/unique_any.hpp"

#include <objbase.h>

namespace mv {

template <typename Interface>
struct com_traits {
    using type = Interface*;
    static type invalid() noexcept { return nullptr; }
    static void close(type object) noexcept { object->Release(); }
};

template <typename Interface>
using com_ptr = unique_any<com_traits<Interface>>;

// For the creation and query functions, which hand the pointer out as void**.
template <typename Interface>
void** put_void(com_ptr<Interface>& owner) noexcept
{
    return reinterpret_cast<void**>(owner.put());
}

// Initialises COM for the thread as a single-threaded apartment and balances that on leaving the scope. A
// thread that already runs in another apartment keeps it (nothing to balance then); any other failure
// raises std::system_error carrying the HRESULT.
class com_apartment {
public:
    com_apartment();
    ~com_apartment();
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;

    // Whether this scope initialised COM and will uninitialise it.
    bool initialised() const noexcept { return initialised_; }

private:
    bool initialised_ = false;
};

} // namespace mv
