#pragma once
// Standard file streams over wide characters that read and write text files through mv::txtf::codecvt:
// input detects encoding, mark and line ends; output writes UTF-16 little-endian with a mark and CR LF.

#include "system/txtf_codecvt.hpp"

#include <fstream>
#include <ios>
#include <locale>
#include <memory>
#include <string>

namespace mv::txtf {

namespace details {

// The configuration each direction gives its facet.
template <std::ios_base::openmode Mode>
inline constexpr text_mode stream_mode = (Mode & std::ios_base::out) ? text_mode{text_mode::utf16} : text_mode{};

template <template <typename, typename> class Stream, typename CharT, typename Traits, std::ios_base::openmode Mode>
class stream_impl : public Stream<CharT, Traits> {
public:
    // Opens in binary mode, so that only the facet translates line ends. Failure shows in the stream state.
    explicit stream_impl(const std::wstring& path) : Stream<CharT, Traits>()
    {
        this->open(path.c_str(), Mode | std::ios_base::binary);
        const std::locale current = this->getloc();
        if (dynamic_cast<const txtf::codecvt<CharT>*>(&std::use_facet<std::codecvt<CharT, char, std::mbstate_t>>(
                current)) != nullptr)
            return;
        auto facet = std::make_unique<txtf::codecvt<CharT>>(stream_mode<Mode>, current);
        std::locale with_facet(current, facet.get());
        facet.release(); // the locale owns it now
        this->imbue(with_facet);
    }

    ~stream_impl() override = default;
};

} // namespace details

using wifstream = details::stream_impl<std::basic_ifstream, wchar_t, std::char_traits<wchar_t>, std::ios_base::in>;
using wofstream = details::stream_impl<std::basic_ofstream, wchar_t, std::char_traits<wchar_t>, std::ios_base::out>;

} // namespace mv::txtf
