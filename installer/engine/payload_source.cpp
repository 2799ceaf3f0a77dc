#include "engine/payload_source.hpp"

namespace installer {
namespace {

const char* begin_of(resource_view bytes) noexcept
{
    return static_cast<const char*>(bytes.data);
}

} // namespace

payload_source::payload_source()
    : payload_source(load_resource(MAKEINTRESOURCEW(payload_resource_type), MAKEINTRESOURCEW(payload_resource_name)))
{
}

payload_source::payload_source(resource_view bytes)
    : std::istream(nullptr), buffer_(begin_of(bytes), begin_of(bytes) + bytes.size)
{
    rdbuf(&buffer_);
}

void rewind(std::istream& source)
{
    source.clear(source.rdstate() & ~std::ios_base::eofbit);
    source.seekg(0);
}

} // namespace installer
