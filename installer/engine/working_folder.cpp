#include "engine/working_folder.hpp"

#include "engine/temp_names.hpp"

#include <boost/format.hpp>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

#include <filesystem>

namespace installer {

namespace {

// Boost's generator opens the system's cryptographic provider ("RNG") once, here for the whole process.
boost::uuids::uuid random_uuid()
{
    static boost::uuids::random_generator generator;
    return generator();
}

} // namespace

bool make_temp_folder(std::wstring& temp_folder, std::wstring& error_text)
{
    std::filesystem::path folder;
    try {
        folder = temp_directory();
    } catch (const std::filesystem::filesystem_error& error) {
        error_text = (boost::wformat(L"%|1$08x| (%2%)") % static_cast<unsigned long>(error.code().value())
                      % L"temp_directory_path").str();
        return false;
    }
    temp_folder = (folder / (L"merov_{" + boost::uuids::to_wstring(random_uuid()) + L"}")).native();
    return true;
}

} // namespace installer
