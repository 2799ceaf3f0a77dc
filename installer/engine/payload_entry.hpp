#pragma once
// One file of the payload archive, as its table describes it.

#include <cstdint>
#include <string>

namespace installer {

// What the installation does with an entry.
enum class entry_kind : std::uint32_t {
    language_file = 0,
    main_program = 1,
    uninstaller = 2,
    shared_data = 3,
    sample = 4,
    temporary = 5,
};

struct payload_entry {
    std::wstring source;       // path on the machine that built the payload; only its file name is used
    std::wstring destination;  // the folder as read (with its token), then the file's full destination path
    std::uint32_t kind = 0;    // an entry_kind
    std::uint64_t size = 0;
    std::uint32_t crc = 0;     // CRC-32 of the file's bytes
};

} // namespace installer
