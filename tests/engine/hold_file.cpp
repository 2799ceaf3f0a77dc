// hold_file PATH MILLISECONDS: opens an existing file without sharing, as a virus scanner or an indexer may,
// keeps it open that long (from its open) and exits with 0; exits with 1 when the file cannot be opened.

#include "system/unique_any.hpp"

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    // The test looks whether the file is held yet by opening it briefly; while it does, this open fails with a
    // sharing violation and is tried again.
    mv::unique_file file;
    for (int attempt = 0; attempt < 5000 && !file; ++attempt) {
        file.reset(::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && ::GetLastError() != ERROR_SHARING_VIOLATION)
            return 1;
        if (!file)
            ::Sleep(1);
    }
    if (!file)
        return 1;
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
}
