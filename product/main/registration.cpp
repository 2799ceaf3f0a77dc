#include "main/registration.hpp"

#include "common/file_types.hpp"
#include "common/identity.hpp"
#include "common/product_texts.hpp"
#include "startup/product.hpp"
#include "startup/text_format.hpp"
#include "wizard/error_text.hpp"
#include "wizard/message_box.hpp"

#include <windows.h>

#include <system_error>

namespace product {

int register_run(const std::wstring& program, bool background)
{
    const std::wstring title = installer::product_title(false);
    try {
        register_file_types(program,
                            installer::format_text(load_text(1012), installer::product_title(true)));
    } catch (const std::system_error& error) {
        if (!background)
            installer::message_box(installer::format_text(load_text(1014), title,
                                                          installer::error_text(static_cast<DWORD>(error.code().value()))),
                                   title, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!background)
        installer::message_box(installer::format_text(load_text(1013), title), title,
                               MB_OK | MB_ICONINFORMATION);
    return registration_succeeded;
}

} // namespace product
