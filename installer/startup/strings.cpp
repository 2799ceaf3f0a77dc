#include "startup/strings.hpp"

#include "startup/languages.hpp"
#include "startup/product.hpp"

#include <stdexcept>

namespace installer {

namespace {

HMODULE executable() noexcept
{
    return ::GetModuleHandleW(nullptr);
}

resource_view find_in(HMODULE module, const wchar_t* type, const wchar_t* name) noexcept
{
    HRSRC found = ::FindResourceW(module, name, type);
    if (!found)
        return {};
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || size == 0)
        return {};
    return {data, size};
}

// String resources come in blocks of 16, each entry a length followed by that many UTF-16 units.
std::wstring_view string_in(HMODULE module, unsigned id) noexcept
{
    const resource_view block = find_in(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1));
    const auto* at = static_cast<const wchar_t*>(block.data);
    const auto* end = at + block.size / sizeof(wchar_t);
    for (unsigned entry = 0; at && at < end; ++entry) {
        const std::size_t length = static_cast<WORD>(*at++);
        if (length > static_cast<std::size_t>(end - at))
            return {};
        if (entry == id % 16)
            return {at, length};
        at += length;
    }
    return {};
}

bool untranslated(unsigned id)
{
    return load_resource_string(id) == L"#";
}

} // namespace

std::wstring_view resource_string(HMODULE module, unsigned id) noexcept
{
    return string_in(module, id);
}

HMODULE resource_module()
{
    language_state& state = language_state::instance();
    if (!state.resource_module)
        state.resource_module = executable();
    return state.resource_module;
}

resource_view load_resource(const wchar_t* type, const wchar_t* name)
{
    HMODULE module = resource_module();
    const resource_view view = find_in(module, type, name);
    if (view.empty() && module != executable())
        return find_in(executable(), type, name);
    return view;
}

std::wstring_view load_resource_string(unsigned id)
{
    HMODULE module = resource_module();
    const std::wstring_view text = string_in(module, id);
    if (text.empty() && module != executable())
        return string_in(executable(), id);
    return text;
}

std::wstring load_string(unsigned id)
{
    if (id < 1000 || id >= 2000)
        throw std::logic_error("logic error");
    const unsigned slot = id - 1000;
    const unsigned english = language_first_string_id(language_english) + slot;

    int index = language_state::instance().index;
    unsigned chosen;
    if (has_installer_texts(index)) {
        chosen = language_first_string_id(index) + slot;
    } else {
        index = language_english;
        chosen = english;
    }
    if (index != language_french && untranslated(chosen))
        chosen = (index == language_english || untranslated(english)) ? id : english;
    return std::wstring(load_resource_string(chosen));
}

std::wstring window_caption(bool with_product)
{
    std::wstring caption = load_string(1000);
    if (with_product)
        caption += L" \u2013 " + product_title(false);
    return caption;
}

} // namespace installer
