#include "engine/payload_extractor.hpp"

#include "engine/compress_error.hpp"
#include "engine/file_crc32.hpp"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace installer {
namespace {

constexpr std::size_t length_field = 8;
constexpr std::size_t count_field = 4;
constexpr std::size_t fixed_entry_fields = 4 + 8 + 4;  // kind, size, crc
constexpr std::size_t smallest_entry = 4 + 4 + fixed_entry_fields;
constexpr std::uint32_t longest_path = 32767;  // UTF-16 units of the longest Windows path
constexpr std::uint64_t largest_header = std::uint64_t{1} << 32;

[[noreturn]] void invalid()
{
    throw_compress_error(compress_errc::payload_invalid);
}

std::uint64_t read_le(const char* at, int bytes) noexcept
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(at[i]);
    return value;
}

std::wstring read_text(const char* at, std::uint32_t units)
{
    std::wstring text(units, L'\0');
    for (std::uint32_t i = 0; i < units; ++i)
        text[i] = static_cast<wchar_t>(read_le(at + 2 * i, 2));
    return text;
}

// The file name that an entry is installed under: the last element of its source path.
std::wstring installed_name(const std::wstring& source)
{
    const std::wstring name = std::filesystem::path(source).filename().wstring();
    const bool bad_character = std::any_of(name.begin(), name.end(), [](wchar_t c) {
        return c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos;
    });
    // Windows drops a trailing dot or space, which would write another file than the one named ("." and ".."
    // included).
    if (name.empty() || name.back() == L'.' || name.back() == L' ' || bad_character)
        invalid();
    return name;
}

} // namespace

payload_extractor::payload_extractor(std::wstring install_folder, std::wstring sample_folder,
                                     std::wstring temp_folder, notification_callback callback)
    : payload_extractor(
          destination_bases{std::move(install_folder), std::move(sample_folder), std::move(temp_folder)},
          std::move(callback))
{
}

payload_extractor::payload_extractor(destination_bases bases, notification_callback callback)
    : bases_(std::move(bases)), callback_(std::move(callback))
{
}

bool payload_extractor::complete() const noexcept
{
    return !failed_ && current_ > entries_.size() && total_ != 0 && position_ == total_;
}

std::wstring payload_extractor::path_under_way() const
{
    if (started_ && current_ >= 1 && current_ <= entries_.size())
        return entries_[current_ - 1].destination;
    return {};
}

std::uint64_t payload_extractor::write(const char* data, std::uint64_t n)
{
    if (failed_)
        return n;
    if (n == 0)
        return 0;
    try {
        return current_ == 0 ? write_header(data, n) : write_data(data, n);
    } catch (...) {
        failed_ = true;
        failure_ = std::current_exception();
        throw;
    }
}

notification::result payload_extractor::notify(notification message)
{
    return callback_ ? callback_(std::move(message)) : notification::result::proceed;
}

// The header is parsed entry by entry as it arrives, so that a length that does not match the table is
// rejected without buffering up to that length.
std::uint64_t payload_extractor::write_header(const char* data, std::uint64_t n)
{
    if (header_received_ < length_field) {
        const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(n, length_field - header_received_));
        header_buffer_.append(data, k);
        header_received_ += k;
        if (header_received_ == length_field) {
            header_length_ = read_le(header_buffer_.data(), 8);
            header_buffer_.clear();
            header_parsed_ = length_field;
            if (header_length_ < length_field + count_field || header_length_ >= largest_header)
                invalid();
        }
        return k;
    }
    const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(n, header_length_ - header_received_));
    header_buffer_.append(data, k);
    header_received_ += k;
    parse_table();
    if (count_read_ && entries_.size() == entry_count_) {
        if (header_received_ != header_length_ || !header_buffer_.empty())
            invalid();  // the table ends before the header's length
        finish_header();
    } else if (header_received_ == header_length_) {
        invalid();  // the table goes on beyond the header's length
    }
    return k;
}

void payload_extractor::parse_table()
{
    std::size_t at = 0;
    if (!count_read_) {
        if (header_buffer_.size() < count_field)
            return;
        entry_count_ = static_cast<std::uint32_t>(read_le(header_buffer_.data(), 4));
        count_read_ = true;
        at = count_field;
        if (std::uint64_t{entry_count_} * smallest_entry > header_length_ - length_field - count_field)
            invalid();
    }
    while (entries_.size() < entry_count_) {
        const std::size_t used = parse_entry(at);
        if (used == 0)
            break;
        at += used;
    }
    header_buffer_.erase(0, at);
    header_parsed_ += at;
}

