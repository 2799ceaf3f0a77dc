#pragma once
// The device that receives the decompressed payload: it reads the archive's table, then writes each file while
// its bytes arrive, reads it back to verify its CRC-32, and reports every step through the notification
// callback. It never holds more than the table and one open file.

#include "engine/destination.hpp"
#include "engine/notification.hpp"
#include "engine/output_file.hpp"
#include "engine/payload_entry.hpp"

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace installer {

class payload_extractor {
public:
    payload_extractor(std::wstring install_folder, std::wstring sample_folder, std::wstring temp_folder,
                      notification_callback callback);
    payload_extractor(destination_bases bases, notification_callback callback);
    payload_extractor(const payload_extractor&) = delete;
    payload_extractor& operator=(const payload_extractor&) = delete;

    // Consumes up to n decompressed bytes and returns how many it took: never more than the rest of the header,
    // or of the current entry, so the caller offers the rest again. Raises what fails; from then on every byte
    // is swallowed (returns n), so that a chain flushing during the unwinding writes nothing more.
    std::uint64_t write(const char* data, std::uint64_t n);

    // The table was read, every byte it announces arrived and every entry was done.
    bool complete() const noexcept;
    std::uint64_t position() const noexcept { return position_; }
    std::uint64_t total() const noexcept { return total_; }
    const std::vector<payload_entry>& entries() const noexcept { return entries_; }
    // The destination of the entry under way (announced, not yet done); empty when none is.
    std::wstring path_under_way() const;
    // The exception that left `write`; null while none did.
    std::exception_ptr failure() const noexcept { return failure_; }

private:
    std::uint64_t write_header(const char* data, std::uint64_t n);
    void parse_table();
    std::size_t parse_entry(std::size_t at);
    void finish_header();
    std::uint64_t write_data(const char* data, std::uint64_t n);
    void start_entry(payload_entry& entry);
    void finish_entry(const payload_entry& entry);
    void settle_empty_entries();
    notification::result notify(notification message);

    destination_bases bases_;
    notification_callback callback_;
    shared_folders shared_folders_;
    std::vector<payload_entry> entries_;

    std::uint64_t header_length_ = 0;
    std::uint64_t header_received_ = 0;  // header bytes taken so far, the length's 8 included
    std::uint64_t header_parsed_ = 0;    // of which the table entries parsed so far
    std::string header_buffer_;          // header bytes not parsed yet: at most one table entry
    std::uint32_t entry_count_ = 0;
    bool count_read_ = false;

    std::uint64_t position_ = 0;
    std::uint64_t total_ = 0;
    std::uint32_t current_ = 0;  // 0 in the header, then 1 + the index of the entry whose data arrives
    std::uint64_t remaining_ = 0;
    bool started_ = false;
    bool skipping_ = false;
    bool failed_ = false;
    std::exception_ptr failure_;
    std::unique_ptr<output_file> output_;
};

} // namespace installer
