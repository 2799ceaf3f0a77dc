#pragma once
// The progress page inside a test window, with an installation context for a first installation into a
// folder of the test, and the installation sequence run on it.

#include "engine/installation_sequence.hpp"
#include "startup/install_context.hpp"
#include "support/test_support.hpp"
#include "wizard/dlg_install.hpp"
#include "wizard/page_fixture.hpp"
#include "wizard/window_text.hpp"

#include "resources/dialog_ids.h"

#include <sstream>
#include <string>
#include <vector>

namespace engine_test {

class installation_page : public test_support::page_fixture<installer::dlg_install> {
protected:
    void SetUp() override
    {
        create(IDD_PAGE_INSTALL);
        show();
        ::SetDlgItemTextW(page, IDC_LOG, L"");
        ::ShowWindow(item(IDC_PROGRESS), SW_HIDE);

        auto& context = installer::install_context::instance();
        context.install_folder = folder / L"Programs\\Tarvolith 7";
        context.start_menu_folder = folder / L"Menu";
        context.start_menu_shortcut = true;
        context.desktop_shortcut = false;  // the real desktop is not the test's
        context.earlier_installation = installer::earlier_state::none;
        context.previous_version = 0;
        context.uninstall_log = installer::uninstall_log{};
    }

    static bool install(const std::string& payload)
    {
        std::istringstream source(payload);
        return installer::run_installation(installer::dlg_install::instance(), installer::install_context::instance(),
                                           source);
    }

    static std::wstring installed(const std::wstring& name)
    {
        return installer::install_context::instance().install_folder + L"\\" + name;
    }

    // The progress page's log, line by line.
    std::vector<std::wstring> log() const
    {
        std::vector<std::wstring> lines;
        std::wstringstream in(installer::window_text(item(IDC_LOG)));
        for (std::wstring line; std::getline(in, line);) {
            if (!line.empty() && line.back() == L'\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    test_support::temp_folder folder;
};

} // namespace engine_test
