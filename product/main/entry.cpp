// The product's main program. "/Register" registers its file types and ends (with "/Background" without a
// window; "/update=" is accepted and not needed); otherwise its main window opens, with the project file
// given on the command line, if any. Start-up has already made this process count as one instance.

#include "common/command_options.hpp"
#include "common/installed_path.hpp"
#include "common/product_language.hpp"
#include "common/product_texts.hpp"
#include "main/main_window.hpp"
#include "main/registration.hpp"
#include "startup/languages.hpp"
#include "startup/module_path.hpp"

#include <windows.h>

#include <exception>
#include <filesystem>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const product::command_options options(::GetCommandLineW());
    const std::wstring program = installer::executable_path();
    try {
        product::write_installed_path(program);
    } catch (const std::exception&) {
        // A user without the right to write the machine's keys still uses the program.
    }
    product::choose_language();
    // The texts of every language but English come from its module in "Lang" beside the program.
    product::use_language_module(product::open_language_module(
        std::filesystem::path(program).parent_path().wstring(), installer::language_state::instance().index));

    if (options.has(L"/Register"))
        return product::register_run(program, options.has(L"/Background"));
    const auto files = options.plain_arguments();
    return product::run_main_window(files.empty() ? std::wstring() : files.front());
}
