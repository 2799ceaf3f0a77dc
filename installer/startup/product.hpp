#pragma once
// The one product this installer installs: its compiled-in identity and version.

#include "product_version.h"

#include <cstdint>
#include <string>

namespace installer {

inline constexpr wchar_t product_title_word[] = L"Tarvolith";
// The version is a build setting; the shipped product is 7.12.4.1, shown as "7.12d".
inline constexpr wchar_t display_version[] = L"" TARVOLITH_DISPLAY_VERSION;
inline constexpr wchar_t numeric_version_text[] = L"" TARVOLITH_VERSION_TEXT;
// Family in the high byte, the product's major version in the low byte.
inline constexpr std::uint16_t product_code = 0x0307;
inline constexpr wchar_t company_name[] = L"Merov & Dudidivi";
// The maker's web site and support line, as the list of installed programs shows them.
inline constexpr wchar_t maker_web_address[] = L"https://www.merov-dudidivi.example/";
inline constexpr wchar_t support_telephone[] = L"+1 555 0100";

// Four 16-bit parts, major in the highest; compares as an unsigned number.
constexpr std::uint64_t pack_version(std::uint16_t major, std::uint16_t minor, std::uint16_t build,
                                     std::uint16_t revision) noexcept
{
    return std::uint64_t{major} << 48 | std::uint64_t{minor} << 32 | std::uint64_t{build} << 16 | revision;
}

inline constexpr std::uint64_t product_version =
    pack_version(TARVOLITH_VERSION_MAJOR, TARVOLITH_VERSION_MINOR, TARVOLITH_VERSION_BUILD, TARVOLITH_VERSION_REVISION);

// "Tarvolith", or "Tarvolith 7.12d" for the long form.
std::wstring product_title(bool short_form);

// Name with major version ("Tarvolith 7"); std::logic_error for a code of no known product.
std::wstring product_name(std::uint16_t code);

// The maker's key below HKEY_LOCAL_MACHINE ("Software\\Merov & Dudidivi"), and the value in it where the
// installed program keeps its own path ("Tarvolith 7 Path").
std::wstring maker_key_path();
std::wstring installed_path_value_name();

// Sixteen lower-case hexadecimal digits, the form used on command lines.
std::wstring packed_version_text(std::uint64_t packed);

} // namespace installer
