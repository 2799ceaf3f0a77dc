#include "wizard/dlg_end.hpp"

#include "resources/dialog_ids.h"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"

namespace installer {

dlg_end& dlg_end::instance()
{
    static dlg_end page;
    return page;
}

void dlg_end::update_texts()
{
    ::SetDlgItemTextW(window(), IDC_RESULT, L"");
    ::SetDlgItemTextW(window(), IDC_STATUS, format_text(load_string(1107), load_string(1004)).c_str());
}

void dlg_end::on_size(std::uint16_t width, std::uint16_t height)
{
    resize_controls(width, height,
                    {
                        {control_anchor::grow_x | control_anchor::grow_y, item(IDC_RESULT)},
                        {control_anchor::move_y | control_anchor::grow_x, item(IDC_STATUS)},
                    });
}

void dlg_end::show_result()
{
    ::SetDlgItemTextW(window(), IDC_RESULT, load_string(1120).c_str());
}

} // namespace installer
