#include "engine/installation_sequence.hpp"

#include "engine/compress_error.hpp"
#include "engine/directx_setup.hpp"
#include "engine/extract_payload.hpp"
#include "engine/payload_source.hpp"
#include "engine/product_registration.hpp"
#include "engine/read_only.hpp"
#include "engine/shortcut.hpp"
#include "engine/uninstall_entry.hpp"
#include "startup/install_context.hpp"
#include "startup/product.hpp"
#include "startup/strings.hpp"
#include "startup/text_format.hpp"
#include "system/security.hpp"
#include "wizard/dlg_install.hpp"

#include "resources/dialog_ids.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace installer {
namespace {

namespace fs = std::filesystem;

constexpr int status_line = IDC_STATUS;
constexpr int progress_bar = IDC_PROGRESS;
// Read, write and delete for the Users group on shared data that users may change.
constexpr ACCESS_MASK shared_data_access = 0x13019F;
constexpr wchar_t line_end[] = L"\r\n";

std::wstring ok_text(bool ok)
{
    return load_string(ok ? 1011 : 1012) + line_end;
}

// What one run leaves to undo whatever happens: its temporary files (the working folder first, so it goes
// last) and the cursor it replaced.
class run_cleanup {
public:
    explicit run_cleanup(HCURSOR saved) : saved_cursor_(saved) {}
    ~run_cleanup()
    {
        for (auto it = temporary_files.rbegin(); it != temporary_files.rend(); ++it) {
            if (!::RemoveDirectoryW(it->c_str()))
                ::DeleteFileW(it->c_str());
        }
        ::SetCursor(saved_cursor_);
    }
    run_cleanup(const run_cleanup&) = delete;
    run_cleanup& operator=(const run_cleanup&) = delete;

    std::vector<std::wstring> temporary_files;

private:
    HCURSOR saved_cursor_;
};

class sequence {
public:
    sequence(dlg_install& page, install_context& context, std::istream& payload)
        : page_(page), context_(context), payload_(payload), wait_cursor_(::LoadCursorW(nullptr, IDC_WAIT)),
          cleanup_(::SetCursor(wait_cursor_))
    {
    }

    bool run();

private:
    notification::result on_notification(const notification& n);
    notification::result on_file_started(const payload_entry& entry);
    bool shared_data_kept(const payload_entry& entry);
    void on_file_finished(const payload_entry& entry);
    void after_extraction();

