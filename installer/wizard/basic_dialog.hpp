#pragma once
// Dialogs driven by one object each: the dialog procedure binds a window to its object and routes the
// wizard's window messages to the object's virtual operations.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace installer {

// One entry of a resize list: how a child window follows the dialog's client size.
struct control_anchor {
    enum flag : std::uint32_t {
        move_x = 1,  // left and right edges follow the width
        move_y = 2,  // top and bottom edges follow the height
        grow_x = 4,  // the right edge follows the width
        grow_y = 8,  // the bottom edge follows the height
    };

    std::uint32_t flags;
    HWND window;
};

class basic_dialog {
public:
    // The operations below keep this order: it is the order of the slots in every dialog class's table.
    // Unbinds a window that outlives the object, so that its messages no longer reach it.
    virtual ~basic_dialog();
    // Sets every text of the window in the current language; the main window calls it, never the procedure.
    virtual void update_texts() = 0;
    virtual void on_init() {}
    virtual void on_destroy() {}
    virtual void on_size(std::uint16_t /*width*/, std::uint16_t /*height*/) {}
    virtual void on_min_max_info(MINMAXINFO& /*info*/) {}
    // True when the command was handled.
    virtual bool on_command(std::uint16_t /*id*/, std::uint16_t /*code*/) { return false; }
    virtual bool on_sys_command(unsigned /*command*/) { return false; }

    // The bound window; null while none is bound.
    HWND window() const noexcept { return window_; }
    // The client size the controls are laid out for.
    std::int32_t width() const noexcept { return width_; }
    std::int32_t height() const noexcept { return height_; }

    basic_dialog(const basic_dialog&) = delete;
    basic_dialog& operator=(const basic_dialog&) = delete;

protected:
    basic_dialog() = default;

    // Moves and sizes the listed children for a new client size, all in one batch.
    void resize_controls(std::int32_t new_width, std::int32_t new_height, const control_anchor* anchors,
                         std::size_t count);
    void resize_controls(std::int32_t new_width, std::int32_t new_height, std::initializer_list<control_anchor> anchors)
    {
        resize_controls(new_width, new_height, anchors.begin(), anchors.size());
    }

    // A control of the bound window (null when there is none).
    HWND item(int id) const noexcept { return ::GetDlgItem(window_, id); }

private:
    friend INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// The one procedure of the main window and every page.
INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// With a parent: creates a modeless child dialog bound to `object` and returns its window as INT_PTR (0 when
// it could not be made). Without: runs a modal dialog without owner and returns its result once it ends
// (-1 when it could not be made). Templates come from the module of the texts.
INT_PTR create_dialog(unsigned template_id, HWND parent, basic_dialog& object);

// The value a dialog procedure returns for `message`: the value itself for the messages whose result is
// the return value, else TRUE after storing the value as the message's result.
INT_PTR set_dialog_result(HWND window, UINT message, INT_PTR value);

} // namespace installer
