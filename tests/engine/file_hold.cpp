#include "engine/file_hold.hpp"

#include "system/unique_any.hpp"

#include <stdexcept>

namespace engine_test {
namespace {

bool held_elsewhere(const std::wstring& path)
{
    const mv::unique_file probe(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

} // namespace

file_hold::file_hold(const std::wstring& path, unsigned long milliseconds)
    : child_(test_support::start_child(test_support::beside_test(L"hold_file.exe"),
                                       L"\"" + path + L"\" " + std::to_wstring(milliseconds)))
{
    for (int waited = 0; waited < 10000; waited += 5) {
        if (held_elsewhere(path))
            return;
        if (::WaitForSingleObject(child_.process.get(), 5) == WAIT_OBJECT_0)
            break;
    }
    ::TerminateProcess(child_.process.get(), 3);
    throw std::runtime_error("the holder never held the file");
}

file_hold::~file_hold()
{
    if (::WaitForSingleObject(child_.process.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(child_.process.get(), 3);
        ::WaitForSingleObject(child_.process.get(), 10000);
    }
}

unsigned long file_hold::wait()
{
    ::WaitForSingleObject(child_.process.get(), 30000);
    return test_support::exit_code(child_);
}

} // namespace engine_test
