// Winsock 2 must come before any header that brings in windows.h.
#include <winsock2.h>

#include "startup/start_up.hpp"

namespace installer {

namespace {
int winsock_users = 0;
}

void winsock_acquire()
{
    if (winsock_users++ == 0) {
        WSADATA data{};
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
}

void winsock_release()
{
    if (winsock_users > 0 && --winsock_users == 0)
        ::WSACleanup();
}

} // namespace installer
