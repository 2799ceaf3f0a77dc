#include "engine/file_failure.hpp"

#include <windows.h>

#include <system_error>

namespace installer {
namespace {

std::error_code code_of(unsigned long system_error)
{
    if (system_error == 0)
        return std::make_error_code(std::io_errc::stream);
    return {static_cast<int>(system_error), std::system_category()};
}

} // namespace

file_failure::file_failure(const std::string& operation, unsigned long system_error)
    : std::ios_base::failure(operation, code_of(system_error))
{
}

void throw_last_file_error(const std::string& operation)
{
    throw file_failure(operation, ::GetLastError());
}

} // namespace installer
