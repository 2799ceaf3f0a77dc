#include "engine/extraction_failure.hpp"

#include "engine/compress_error.hpp"

#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/system/system_error.hpp>

#include <filesystem>

namespace installer {
namespace {

std::error_code standard_code(const boost::system::error_code& code)
{
    if (code.category() == boost::system::system_category())
        return {code.value(), std::system_category()};
    if (code.category() == boost::system::generic_category())
        return {code.value(), std::generic_category()};
    return static_cast<std::error_code>(code);
}

} // namespace

notification::failed describe_failure(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const boost::iostreams::bzip2_error&) {
        return {make_error_code(compress_errc::bzip2_failure), {}};
    } catch (const std::filesystem::filesystem_error& error) {
        return {error.code(), error.path1().wstring()};
    } catch (const std::system_error& error) {
        // Stream failures of our files carry the operating system's error as their code.
        return {error.code(), {}};
    } catch (const boost::system::system_error& error) {
        return {standard_code(error.code()), {}};
    } catch (...) {
        return {make_error_code(compress_errc::unexpected), {}};
    }
}

} // namespace installer
