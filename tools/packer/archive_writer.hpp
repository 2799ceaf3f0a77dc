#pragma once
// Writes the payload: the archive (a little-endian table of the entries, then their data) as one bzip2 stream
// with 900k blocks. The same entries and files always give the same bytes.

#include "packer/manifest.hpp"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace packer {

struct payload_summary {
    std::uint64_t files = 0;
    std::uint64_t header_length = 0;
    std::uint64_t archive_length = 0;  // decompressed: header and data
    std::uint64_t compressed_length = 0;
};

// Writes the payload of `entries` to `output`, and the archive before compression to `archive` unless that is
// empty (so that a check can compare what a decompression yields with what was meant). Never leaves a partial
// output: each file is written under a temporary name beside it and renamed over it at the end; on failure the
// temporary files are removed and existing outputs stay as they were. Raises std::runtime_error.
payload_summary write_payload(const std::vector<manifest_entry>& entries, const std::filesystem::path& output,
                              const std::filesystem::path& archive = {});

} // namespace packer
