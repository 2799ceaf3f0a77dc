// The uninstaller: "Uninstall.exe [/Quiet [/RemoveSharedData]]". In quiet mode it asks nothing, shows
// nothing and writes its report to its standard output.

#include "common/command_options.hpp"
#include "common/identity.hpp"
#include "common/product_language.hpp"
#include "startup/module_path.hpp"
#include "uninstall/uninstall_session.hpp"

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

void write_line(const std::wstring& line)
{
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE)
        return;
    const std::wstring text = line + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// A process keeps its current folder open, and the installation folder must be free to go.
void leave_installation_folder()
{
    std::error_code ignored;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(ignored);
    ::SetCurrentDirectoryW(ignored ? L"\\" : temporary.c_str());
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const product::command_options options(::GetCommandLineW());
    leave_installation_folder();
    product::choose_language();

    product::session_settings settings;
    settings.quiet = options.has(L"/Quiet");
    settings.remove_shared_data = options.has(L"/RemoveSharedData");
    settings.own_program = installer::executable_path();
    settings.application_id = product::application_identifier;
    try {
        return product::run_uninstall(settings, write_line);
    } catch (const std::exception&) {
        // Every step reports its own failures; this is only reached when memory runs out.
        return product::uninstall_incomplete;
    }
}
