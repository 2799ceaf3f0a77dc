#include "startup/version_info.hpp"

#include "startup/languages.hpp"

#include <cwchar>
#include <string_view>

namespace installer {

namespace {

struct resource_block {
    const void* data = nullptr;
    std::size_t size = 0;
};

// Located once; every later reader shares the same mapped block.
resource_block own_version_block()
{
    static const resource_block block = [] {
        HMODULE self = ::GetModuleHandleW(nullptr);
        HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(1), RT_VERSION);
        if (!found)
            return resource_block{};
        HGLOBAL loaded = ::LoadResource(self, found);
        DWORD size = ::SizeofResource(self, found);
        const void* data = loaded ? ::LockResource(loaded) : nullptr;
        if (!data || size == 0)
            return resource_block{};
        return resource_block{data, size};
    }();
    return block;
}

void replace_all(std::wstring& text, std::wstring_view what, std::wstring_view with)
{
    for (auto at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

version_info::version_info()
{
    const resource_block block = own_version_block();
    data_ = block.data;
    size_ = block.size;
    read_block();
}

version_info::version_info(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size != 0) {
        owned_.resize(size);
        if (::GetFileVersionInfoW(path.c_str(), 0, size, owned_.data())) {
            data_ = owned_.data();
            size_ = owned_.size();
        } else {
            owned_.clear();
        }
    }
    read_block();
}

void version_info::read_block()
{
    if (size_ == 0)
        return;
    // VerQueryValueW takes a non-const block although it only reads it.
    void* block = const_cast<void*>(data_);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block, L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return;
    fixed_ = static_cast<const VS_FIXEDFILEINFO*>(value);

    if (!::VerQueryValueW(block, L"\\VarFileInfo\\Translation", &value, &length) || !value)
        return;
    const auto* pairs = static_cast<const WORD*>(value);
    for (UINT i = 0; i < length / 4; ++i) {
        const WORD language = pairs[2 * i];
        const WORD code_page = pairs[2 * i + 1];
        if (code_page != 1200)
            continue;
        wchar_t key[9];
        std::swprintf(key, 9, L"%04hx%04hx", language, code_page);
        translations_.emplace_back(key);
    }
}

std::uint64_t version_info::packed_version() const noexcept
{
    if (!fixed_)
        return 0;
    return std::uint64_t{fixed_->dwFileVersionMS} << 32 | fixed_->dwFileVersionLS;
}

std::wstring version_info::string_value(const std::wstring& name) const
{
    if (size_ == 0 || translations_.empty())
        return {};
    const std::wstring sub_block = L"\\StringFileInfo\\" + translations_.front() + L"\\" + name;
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(const_cast<void*>(data_), sub_block.c_str(), &value, &length) || !value ||
        length == 0)
        return {};
    const auto* text = static_cast<const wchar_t*>(value);
    if (text[length - 1] == L'\0')
        --length;
    return std::wstring(text, length);
}

std::wstring version_info::display_text() const
{
    std::wstring text = string_value(L"ProductName");
    const std::wstring version = string_value(L"ProductVersion");
    if (!version.empty())
        text += L" " + version;

    const DWORD flags = fixed_ ? fixed_->dwFileFlags & fixed_->dwFileFlagsMask : 0;
    if ((flags & VS_FF_PRERELEASE) && PRIMARYLANGID(LANGIDFROMLCID(language_state::instance().lcid)) != LANG_FRENCH)
        replace_all(text, L"b\u00EAta", L"beta");
    if (flags & VS_FF_PRIVATEBUILD)
        text += L" \u2013 Private";
    if (flags & VS_FF_DEBUG)
        text += L" \u2013 Debug";
    return text;
}

} // namespace installer
