#pragma once
// What the product's programs share with the installer besides the product's name and version.

namespace product {

// Names the cross-process objects of the product and its installer ("ApplicationId" of the version resource).
inline constexpr wchar_t application_identifier[] = L"Tarvolith7";

// The main program's exit code after a successful "/Register".
inline constexpr int registration_succeeded = -10;

} // namespace product
