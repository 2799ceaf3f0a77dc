#include "engine/payload_fixture.hpp"

#include "support/test_support.hpp"

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/back_inserter.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace engine_test {

namespace io = boost::iostreams;

std::string packed_payload(const std::string& name)
{
    return test_support::read_bytes(
        test_support::beside_test(L"engine_payloads\\" + std::wstring(name.begin(), name.end()) + L".bz2"));
}

namespace {

template <typename Filter>
std::string filter_all(const std::string& input, Filter filter)
{
    std::string output;
    io::filtering_ostream chain;
    chain.push(filter);
    chain.push(io::back_inserter(output));
    std::istringstream in(input);
    io::copy(in, chain);
    return output;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::string shown(std::wstring path, const std::wstring& root)
{
    if (!root.empty() && path.compare(0, root.size(), root) == 0)
        path = L"<root>" + path.substr(root.size());
    return narrow(path);
}

} // namespace

std::string decompress(const std::string& payload)
{
    return filter_all(payload, io::bzip2_decompressor());
}

std::string compress(const std::string& archive)
{
    return filter_all(archive, io::bzip2_compressor(io::bzip2_params(9)));
}

std::uint64_t get_le(const std::string& bytes, std::size_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

void put_le(std::string& bytes, std::size_t at, int size, std::uint64_t value)
{
    for (int i = 0; i < size; ++i)
        bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::size_t entry_offset(const std::string& archive, std::size_t index)
{
    std::size_t at = 12;
    for (std::size_t i = 0; i < index; ++i) {
        at += 4 + 2 * get_le(archive, at, 4);  // source
        at += 4 + 2 * get_le(archive, at, 4);  // folder
        at += 16;
    }
    return at;
}

std::size_t entry_crc_offset(const std::string& archive, std::size_t index)
{
    std::size_t at = entry_offset(archive, index);
    at += 4 + 2 * get_le(archive, at, 4);
    at += 4 + 2 * get_le(archive, at, 4);
    return at + 12;
}

std::vector<installer::payload_entry> read_table(const std::string& archive)
{
    const auto text = [&](std::size_t& at) {
        const std::size_t length = get_le(archive, at, 4);
        std::wstring out;
        for (std::size_t i = 0; i < length; ++i)
            out.push_back(static_cast<wchar_t>(get_le(archive, at + 4 + 2 * i, 2)));
        at += 4 + 2 * length;
        return out;
    };
    std::vector<installer::payload_entry> entries(get_le(archive, 8, 4));
    std::size_t at = 12;
    for (installer::payload_entry& entry : entries) {
        entry.source = text(at);
        entry.destination = text(at);
        entry.kind = static_cast<std::uint32_t>(get_le(archive, at, 4));
        entry.size = get_le(archive, at + 4, 8);
        entry.crc = static_cast<std::uint32_t>(get_le(archive, at + 12, 4));
        at += 16;
    }
    return entries;
}

std::string describe(const installer::notification& message, const std::wstring& root)
{
    using installer::notification;
    std::ostringstream text;
    if (std::get_if<notification::started>(&message.data)) {
        text << "started";
    } else if (const auto* m = std::get_if<notification::finished>(&message.data)) {
        text << "finished " << m->consumed << " " << m->total;
    } else if (const auto* m = std::get_if<notification::file_started>(&message.data)) {
        text << "file_started " << shown(m->entry->destination, root);
    } else if (const auto* m = std::get_if<notification::file_finished>(&message.data)) {
        text << "file_finished " << shown(m->entry->destination, root);
    } else if (const auto* m = std::get_if<notification::progress>(&message.data)) {
        text << "progress " << m->position << "/" << m->total;
    } else if (const auto* m = std::get_if<notification::failed>(&message.data)) {
        text << "failed " << m->error.category().name() << ":" << m->error.value() << " "
             << shown(m->path, root);
    }
    return text.str();
}

installer::notification_callback recorder::callback()
{
    return [this](installer::notification message) {
        log.push_back(describe(message, root));
        return answer ? answer(message) : installer::notification::result::proceed;
    };
}

std::vector<std::string> recorder::collapsed() const
{
    std::vector<std::string> out;
    for (const std::string& line : log) {
        if (line.rfind("progress", 0) == 0 && !out.empty() && out.back().rfind("progress", 0) == 0)
            out.back() = line;
        else
            out.push_back(line);
    }
    return out;
}

std::vector<std::string> recorder::lines(const std::string& prefix) const
{
    std::vector<std::string> out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                 [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return out;
}

std::function<installer::notification::result(const installer::notification&)> answer_file_started(
    const std::wstring& name, installer::notification::result answer)
{
    return [name, answer](const installer::notification& message) {
        const auto* start = std::get_if<installer::notification::file_started>(&message.data);
        return start && start->entry->destination.find(name) != std::wstring::npos
                   ? answer
                   : installer::notification::result::proceed;
    };
}

void feed(installer::payload_extractor& extractor, const std::string& archive, std::size_t block)
{
    const std::uint64_t header_length = get_le(archive, 0, 8);
    std::size_t at = 0;
    while (at < archive.size()) {
        const std::size_t n = std::min(block, archive.size() - at);
        const std::uint64_t before = at;
        const std::uint64_t taken = extractor.write(archive.data() + at, n);
        ASSERT_GT(taken, 0u) << "a write took nothing at " << at;
        ASSERT_LE(taken, n);
        // The end of the header and of every entry is a border no call crosses.
        std::vector<std::uint64_t> borders{8, header_length};
        for (const installer::payload_entry& entry : extractor.entries())
            borders.push_back(borders.back() + entry.size);
        for (std::uint64_t border : borders)
            ASSERT_FALSE(before < border && border < before + taken)
                << "a write from " << before << " took " << taken << " bytes, past " << border;
        at += static_cast<std::size_t>(taken);
    }
}

} // namespace engine_test
