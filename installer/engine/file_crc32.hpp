#pragma once
// The verification read of a written file.

#include <cstdint>
#include <string>

namespace installer {

// CRC-32 of the file's bytes as read back from disk. While another process holds the file open without
// sharing (a virus scanner, an indexer), waits a second and tries again, at most three times. Raises
// file_failure with the Windows error of the failed open or read.
std::uint32_t file_crc32(const std::wstring& path);

} // namespace installer
