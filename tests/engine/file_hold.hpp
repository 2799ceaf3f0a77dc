#pragma once
// Another process that holds a file open without sharing, for the tests of what the extractor does then.

#include "support/test_support.hpp"

#include <string>

namespace engine_test {

class file_hold {
public:
    // Starts the holder and returns once the file is held (raises std::runtime_error when it never is).
    file_hold(const std::wstring& path, unsigned long milliseconds);
    // Ends the holder if it still runs.
    ~file_hold();
    file_hold(const file_hold&) = delete;
    file_hold& operator=(const file_hold&) = delete;

    // Waits for the holder's end; its exit code.
    unsigned long wait();

private:
    test_support::child_process child_;
};

} // namespace engine_test
