#include "system/com_object.hpp"

#include <system_error>

namespace mv {

com_apartment::com_apartment()
{
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (result == RPC_E_CHANGED_MODE)
        return;
    if (FAILED(result))
        throw std::system_error(static_cast<int>(result), std::system_category(), "CoInitializeEx");
    // S_FALSE too: the thread was initialised already and counts this call.
    initialised_ = true;
}

com_apartment::~com_apartment()
{
    if (initialised_)
        ::CoUninitialize();
}

} // namespace mv
