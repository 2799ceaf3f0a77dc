#pragma once
// Owners of memory that COM and the shell hand out and that is released with CoTaskMemFree.

#include "system/unique_any.hpp"

#include <objbase.h>

namespace mv {

template <typename T>
struct co_task_memory_traits {
    using type = T*;
    static type invalid() noexcept { return nullptr; }
    static void close(type memory) noexcept { ::CoTaskMemFree(memory); }
};

// A string such as the path that SHGetKnownFolderPath returns.
using unique_co_task_string = unique_any<co_task_memory_traits<wchar_t>>;

} // namespace mv
