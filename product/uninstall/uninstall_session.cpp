#include "uninstall/uninstall_session.hpp"

#include "common/product_texts.hpp"
#include "record/file_operations.hpp"
#include "record/uninstall_log.hpp"
#include "startup/product.hpp"
#include "startup/start_up.hpp"
#include "startup/text_format.hpp"
#include "system/named_objects.hpp"
#include "wizard/message_box.hpp"

#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace product {

namespace {

// More lines than this do not fit a message box on a small screen.
constexpr std::size_t listed_items = 12;

std::wstring title()
{
    return installer::product_title(false);
}

bool product_runs(const std::wstring& application_id)
{
    if (application_id.empty())
        return false;
    mv::counted_semaphore counter(0, 0x7FFFFFFF, installer::instance_counter_name(application_id));
    return counter.count() > 0;
}

// Waits, with the user's consent, until no process of the product runs. False when it still runs.
bool product_closed(const session_settings& settings)
{
    while (product_runs(settings.application_id)) {
        if (settings.quiet)
            return false;
        const std::wstring text = installer::format_text(load_text(1006), installer::product_title(true));
        if (installer::message_box(text, nullptr, MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            return false;
    }
    return true;
}

bool any_shared_data_present(const std::list<installer::log_record>& records)
{
    return std::any_of(records.begin(), records.end(), [](const installer::log_record& record) {
        return is_shared_data(record) && installer::is_taken(record.path);
    });
}

std::wstring item_list(const std::vector<std::wstring>& items)
{
    std::wstring list;
    for (std::size_t i = 0; i < items.size() && i < listed_items; ++i)
        list += items[i] + L"\n";
    if (items.size() > listed_items)
        list += installer::format_text(load_text(1015), items.size() - listed_items);
    return list;
}

void tell_outcome(const undo_outcome& outcome)
{
    if (outcome.not_removed.empty()) {
        installer::message_box(installer::format_text(load_text(1003), title()), nullptr,
                               MB_OK | MB_ICONINFORMATION);
        return;
    }
    installer::message_box(installer::format_text(load_text(1004), title(), item_list(outcome.not_removed)),
                           nullptr, MB_OK | MB_ICONWARNING);
}

} // namespace

uninstall_result run_uninstall(const session_settings& settings, const report_sink& report)
{
    const std::filesystem::path folder = std::filesystem::path(settings.own_program).parent_path();
    const std::wstring log_path = (folder / log_file_name).wstring();

    installer::uninstall_log log;
    if (installer::is_taken(log_path))
        log.load(log_path);
    if (log.earlier_records.empty()) {
        if (settings.quiet)
            report(L"no uninstall log: " + log_path);
        else
            installer::message_box(installer::format_text(load_text(1005), title()), nullptr,
                                   MB_OK | MB_ICONERROR);
        return uninstall_no_log;
    }

    if (!settings.quiet && installer::message_box(installer::format_text(load_text(1001), title()),
                                                  nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return uninstall_cancelled;
    if (!product_closed(settings)) {
        if (settings.quiet)
            report(L"running: " + installer::product_title(true));
        return settings.quiet ? uninstall_product_runs : uninstall_cancelled;
    }

    undo_settings undo;
    undo.remove_shared_data = settings.remove_shared_data;
    if (!settings.quiet && any_shared_data_present(log.earlier_records))
        undo.remove_shared_data =
            installer::message_box(installer::format_text(load_text(1002), installer::product_title(true)),
                                   nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    undo.own_program = settings.own_program;
    undo.log_path = log_path;
    undo.uninstall_key = settings.uninstall_key;

    const undo_outcome outcome = undo_installation(log.earlier_records, undo);
    if (settings.quiet) {
        for (const std::wstring& item : outcome.not_removed)
            report(L"not removed: " + item);
        for (const std::wstring& item : outcome.kept)
            report(L"kept: " + item);
    } else {
        tell_outcome(outcome);
    }
    return outcome.not_removed.empty() ? uninstall_complete : uninstall_incomplete;
}

} // namespace product
