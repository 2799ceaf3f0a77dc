// Runs the installation context's checks as the installer does and reports the result, answering the
// message boxes it shows.
//   context_probe [answers=RRC] [end-on-box=PID,EVENT] [temp]
// answers: one letter a box (O ok, C cancel, R retry, Y yes, N no; after the last: cancel).
// end-on-box: at the first box, signal EVENT and wait until process PID has ended, then answer.
// temp: also make the working folder name twice and report both.

#include "startup/install_context.hpp"
#include "startup/languages.hpp"
#include "support/box_answerer.hpp"
#include "support/test_support.hpp"
#include "system/unique_any.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void report(const char* key, const std::wstring& value)
{
    std::printf("%s=%s\n", key, test_support::utf8(value).c_str());
}

int button(char letter)
{
    switch (letter) {
    case 'O': return IDOK;
    case 'R': return IDRETRY;
    case 'Y': return IDYES;
    case 'N': return IDNO;
    default: return IDCANCEL;
    }
}

std::string argument(int argc, char** argv, const std::string& key)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(key + "=", 0) == 0)
            return arg.substr(key.size() + 1);
        if (arg == key)
            return "1";
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    using namespace installer;
    const std::string answers = argument(argc, argv, "answers");
    const std::string end_on_box = argument(argc, argv, "end-on-box");

    bool ended_other = false;
    std::size_t index = 0;
    test_support::box_answerer answerer([&](const test_support::shown_box&) {
        if (!end_on_box.empty() && !ended_other) {
            ended_other = true;
            const auto comma = end_on_box.find(',');
            const DWORD pid = std::strtoul(end_on_box.substr(0, comma).c_str(), nullptr, 10);
            mv::unique_handle other(::OpenProcess(SYNCHRONIZE, FALSE, pid));
            mv::unique_handle stop(::OpenEventA(EVENT_MODIFY_STATE, FALSE, end_on_box.substr(comma + 1).c_str()));
            ::SetEvent(stop.get());
            ::WaitForSingleObject(other.get(), 30000);
        }
        const std::size_t at = index++;
        return at < answers.size() ? button(answers[at]) : IDCANCEL;
    });

    install_context& context = install_context::instance();
    const bool ok = context.init();
    std::wstring version_text;
    const earlier_state state = context.earlier_installation_state(&version_text);

    std::printf("init=%d\n", ok ? 1 : 0);
    std::printf("language=%d\n", language_state::instance().index);
    std::printf("earlier=%d\n", static_cast<int>(state));
    std::printf("previous_version=%016llx\n", static_cast<unsigned long long>(context.previous_version));
    report("previous_version_text", version_text);
    report("install_folder", context.install_folder);
    report("start_menu_folder", context.start_menu_folder);
    std::printf("desktop_shortcut=%d\n", context.desktop_shortcut ? 1 : 0);
    std::printf("start_menu_shortcut=%d\n", context.start_menu_shortcut ? 1 : 0);
    std::printf("earlier_records=%zu\n", context.uninstall_log.earlier_records.size());
    report("earlier_log_path", earlier_log_path());
    std::printf("boxes=%zu\n", answerer.boxes().size());
    for (std::size_t i = 0; i < answerer.boxes().size(); ++i) {
        const std::string n = "box" + std::to_string(i + 1);
        report((n + "_text").c_str(), answerer.boxes()[i].text);
        report((n + "_caption").c_str(), answerer.boxes()[i].caption);
    }
    if (!argument(argc, argv, "temp").empty()) {
        for (const char* key : {"temp_folder1", "temp_folder2"}) {
            std::wstring error;
            context.make_temp_folder(error);
            report(key, context.temp_folder);
            report((std::string(key) + "_error").c_str(), error);
        }
    }
    std::fflush(stdout);
    return 0;
}
