#include "startup/product.hpp"

#include "startup/text_format.hpp"

#include <stdexcept>

namespace installer {

namespace {

struct product_row {
    std::uint16_t code;
    const wchar_t* name;
};

// Every product of the maker that an installer of this family may meet.
constexpr product_row product_rows[] = {
    {0x0105, L"Orbelline 5"}, {0x0106, L"Orbelline 6"}, {0x0202, L"Sketchlon 2"},
    {0x0203, L"Sketchlon 3"}, {0x0204, L"Sketchlon 4"}, {0x0306, L"Tarvolith 6"},
    {0x0307, L"Tarvolith 7"}, {0x0308, L"Tarvolith 8"}, {0x0401, L"Vellagrin 1"},
    {0x0402, L"Vellagrin 2"}, {0x0501, L"Kestrabel 1"}, {0x0502, L"Kestrabel 2"},
    {0x0601, L"Murenthe 1"},
};

} // namespace

std::wstring product_title(bool short_form)
{
    std::wstring title = product_title_word;
    if (!short_form)
        title += std::wstring(L" ") + display_version;
    return title;
}

std::wstring product_name(std::uint16_t code)
{
    for (const auto& row : product_rows)
        if (row.code == code)
            return row.name;
    throw std::logic_error("logic error");
}

std::wstring maker_key_path()
{
    return std::wstring(L"Software\\") + company_name;
}

std::wstring installed_path_value_name()
{
    return product_name(product_code) + L" Path";
}

std::wstring packed_version_text(std::uint64_t packed)
{
    return format_text(L"%|1$016x|", packed);
}

} // namespace installer
