#include "common/command_options.hpp"

#include "system/unique_any.hpp"

#include <windows.h>
#include <shellapi.h>

namespace product {

namespace {

struct argument_list_traits {
    using type = LPWSTR*;
    static type invalid() noexcept { return nullptr; }
    static void close(type list) noexcept { ::LocalFree(list); }
};

bool equal_ignoring_case(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

bool is_option(const std::wstring& argument)
{
    return !argument.empty() && argument.front() == L'/';
}

} // namespace

command_options::command_options(const wchar_t* command_line)
{
    if (!command_line || !*command_line)
        return;
    int count = 0;
    const mv::unique_any<argument_list_traits> list(::CommandLineToArgvW(command_line, &count));
    for (int i = 1; list && i < count; ++i)
        arguments_.emplace_back(list.get()[i]);
}

bool command_options::has(std::wstring_view name) const
{
    for (const std::wstring& argument : arguments_)
        if (equal_ignoring_case(argument, name))
            return true;
    return false;
}

std::optional<std::wstring> command_options::value(std::wstring_view name) const
{
    for (const std::wstring& argument : arguments_) {
        const auto equals = argument.find(L'=');
        if (is_option(argument) && equals != std::wstring::npos &&
            equal_ignoring_case(std::wstring_view(argument).substr(0, equals), name))
            return argument.substr(equals + 1);
    }
    return std::nullopt;
}

std::vector<std::wstring> command_options::plain_arguments() const
{
    std::vector<std::wstring> plain;
    for (const std::wstring& argument : arguments_)
        if (!is_option(argument))
            plain.push_back(argument);
    return plain;
}

} // namespace product
