#pragma once
// The progress page: before the installation the summary of the chosen options, while it runs the log,
// the bar and the status line that the installation fills.

#include "wizard/basic_dialog.hpp"

#include <string>

namespace installer {

class dlg_install final : public basic_dialog {
public:
    static dlg_install& instance();

    void update_texts() override;
    void on_init() override;
    void on_size(std::uint16_t width, std::uint16_t height) override;

    // Replaces the whole log with the summary of the chosen options.
    void prepare_summary(const std::wstring& install_folder, bool start_menu_shortcut, bool desktop_shortcut);
    // Adds text at the end of the log, whatever the selection, and scrolls towards it.
    void append_log(const std::wstring& text);

    // The whole installation, reported on this page; true when the product is installed.
    bool do_installation();

private:
    dlg_install() = default;
};

// The summary in the current language, lines ended by CR LF.
std::wstring installation_summary(const std::wstring& install_folder, bool start_menu_shortcut,
                                  bool desktop_shortcut);

} // namespace installer
