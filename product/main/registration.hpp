#pragma once
// "/Register": the product's file types for the running program.

#include <string>

namespace product {

// Registers the file types of `program`; registration_succeeded, or 1 when they cannot be registered.
// Without `background` the user is told the result.
int register_run(const std::wstring& program, bool background);

} // namespace product
