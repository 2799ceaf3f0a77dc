#include "engine/destination.hpp"

#include "startup/strings.hpp"
#include "wizard/error_text.hpp"
#include "wizard/message_box.hpp"

namespace installer {

void show_known_folder_failure(HRESULT status)
{
    message_box(system_error_text(static_cast<DWORD>(status), 0), window_caption(true), MB_ICONEXCLAMATION);
}

} // namespace installer
