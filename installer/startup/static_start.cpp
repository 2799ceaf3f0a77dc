// The start-up that runs before the program's entry, in this order; linked into every program that
// starts like the installer. Destruction at exit runs in the reverse order.

#include "startup/start_up.hpp"

#include <windows.h>

namespace {

struct processor_check {
    processor_check() { installer::check_processor(::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE)); }
} const processor_check_step;

struct process_start {
    process_start()
    {
        if (!installer::process_setup())
            installer::fail_initialization();
    }
} const process_step;

struct application_start {
    application_start()
    {
        if (!installer::process_setup())
            installer::fail_initialization();
        installer::application_setup();
    }
} const application_step;

struct winsock_start {
    winsock_start() { installer::winsock_acquire(); }
    ~winsock_start() { installer::winsock_release(); }
} const winsock_step;

} // namespace
