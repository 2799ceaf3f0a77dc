#pragma once
// Helpers of the engine's tests: the payloads that the packer makes for them, archives taken apart and put
// together again, and a recorder of notifications.

#include "engine/notification.hpp"
#include "engine/payload_entry.hpp"
#include "engine/payload_extractor.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine_test {

// A payload built beside the test by the packer, by the name of its manifest ("basic", "empty_entries", ...).
std::string packed_payload(const std::string& name);

std::string decompress(const std::string& payload);
std::string compress(const std::string& archive);

std::uint64_t get_le(const std::string& bytes, std::size_t at, int size);
void put_le(std::string& bytes, std::size_t at, int size, std::uint64_t value);

// Offset of the table entry `index` in an archive, and of its fields.
std::size_t entry_offset(const std::string& archive, std::size_t index);
std::size_t entry_crc_offset(const std::string& archive, std::size_t index);

// The entries of an archive's table, each `destination` the folder as the table names it. Raises
// std::out_of_range when the table is cut short.
std::vector<installer::payload_entry> read_table(const std::string& archive);

// One line per notification, paths shown below `root` as "<root>"; runs of `progress` are kept apart.
std::string describe(const installer::notification& message, const std::wstring& root);

// Records notifications and answers them through `answer` (proceed when empty).
struct recorder {
    std::wstring root;
    std::vector<std::string> log;
    std::function<installer::notification::result(const installer::notification&)> answer;

    installer::notification_callback callback();
    // The log with each run of progress lines reduced to its last line.
    std::vector<std::string> collapsed() const;
    // Lines that start with `prefix`.
    std::vector<std::string> lines(const std::string& prefix) const;
};

// An answer: `answer` to the `file_started` of the entry whose destination contains `name`, proceed otherwise.
std::function<installer::notification::result(const installer::notification&)> answer_file_started(
    const std::wstring& name, installer::notification::result answer);

// Feeds an archive to the extractor `block` bytes at a time, offering again what a call did not take, as the
// decompression chain does. Checks that no call takes bytes past the end of the header or of an entry.
void feed(installer::payload_extractor& extractor, const std::string& archive, std::size_t block);

} // namespace engine_test