    void status(const std::wstring& text) { ::SetDlgItemTextW(page_.window(), status_line, text.c_str()); }
    void status_and_log(unsigned id)
    {
        const std::wstring text = load_string(id);
        status(text);
        page_.append_log(text);
    }
    void set_progress(int percent)
    {
        ::SendDlgItemMessageW(page_.window(), progress_bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    }

    dlg_install& page_;
    install_context& context_;
    std::istream& payload_;
    HCURSOR wait_cursor_;
    run_cleanup cleanup_;  // undoes the run (temporary files, cursor) whichever way it ends
    std::wstring main_program_path_;
    std::wstring uninstaller_path_;
};

bool sequence::run()
{
    page_.append_log(std::wstring(45, L'\u2500') + line_end);
    status(load_string(1114));

    std::wstring error;
    if (!context_.make_temp_folder(error)) {
        const std::wstring text = format_text(load_string(1121), error);
        status(text);
        page_.append_log(text + line_end);
        return false;
    }
    set_progress(0);
    ::ShowWindow(::GetDlgItem(page_.window(), progress_bar), SW_SHOW);
    cleanup_.temporary_files.push_back(context_.temp_folder);

    const std::wstring sample_folder = format_text(load_string(1018), product_title(true));
    const bool extracted =
        extract_payload(payload_, context_.install_folder, sample_folder, context_.temp_folder,
                        [this](notification n) { return on_notification(n); });
    if (!extracted) {
        context_.uninstall_log.rollback();
        return false;
    }
    after_extraction();
    return true;
}

notification::result sequence::on_notification(const notification& n)
{
    notification::result answer = notification::result::proceed;
    switch (n.type()) {
    case notification::kind::started:
        status_and_log(1114);
        if (!validate_payload(payload_))
            throw_compress_error(compress_errc::payload_invalid);
        rewind(payload_);
        page_.append_log(ok_text(true));
        break;
    case notification::kind::finished:
        break;
    case notification::kind::file_started:
        answer = on_file_started(*std::get<notification::file_started>(n.data).entry);
        break;
    case notification::kind::file_finished:
        on_file_finished(*std::get<notification::file_finished>(n.data).entry);
        break;
    case notification::kind::progress: {
        const auto& p = std::get<notification::progress>(n.data);
        set_progress(progress_percent(p.position, p.total));
        break;
    }
    case notification::kind::failed:
        context_.uninstall_log.commit(false, std::wstring());
        page_.append_log(ok_text(false));
        status(format_text(load_string(1121), error_code_text(std::get<notification::failed>(n.data).error)));
        answer = notification::result::abort;
        break;
    }
    context_.pump_messages();
    ::SetCursor(wait_cursor_);
    return answer;
}

notification::result sequence::on_file_started(const payload_entry& entry)
{
    const auto kind = static_cast<entry_kind>(entry.kind);
    switch (kind) {
    case entry_kind::main_program:
        main_program_path_ = entry.destination;
        break;
    case entry_kind::uninstaller:
        uninstaller_path_ = entry.destination;
        break;
    case entry_kind::shared_data:
        if (shared_data_kept(entry))
            return notification::result::skip;
        break;
    case entry_kind::sample:
        if (context_.earlier_installation == earlier_state::older_version)
            return notification::result::skip;
        break;
    case entry_kind::temporary:
        cleanup_.temporary_files.push_back(entry.destination);
        break;
    case entry_kind::language_file:
        break;
    }
    if (kind != entry_kind::temporary)
        context_.uninstall_log.add_file(entry.destination, static_cast<std::int32_t>(entry.kind),
                                        kind == entry_kind::shared_data);
    const std::wstring text = format_text(load_string(1115), entry.destination);
    status(text);
    page_.append_log(text);
    return notification::result::proceed;
}

// Users may have changed shared data: a file the earlier installation put there, or one that is there now,
// is never overwritten; one that is there now becomes the installation's.
bool sequence::shared_data_kept(const payload_entry& entry)
{
    if (context_.earlier_installation != earlier_state::none) {
        const fs::path destination(entry.destination);
        const auto& earlier = context_.uninstall_log.earlier_records;
        const bool listed = std::any_of(earlier.begin(), earlier.end(), [&](const log_record& r) {
            return r.kind == record_kind::installed_file && r.done && fs::path(r.path) == destination;
        });
        if (listed) {
            mv::grant_access(entry.destination, shared_data_access, 0);
            return true;
        }
    }
    if (::GetFileAttributesW(entry.destination.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    context_.uninstall_log.add_file(entry.destination, static_cast<std::int32_t>(entry.kind), true);
    context_.uninstall_log.commit(true, std::wstring());
    mv::grant_access(entry.destination, shared_data_access, 0);
    return true;
}

void sequence::on_file_finished(const payload_entry& entry)
{
    const auto kind = static_cast<entry_kind>(entry.kind);
    if (kind == entry_kind::shared_data)
        mv::grant_access(entry.destination, shared_data_access, 0);
    if (kind != entry_kind::temporary)
        context_.uninstall_log.commit(true, std::wstring());
    page_.append_log(ok_text(true));
}

void sequence::after_extraction()
{
    set_read_only(main_program_path_, true);
    set_read_only(uninstaller_path_, true);

    if (context_.start_menu_shortcut || context_.desktop_shortcut) {
        status_and_log(1117);
        page_.append_log(ok_text(create_shortcuts(context_, main_program_path_)));
    }

    const step_outcome directx = run_directx_step(context_, page_.window(), [this] { status_and_log(1131); });
    if (directx != step_outcome::left_out)
        page_.append_log(ok_text(directx == step_outcome::ok));

    status_and_log(1118);
    bool registry_ok = write_uninstall_entry(context_, main_program_path_, uninstaller_path_);
    const bool registered = register_product(context_, main_program_path_);
    registry_ok = registry_ok && registered;
    page_.append_log(ok_text(registry_ok));

    status_and_log(1119);
    // Beside the uninstaller, which reads it; in the installation folder should the payload carry none.
    const fs::path log_folder =
        uninstaller_path_.empty() ? fs::path(context_.install_folder) : fs::path(uninstaller_path_).parent_path();
    const bool saved = context_.uninstall_log.save((log_folder / L"Uninstall.ulog").wstring(), context_.install_folder,
                                                   context_.start_menu_folder);
    page_.append_log(ok_text(saved));

    status(format_text(load_string(1106), load_string(1006)));
}

} // namespace

std::wstring error_code_text(const std::error_code& error)
{
    wchar_t text[32] = {};
    const auto value = static_cast<unsigned>(error.value());
    if (error.category() == std::system_category())
        std::swprintf(text, 32, L"1:%08X", value);
    else if (error.category() == std::generic_category())
        std::swprintf(text, 32, L"2:%08X", value);
    else if (error.category() == compress_category())
        std::swprintf(text, 32, L"%d", error.value());
    else
        return L"7";
    return text;
}

int progress_percent(std::uint64_t position, std::uint64_t total) noexcept
{
    if (total == 0)
        return 0;
    const int percent = static_cast<int>(std::floor(static_cast<double>(position) / static_cast<double>(total) * 100.0 + 0.5));
    return percent >= 100 && position < total ? 99 : std::min(percent, 100);
}

bool run_installation(dlg_install& page, install_context& context, std::istream& payload)
{
    return sequence(page, context, payload).run();
}

bool dlg_install::do_installation()
{
    payload_source payload;
    return run_installation(*this, install_context::instance(), payload);
}

} // namespace installer
