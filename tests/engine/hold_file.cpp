// hold_file PATH MILLISECONDS: opens an existing file without sharing, as a virus scanner or an indexer may,
// keeps it open that long and exits with 0; exits with 1 when the file cannot be opened.

#include "system/unique_any.hpp"

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    const mv::unique_file file(
        ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 1;
    ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
}
