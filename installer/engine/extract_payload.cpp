#include "engine/extract_payload.hpp"

#include "engine/compress_error.hpp"
#include "engine/extraction_failure.hpp"
#include "engine/payload_extractor.hpp"

#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/null.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <optional>

namespace installer {
namespace {

namespace io = boost::iostreams;

constexpr std::streamsize buffer_size = 4096;
constexpr bool small_memory = false;

// The extractor as the last link of a chain: offers each block again until the extractor has taken all of it,
// since it stops at the end of every entry.
class extractor_sink {
public:
    using char_type = char;
    using category = io::sink_tag;

    explicit extractor_sink(payload_extractor& extractor) noexcept : extractor_(&extractor) {}

    std::streamsize write(const char* data, std::streamsize n)
    {
        std::uint64_t done = 0;
        const auto size = static_cast<std::uint64_t>(n);
        while (done < size)
            done += extractor_->write(data + done, size - done);
        return n;
    }

private:
    payload_extractor* extractor_;
};

bool at_end(std::istream& source)
{
    return std::istream::traits_type::eq_int_type(source.rdbuf()->sgetc(), std::istream::traits_type::eof());
}

// Decompresses the whole source into `sink`; returns the compressed bytes consumed.
template <typename Sink>
std::uint64_t decompress(std::istream& source, const Sink& sink)
{
    io::filtering_ostream chain;
    chain.push(io::bzip2_decompressor(small_memory, buffer_size), buffer_size);
    chain.push(sink, buffer_size);
    return static_cast<std::uint64_t>(io::copy(source, chain, buffer_size));
}

// The chain swallows what its final flush raises; the extractor keeps it. Its failure came first, so it is the
// one reported even when the chain raised something else while closing.
std::uint64_t decompress_into(std::istream& source, payload_extractor& extractor)
{
    if (!source || at_end(source))
        return 0;  // no archive ever starts
    std::uint64_t consumed = 0;
    try {
        consumed = decompress(source, extractor_sink(extractor));
    } catch (...) {
        if (extractor.failure())
            std::rethrow_exception(extractor.failure());
        throw;
    }
    if (extractor.failure())
        std::rethrow_exception(extractor.failure());
    return consumed;
}

} // namespace

bool extract_payload(std::istream& source, const std::wstring& install_folder, const std::wstring& sample_folder,
                     const std::wstring& temp_folder, const notification_callback& callback)
{
    return extract_payload(source, destination_bases{install_folder, sample_folder, temp_folder}, callback);
}

bool extract_payload(std::istream& source, const destination_bases& bases, const notification_callback& callback)
{
    std::optional<payload_extractor> extractor;
    try {
        if (callback)
            callback({notification::started{}});
        extractor.emplace(bases, callback);
        const std::uint64_t consumed = decompress_into(source, *extractor);
        if (!extractor->complete())
            throw_compress_error(compress_errc::unexpected);  // the archive ended early
        if (callback)
            callback({notification::finished{consumed, extractor->total()}});
        extractor.reset();
        return true;
    } catch (const std::exception&) {
        const std::wstring under_way = extractor ? extractor->path_under_way() : std::wstring();
        extractor.reset();  // closes the file being written
        notification::failed report = describe_failure(std::current_exception());
        if (!under_way.empty())
            report.path = under_way;
        if (callback)
            callback({std::move(report)});
        return false;
    }
}

bool validate_payload(std::istream& source)
{
    try {
        if (!source)
            return false;
        decompress(source, io::null_sink());
        return !source.fail() && at_end(source);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace installer
