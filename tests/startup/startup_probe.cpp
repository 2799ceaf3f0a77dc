// A program with the installer's start-up: it reports what start-up left and can hold the application's
// named objects while a test looks at them.
//   startup_probe                        report and end
//   startup_probe hold READY STOP        report, signal READY, wait for STOP
//   startup_probe lock READY STOP        also take the instance mutex first
//   startup_probe no-sse2                the processor check of a processor without SSE2

#include "startup/start_up.hpp"
#include "system/named_objects.hpp"
#include "system/unique_any.hpp"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

void signal_and_wait(const char* ready, const char* stop)
{
    mv::unique_handle ready_event(::OpenEventA(EVENT_MODIFY_STATE, FALSE, ready));
    mv::unique_handle stop_event(::OpenEventA(SYNCHRONIZE, FALSE, stop));
    ::SetEvent(ready_event.get());
    ::WaitForSingleObject(stop_event.get(), 60000);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace installer;
    std::printf("application_id=%s\n", narrow(application_id()).c_str());
    std::printf("registered=%ld\n", static_cast<long>(instance_counter().registered()));
    std::printf("processor_supported=%d\n", processor_supported() ? 1 : 0);
    std::fflush(stdout);

    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "no-sse2") == 0) {
        check_processor(false);
    } else if (std::strcmp(mode, "hold") == 0 && argc > 3) {
        signal_and_wait(argv[2], argv[3]);
    } else if (std::strcmp(mode, "lock") == 0 && argc > 3) {
        mv::named_mutex mutex(mv::make_object_name(application_id()), false, true);
        std::printf("locked=%d\n", mutex.try_lock() ? 1 : 0);
        std::fflush(stdout);
        signal_and_wait(argv[2], argv[3]);
    }
    return 0;
}
