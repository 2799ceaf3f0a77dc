#pragma once
// The end page, reached after a successful installation.

#include "wizard/basic_dialog.hpp"

namespace installer {

class dlg_end final : public basic_dialog {
public:
    static dlg_end& instance();

    // Empties the result text: it is shown by show_result only.
    void update_texts() override;
    void on_size(std::uint16_t width, std::uint16_t height) override;

    // "Installation is complete." as the result text.
    void show_result();

private:
    dlg_end() = default;
};

} // namespace installer
