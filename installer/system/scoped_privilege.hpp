#pragma once
// A privilege of the process token, enabled only for as long as one call needs it.

#include "system/security.hpp"

#include <string>
#include <utility>

namespace mv {

// Enables the privilege when made and disables it when destroyed, on every path out of the scope. Failures
// are not reported: the call that needs the privilege then fails for lack of it and reports that.
class scoped_privilege {
public:
    explicit scoped_privilege(std::wstring name) : name_(std::move(name)) { enable_privilege(name_, true); }
    ~scoped_privilege() { enable_privilege(name_, false); }
    scoped_privilege(const scoped_privilege&) = delete;
    scoped_privilege& operator=(const scoped_privilege&) = delete;

private:
    std::wstring name_;
};

} // namespace mv
