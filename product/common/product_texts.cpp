#include "common/product_texts.hpp"

#include "startup/languages.hpp"
#include "startup/strings.hpp"

#include <array>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace product {

namespace {

// File names of the modules by language index; English and the languages the installer does not offer
// have none.
constexpr std::array<const wchar_t*, installer::language_count> module_files{
    L"French",  nullptr, L"German",   L"Spanish", L"Portuguese", L"Dutch",      nullptr,
    L"Turkish", nullptr, L"Romanian", L"Chinese", L"Italian",    L"Czech",      nullptr,
    L"Greek",   L"Polish", L"Hebrew", L"Vietnamese", nullptr,    L"Hungarian",  L"Serbian"};

language_module& current_module()
{
    static language_module module;
    return module;
}

HMODULE executable() noexcept
{
    return ::GetModuleHandleW(nullptr);
}

} // namespace

std::wstring language_module_file(int index)
{
    if (index < 0 || index >= installer::language_count || !module_files[static_cast<std::size_t>(index)])
        return {};
    return std::wstring(module_files[static_cast<std::size_t>(index)]) + L".dll";
}

language_module::language_module(const std::wstring& path)
    : module_(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
{
}

language_module open_language_module(const std::wstring& program_folder, int index)
{
    const std::wstring file = language_module_file(index);
    if (file.empty())
        return {};
    return language_module((std::filesystem::path(program_folder) / L"Lang" / file).wstring());
}

void use_language_module(language_module module)
{
    current_module() = std::move(module);
}

std::wstring load_text(unsigned id)
{
    if (id < 1000 || id >= 1000 + text_slots)
        throw std::logic_error("no such text slot");
    const unsigned slot = id - 1000;
    const int index = installer::language_state::instance().index;
    if (index != installer::language_english) {
        const HMODULE module = current_module() ? current_module().handle() : executable();
        const std::wstring_view text = installer::resource_string(module, installer::language_first_string_id(index) + slot);
        if (!text.empty() && text != L"#")
            return std::wstring(text);
    }
    return std::wstring(installer::resource_string(executable(), installer::language_first_string_id(installer::language_english) + slot));
}

} // namespace product
