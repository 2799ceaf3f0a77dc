#pragma once
// Named kernel objects shared by every process of the application, in the global namespace and open to
// every user, so that an installer of another user or an elevated one meets the same objects.

#include "system/unique_any.hpp"

#include <windows.h>

#include <string>

namespace mv {

// CreateMutexW / CreateSemaphoreW on "Global\" + name with full access for everyone. The last error is the
// one the creation left (ERROR_ALREADY_EXISTS when the object existed); ERROR_CAN_NOT_COMPLETE with a null
// result when the security descriptor cannot be built.
HANDLE create_global_mutex(bool initially_owned, const std::wstring& name);
HANDLE create_global_semaphore(LONG initial_count, LONG maximum_count, const std::wstring& name);

// The instance mutex's name for an application identifier.
std::wstring make_object_name(const std::wstring& base);

class named_mutex {
public:
    named_mutex(const std::wstring& name, bool initially_owned, bool global);
    ~named_mutex();
    named_mutex(const named_mutex&) = delete;
    named_mutex& operator=(const named_mutex&) = delete;

    // Takes the mutex without waiting; an abandoned mutex counts as taken.
    bool try_lock();
    // Gives the mutex up while this process keeps its handle.
    void release();

    HANDLE handle() const noexcept { return handle_.get(); }
    bool owned() const noexcept { return owned_; }

private:
    unique_handle handle_;
    bool owned_ = false;
};

// A semaphore whose count tells how many processes hold a unit; the destructor gives back exactly what
// this process added (or takes back what it took).
class counted_semaphore {
public:
    counted_semaphore(LONG initial_count, LONG maximum_count, const std::wstring& name);
    ~counted_semaphore();
    counted_semaphore(const counted_semaphore&) = delete;
    counted_semaphore& operator=(const counted_semaphore&) = delete;

    // Adds one unit for this process; false when the semaphore refuses it.
    bool add_unit();
    // The current count, left as it was; 0 when it cannot be read.
    LONG count();

    HANDLE handle() const noexcept { return handle_.get(); }
    LONG registered() const noexcept { return registered_; }

private:
    unique_handle handle_;
    LONG registered_ = 0;
};

} // namespace mv
