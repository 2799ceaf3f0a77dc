#include "packer/archive_writer.hpp"

#include "engine/crc32.hpp"

#include <bzlib.h>

#include <array>
#include <fstream>
#include <limits>
#include <optional>
#include <stdexcept>

namespace packer {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t chunk_size = 64 * 1024;

struct file_facts {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

void put_u32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

void put_u64(std::string& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

void put_text(std::string& out, const std::u16string& text)
{
    put_u32(out, static_cast<std::uint32_t>(text.size()));
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFFu));
        out.push_back(static_cast<char>(unit >> 8));
    }
}

std::string archive_header(const std::vector<manifest_entry>& entries, const std::vector<file_facts>& facts)
{
    std::string table;
    put_u32(table, static_cast<std::uint32_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        put_text(table, entries[i].source);
        put_text(table, entries[i].folder);
        put_u32(table, entries[i].kind);
        put_u64(table, facts[i].size);
        put_u32(table, facts[i].crc);
    }
    std::string header;
    put_u64(header, 8 + table.size());
    if (8 + table.size() >= (std::uint64_t{1} << 32))
        throw std::runtime_error("the table of the payload would reach 4 GiB");
    return header + table;
}

// Reads a source file block by block; `each` receives every block.
template <typename Each>
file_facts read_source(const fs::path& file, Each&& each)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open the source file " + file.string());
    std::array<char, chunk_size> block;
    installer::crc32 crc;
    file_facts facts;
    while (in) {
        in.read(block.data(), block.size());
        const auto got = static_cast<std::size_t>(in.gcount());
        crc.update(block.data(), got);
        facts.size += got;
        each(block.data(), got);
    }
    if (in.bad() || !in.eof())
        throw std::runtime_error("cannot read the source file " + file.string());
    facts.crc = crc.value();
    return facts;
}

// One bzip2 stream, block size 900k, into a binary output file.
class bzip2_writer {
public:
    explicit bzip2_writer(std::ofstream& out) : out_(out)
    {
        if (BZ2_bzCompressInit(&stream_, 9, 0, 0) != BZ_OK)
            throw std::runtime_error("cannot start the bzip2 compressor");
    }
    ~bzip2_writer() { BZ2_bzCompressEnd(&stream_); }
    bzip2_writer(const bzip2_writer&) = delete;
    bzip2_writer& operator=(const bzip2_writer&) = delete;

    void write(const char* data, std::size_t size)
    {
        while (size > 0) {
            const std::size_t part = std::min<std::size_t>(size, std::numeric_limits<unsigned>::max());
            stream_.next_in = const_cast<char*>(data);
            stream_.avail_in = static_cast<unsigned>(part);
            while (stream_.avail_in > 0)
                run(BZ_RUN, BZ_RUN_OK);
            data += part;
            size -= part;
        }
    }

    void finish()
    {
        while (run(BZ_FINISH, BZ_FINISH_OK) != BZ_STREAM_END) {
        }
    }

private:
    int run(int action, int expected)
    {
        std::array<char, chunk_size> buffer;
        stream_.next_out = buffer.data();
        stream_.avail_out = static_cast<unsigned>(buffer.size());
        const int result = BZ2_bzCompress(&stream_, action);
        if (result != expected && result != BZ_STREAM_END)
            throw std::runtime_error("bzip2 compression failed (" + std::to_string(result) + ")");
        out_.write(buffer.data(), static_cast<std::streamsize>(buffer.size() - stream_.avail_out));
        if (!out_)
            throw std::runtime_error("cannot write the payload");
        return result;
    }

    std::ofstream& out_;
    bz_stream stream_{};
};

// Removes the temporary output unless it was renamed into place.
class temporary_output {
public:
    explicit temporary_output(fs::path path) : path_(std::move(path)) {}
    ~temporary_output()
    {
        if (!kept_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    temporary_output(const temporary_output&) = delete;
    temporary_output& operator=(const temporary_output&) = delete;

    const fs::path& path() const noexcept { return path_; }
    void rename_to(const fs::path& output)
    {
        std::error_code error;
        fs::rename(path_, output, error);
        if (error)
            throw std::runtime_error("cannot rename " + path_.string() + " to " + output.string() + ": " +
                                     error.message());
        kept_ = true;
    }

private:
    fs::path path_;
    bool kept_ = false;
};

} // namespace

payload_summary write_payload(const std::vector<manifest_entry>& entries, const fs::path& output,
                              const fs::path& archive)
{
    // The table needs every size and CRC before the first data byte.
    std::vector<file_facts> facts;
    facts.reserve(entries.size());
    for (const manifest_entry& entry : entries)
        facts.push_back(read_source(entry.file, [](const char*, std::size_t) {}));
    const std::string header = archive_header(entries, facts);

    payload_summary summary;
    summary.files = entries.size();
    summary.header_length = header.size();
    summary.archive_length = header.size();

    temporary_output temporary(fs::path(output.string() + ".partial"));
    std::optional<temporary_output> raw;
    {
        std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
        if (!out)
            throw std::runtime_error("cannot create " + temporary.path().string());
        std::ofstream raw_out;
        if (!archive.empty()) {
            raw.emplace(fs::path(archive.string() + ".partial"));
            raw_out.open(raw->path(), std::ios::binary | std::ios::trunc);
            if (!raw_out)
                throw std::runtime_error("cannot create " + raw->path().string());
        }
        bzip2_writer compressor(out);
        const auto write = [&](const char* data, std::size_t size) {
            compressor.write(data, size);
            if (raw_out.is_open() && !raw_out.write(data, static_cast<std::streamsize>(size)))
                throw std::runtime_error("cannot write " + raw->path().string());
        };
        write(header.data(), header.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const file_facts again = read_source(entries[i].file, write);
            if (again.size != facts[i].size || again.crc != facts[i].crc)
                throw std::runtime_error("the source file " + entries[i].file.string() + " changed while packing");
            summary.archive_length += again.size;
        }
        compressor.finish();
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + temporary.path().string());
        if (raw_out.is_open()) {
            raw_out.close();
            if (!raw_out)
                throw std::runtime_error("cannot write " + raw->path().string());
        }
    }
    summary.compressed_length = fs::file_size(temporary.path());
    // The archive first: a payload in place always comes with its own archive.
    if (raw)
        raw->rename_to(archive);
    temporary.rename_to(output);
    return summary;
}

} // namespace packer
