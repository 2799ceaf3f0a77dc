#include "wizard/basic_dialog.hpp"

#include "startup/strings.hpp"
#include "system/unique_any.hpp"
#include "wizard/message_box.hpp"
#include "wizard/window_geometry.hpp"

#include <exception>
#include <system_error>

namespace installer {
namespace {

struct placement {
    RECT rect;
    UINT flags;
};

placement anchored(const control_anchor& anchor, std::int32_t dx, std::int32_t dy)
{
    placement to{window_rect_in_parent(anchor.window), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOMOVE};
    if (anchor.flags & (control_anchor::move_x | control_anchor::move_y)) {
        ::OffsetRect(&to.rect, anchor.flags & control_anchor::move_x ? dx : 0,
                     anchor.flags & control_anchor::move_y ? dy : 0);
        to.flags &= ~UINT{SWP_NOMOVE};
    }
    if (anchor.flags & control_anchor::grow_x)
        to.rect.right += dx;
    if (anchor.flags & control_anchor::grow_y)
        to.rect.bottom += dy;
    if (!(anchor.flags & (control_anchor::grow_x | control_anchor::grow_y)))
        to.flags |= SWP_NOSIZE;
    return to;
}

// Windows of one batch must share the parent; a missing control (null) has no place in it.
bool is_child_of(HWND window, HWND parent)
{
    return window && parent && ::GetAncestor(window, GA_PARENT) == parent;
}

// False when the system dropped the batch, before anything moved.
bool place_in_batch(HWND parent, const control_anchor* anchors, std::size_t count, std::int32_t dx, std::int32_t dy)
{
    mv::unique_deferred_positions batch(::BeginDeferWindowPos(static_cast<int>(count)));
    if (!batch)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (!is_child_of(anchors[i].window, parent))
            continue;
        const placement to = anchored(anchors[i], dx, dy);
        // A failed call has already freed the batch: it must not be ended.
        const HDWP next = ::DeferWindowPos(batch.release(), anchors[i].window, nullptr, to.rect.left, to.rect.top,
                                           to.rect.right - to.rect.left, to.rect.bottom - to.rect.top, to.flags);
        if (!next)
            return false;
        batch.reset(next);
    }
    return true;
}

void place_one_by_one(HWND parent, const control_anchor* anchors, std::size_t count, std::int32_t dx, std::int32_t dy)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!is_child_of(anchors[i].window, parent))
            continue;
        const placement to = anchored(anchors[i], dx, dy);
        ::SetWindowPos(anchors[i].window, nullptr, to.rect.left, to.rect.top, to.rect.right - to.rect.left,
                       to.rect.bottom - to.rect.top, to.flags);
    }
}

basic_dialog* bound_object(HWND window)
{
    return reinterpret_cast<basic_dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
}

void report(const std::exception& failure)
{
    const auto* system = dynamic_cast<const std::system_error*>(&failure);
    if (system && system->code().category() == std::system_category())
        show_error_code(static_cast<DWORD>(system->code().value()));
    else
        show_error_code(static_cast<DWORD>(E_FAIL));
}

INT_PTR dispatch(basic_dialog& object, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        object.on_init();
        return set_dialog_result(window, message, TRUE);
    case WM_DESTROY:
        object.on_destroy();
        return set_dialog_result(window, message, 0);
    case WM_SIZE:
        object.on_size(LOWORD(lparam), HIWORD(lparam));
        return set_dialog_result(window, message, 0);
    case WM_GETMINMAXINFO:
        object.on_min_max_info(*reinterpret_cast<MINMAXINFO*>(lparam));
        return set_dialog_result(window, message, 0);
    case WM_COMMAND:
        return object.on_command(LOWORD(wparam), HIWORD(wparam)) ? set_dialog_result(window, message, 0) : FALSE;
    case WM_SYSCOMMAND:
        return object.on_sys_command(static_cast<unsigned>(wparam & 0xFFF0)) ? set_dialog_result(window, message, 0)
                                                                             : FALSE;
    default:
        return FALSE;
    }
}

// Exceptions must not cross the system's dialog manager: the user is told, and the dialog goes on.
INT_PTR guarded_dispatch(basic_dialog& object, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    try {
        return dispatch(object, window, message, wparam, lparam);
    } catch (const std::exception& failure) {
        report(failure);
        return set_dialog_result(window, message, message == WM_INITDIALOG ? TRUE : 0);
    }
}

} // namespace

basic_dialog::~basic_dialog()
{
    if (window_ && bound_object(window_) == this)
        ::SetWindowLongPtrW(window_, DWLP_USER, 0);
}

void basic_dialog::resize_controls(std::int32_t new_width, std::int32_t new_height, const control_anchor* anchors,
                                   std::size_t count)
{
    const std::int32_t dx = new_width - width_;
    const std::int32_t dy = new_height - height_;
    width_ = new_width;
    height_ = new_height;
    if (!place_in_batch(window_, anchors, count, dx, dy))
        place_one_by_one(window_, anchors, count, dx, dy);
}

INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        auto* const object = reinterpret_cast<basic_dialog*>(lparam);
        ::SetWindowLongPtrW(window, DWLP_USER, lparam);
        if (object) {
            object->window_ = window;
            RECT client{};
            ::GetClientRect(window, &client);
            object->width_ = client.right - client.left;
            object->height_ = client.bottom - client.top;
        }
    }
    basic_dialog* const object = bound_object(window);
    if (!object)
        return FALSE;
    const INT_PTR result = guarded_dispatch(*object, window, message, wparam, lparam);
    if (message == WM_DESTROY) {
        // No message may reach the object after this one.
        object->window_ = nullptr;
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
    }
    return result;
}

INT_PTR create_dialog(unsigned template_id, HWND parent, basic_dialog& object)
{
    const HINSTANCE instance = resource_module();
    const LPARAM param = reinterpret_cast<LPARAM>(&object);
    if (parent)
        return reinterpret_cast<INT_PTR>(
            ::CreateDialogParamW(instance, MAKEINTRESOURCEW(template_id), parent, dialog_proc, param));
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id), nullptr, dialog_proc, param);
}

INT_PTR set_dialog_result(HWND window, UINT message, INT_PTR value)
{
    switch (message) {
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
    case WM_INITDIALOG:
    // The colour messages answer with the brush itself, like the ones above.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return value;
    default:
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, value);
        return TRUE;
    }
}

} // namespace installer
