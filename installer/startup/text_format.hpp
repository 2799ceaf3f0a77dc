#pragma once
// Filling texts with positional placeholders ("%1%", "%|1$016x|").

#include <boost/format.hpp>

#include <string>

namespace installer {

// A translation with a missing or surplus argument still shows; a malformed pattern shows as it stands
// rather than ending the program in a message box.
template <typename... Args>
std::wstring format_text(const std::wstring& pattern, const Args&... args)
{
    try {
        boost::wformat f(pattern);
        f.exceptions(boost::io::all_error_bits & ~(boost::io::too_many_args_bit | boost::io::too_few_args_bit));
        (f % ... % args);
        return f.str();
    } catch (const boost::io::format_error&) {
        return pattern;
    }
}

} // namespace installer