// Parses the entry at `at` of the buffer; 0 while its bytes are not all there.
std::size_t payload_extractor::parse_entry(std::size_t at)
{
    const std::size_t available = header_buffer_.size() - at;
    const char* bytes = header_buffer_.data() + at;
    const auto need = [&](std::uint64_t size) {
        if (header_parsed_ + at + size > header_length_)
            invalid();
        return size <= available;
    };
    if (!need(4))
        return 0;
    const auto source_length = static_cast<std::uint32_t>(read_le(bytes, 4));
    if (source_length > longest_path)
        invalid();
    const std::size_t folder_at = 4 + 2 * std::size_t{source_length};
    if (!need(folder_at + 4))
        return 0;
    const auto folder_length = static_cast<std::uint32_t>(read_le(bytes + folder_at, 4));
    if (folder_length > longest_path)
        invalid();
    const std::size_t fixed_at = folder_at + 4 + 2 * std::size_t{folder_length};
    const std::size_t size = fixed_at + fixed_entry_fields;
    if (!need(size))
        return 0;
    payload_entry entry;
    entry.source = read_text(bytes + 4, source_length);
    entry.destination = read_text(bytes + folder_at + 4, folder_length);
    entry.kind = static_cast<std::uint32_t>(read_le(bytes + fixed_at, 4));
    entry.size = read_le(bytes + fixed_at + 4, 8);
    entry.crc = static_cast<std::uint32_t>(read_le(bytes + fixed_at + 12, 4));
    entries_.push_back(std::move(entry));
    return size;
}

void payload_extractor::finish_header()
{
    std::uint64_t total = header_length_;
    for (payload_entry& entry : entries_) {
        if (entry.size > std::numeric_limits<std::uint64_t>::max() - total)
            invalid();
        total += entry.size;
        const std::wstring name = installed_name(entry.source);
        const std::wstring folder = resolve_destination(entry.destination, bases_, shared_folders_);
        entry.destination = folder.empty() ? name : (std::filesystem::path(folder) / name).wstring();
    }
    total_ = total;
    position_ = header_length_;
    if (notify({notification::progress{position_, total_}}) == notification::result::abort)
        throw_compress_error(compress_errc::interrupted);
    current_ = 1;
    settle_empty_entries();
}

std::uint64_t payload_extractor::write_data(const char* data, std::uint64_t n)
{
    if (current_ > entries_.size())
        throw_compress_error(compress_errc::unexpected);  // bytes after the last file
    payload_entry& entry = entries_[current_ - 1];
    if (!started_)
        start_entry(entry);
    const std::uint64_t k = std::min(n, remaining_);
    if (!skipping_)
        output_->write(data, static_cast<std::size_t>(k));
    remaining_ -= k;
    position_ += k;
    if (notify({notification::progress{position_, total_}}) == notification::result::abort)
        throw_compress_error(compress_errc::interrupted);
    if (remaining_ == 0) {
        finish_entry(entry);
        settle_empty_entries();
    }
    return k;
}

void payload_extractor::start_entry(payload_entry& entry)
{
    const notification::result answer = notify({notification::file_started{&entry}});
    if (answer == notification::result::abort)
        throw_compress_error(compress_errc::interrupted);
    skipping_ = answer == notification::result::skip;
    remaining_ = entry.size;
    started_ = true;
    if (!skipping_)
        output_ = open_output(entry.destination, shared_folders_);
}

void payload_extractor::finish_entry(const payload_entry& entry)
{
    if (!skipping_) {
        output_.reset();
        if (file_crc32(entry.destination) != entry.crc)
            throw_compress_error(compress_errc::checksum_mismatch);
        if (notify({notification::file_finished{&entry}}) == notification::result::abort)
            throw_compress_error(compress_errc::interrupted);
    }
    ++current_;
    started_ = false;
    skipping_ = false;
}

// Entries without data get no byte that would bring them about: they are done as soon as they are reached.
void payload_extractor::settle_empty_entries()
{
    while (current_ <= entries_.size() && entries_[current_ - 1].size == 0) {
        payload_entry& entry = entries_[current_ - 1];
        start_entry(entry);
        finish_entry(entry);
    }
}

} // namespace installer
