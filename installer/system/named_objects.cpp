#include "system/named_objects.hpp"

#include "system/security.hpp"

namespace mv {

namespace {

// Creates the object with a descriptor whose DACL grants everyone `access`.
template <typename Create>
HANDLE create_open_to_everyone(DWORD access, Create create)
{
    try {
        dacl_descriptor descriptor(everyone_acl(access));
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
        return create(&attributes);
    } catch (const std::exception&) {
        ::SetLastError(ERROR_CAN_NOT_COMPLETE);
        return nullptr;
    }
}

} // namespace

HANDLE create_global_mutex(bool initially_owned, const std::wstring& name)
{
    const std::wstring global = L"Global\\" + name;
    return create_open_to_everyone(MUTEX_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
        return ::CreateMutexW(attributes, initially_owned, global.c_str());
    });
}

HANDLE create_global_semaphore(LONG initial_count, LONG maximum_count, const std::wstring& name)
{
    const std::wstring global = L"Global\\" + name;
    return create_open_to_everyone(SEMAPHORE_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
        return ::CreateSemaphoreW(attributes, initial_count, maximum_count, global.c_str());
    });
}

std::wstring make_object_name(const std::wstring& base)
{
    return base + L".{5ead623c-dfcd-474d-8e3c-e6978cac039e}";
}

named_mutex::named_mutex(const std::wstring& name, bool initially_owned, bool global)
{
    handle_.reset(global ? create_global_mutex(initially_owned, name)
                         : ::CreateMutexW(nullptr, initially_owned, name.c_str()));
    if (!handle_ || !initially_owned)
        return;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        owned_ = true;
        return;
    }
    // Ownership is not granted to a second creator: wait for it.
    const DWORD waited = ::WaitForSingleObject(handle_.get(), INFINITE);
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

named_mutex::~named_mutex()
{
    if (handle_ && owned_)
        ::ReleaseMutex(handle_.get());
}

bool named_mutex::try_lock()
{
    const DWORD waited = ::WaitForSingleObject(handle_.get(), 0);
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    return owned_;
}

void named_mutex::release()
{
    if (owned_)
        ::ReleaseMutex(handle_.get());
    owned_ = false;
}

counted_semaphore::counted_semaphore(LONG initial_count, LONG maximum_count, const std::wstring& name)
    : handle_(create_global_semaphore(initial_count, maximum_count, name))
{
}

counted_semaphore::~counted_semaphore()
{
    if (!handle_)
        return;
    if (registered_ > 0) {
        LONG taken = 0;
        while (taken < registered_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0)
            ++taken;
        if (taken == registered_)
            registered_ = 0;
        else if (taken > 0)
            ::ReleaseSemaphore(handle_.get(), taken, nullptr);  // leave the count as it was
    } else if (registered_ < 0 && ::ReleaseSemaphore(handle_.get(), -registered_, nullptr)) {
        registered_ = 0;
    }
}

bool counted_semaphore::add_unit()
{
    if (!handle_ || !::ReleaseSemaphore(handle_.get(), 1, nullptr))
        return false;
    ++registered_;
    return true;
}

LONG counted_semaphore::count()
{
    LONG previous = 0;
    if (!handle_ || !::ReleaseSemaphore(handle_.get(), 1, &previous))
        return 0;
    ::WaitForSingleObject(handle_.get(), 0);
    return previous;
}

} // namespace mv
