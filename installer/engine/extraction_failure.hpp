#pragma once
// How a failed extraction is reported: the error code that the exception stands for, and the path it names.

#include "engine/notification.hpp"

#include <exception>

namespace installer {

// The error code, in this order: a bzip2 error of the decompressor is `bzip2_failure`; a stream failure that
// carries the operating system's error (system or generic category), that error; any other std::system_error
// (file-system errors and the extractor's own errors included), its own code; a Boost.System error, its code
// in the corresponding standard category; anything else, `unexpected`. The path is that of a file-system error,
// else empty.
notification::failed describe_failure(const std::exception_ptr& failure);

} // namespace installer
