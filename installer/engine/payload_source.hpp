#pragma once
// The payload as the installer carries it: resource type 260, name 134, a bzip2 stream of the archive.

#include "startup/strings.hpp"

#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/stream_buffer.hpp>

#include <istream>

namespace installer {

inline constexpr unsigned payload_resource_type = 260;
inline constexpr unsigned payload_resource_name = 134;

// A read-only, seekable input stream over the locked resource's bytes, which it never copies. Empty when the
// resource is missing or empty.
class payload_source : public std::istream {
public:
    // The installer's own payload resource.
    payload_source();
    explicit payload_source(resource_view bytes);
    payload_source(const payload_source&) = delete;
    payload_source& operator=(const payload_source&) = delete;

private:
    boost::iostreams::stream_buffer<boost::iostreams::array_source> buffer_;
};

// Clears the end-of-file state and goes back to the first byte; a failed seek leaves the stream failed, so that
// an extraction from it reads nothing.
void rewind(std::istream& source);

} // namespace installer
