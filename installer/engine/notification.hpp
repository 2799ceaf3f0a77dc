#pragma once
// What the payload extractor reports to its caller while it works, and the caller's answers.

#include "engine/payload_entry.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <variant>

namespace installer {

struct notification {
    enum class kind : std::uint32_t { started, finished, file_started, file_finished, progress, failed };

    // The caller's answer. `skip` means something only after `file_started`: the entry's bytes are consumed and
    // not written. The answers to `started`, `finished` and `failed` are ignored.
    enum class result : std::uint32_t { proceed = 0, abort = 1, skip = 2 };

    struct started {};
    struct finished {
        std::uint64_t consumed;  // bytes of compressed payload
        std::uint64_t total;
    };
    struct file_started {
        const payload_entry* entry;  // its destination is the full path
    };
    struct file_finished {
        const payload_entry* entry;
    };
    struct progress {
        std::uint64_t position;
        std::uint64_t total;
    };
    struct failed {
        std::error_code error;
        std::wstring path;  // the file concerned, possibly empty
    };

    std::variant<started, finished, file_started, file_finished, progress, failed> data;

    kind type() const noexcept { return static_cast<kind>(data.index()); }
};

using notification_callback = std::function<notification::result(notification)>;

} // namespace installer
