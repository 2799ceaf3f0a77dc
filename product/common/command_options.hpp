#pragma once
// The programs' command lines: switches ("/Register") and settings ("/update=..."), matched without regard
// to case, and plain arguments (a project file to open).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace product {

class command_options {
public:
    // A whole command line as GetCommandLineW gives it: the program's own name comes first and is dropped.
    explicit command_options(const wchar_t* command_line);

    bool has(std::wstring_view name) const;
    // The text after "name=", when the setting is given.
    std::optional<std::wstring> value(std::wstring_view name) const;
    // Arguments that are not options, in their order.
    std::vector<std::wstring> plain_arguments() const;

private:
    std::vector<std::wstring> arguments_;
};

} // namespace product
