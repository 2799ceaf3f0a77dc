// Stand-in for the DirectX set-up library of the redistributable, which the installer carries as "DSETUP.dll"
// and "dsetup32.dll" and loads during the installation; the tests use it as their double. It has the three
// entry points that the installer calls, driven by environment variables of the process that loads it, with
// what it was given left in another one; without them it reports a usable library and a successful set-up.
//   DSETUP_DOUBLE_VERSION, DSETUP_DOUBLE_REVISION  hexadecimal; what DirectXSetupGetVersion reports
//   DSETUP_DOUBLE_GET_VERSION                      DirectXSetupGetVersion's result (default 1)
//   DSETUP_DOUBLE_RESULT                           DirectXSetupW's result (default 0)
//   DSETUP_DOUBLE_REASONS                          reasons of the callback calls, in order (default 18,18,18)
//   DSETUP_DOUBLE_SEEN (written)                   folder=..;flags=..;parent=..;answers=a,b,..
// Built with DSETUP_DOUBLE_WITHOUT_SETUP, it lacks the set-up's two entry points.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using callback_function = DWORD(WINAPI*)(DWORD, DWORD, LPSTR, LPSTR, void*);

std::wstring variable(const wchar_t* name, const wchar_t* fallback)
{
    wchar_t buffer[512];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 512);
    return length > 0 && length < 512 ? std::wstring(buffer, length) : std::wstring(fallback);
}

unsigned long number(const wchar_t* name, const wchar_t* fallback, int base)
{
    return std::wcstoul(variable(name, fallback).c_str(), nullptr, base);
}

} // namespace

extern "C" {

__declspec(dllexport) INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision)
{
    *version = number(L"DSETUP_DOUBLE_VERSION", L"40009", 16);
    *revision = number(L"DSETUP_DOUBLE_REVISION", L"387", 16);
    return static_cast<INT>(std::wcstol(variable(L"DSETUP_DOUBLE_GET_VERSION", L"1").c_str(), nullptr, 10));
}

#ifndef DSETUP_DOUBLE_WITHOUT_SETUP

static callback_function installed_callback = nullptr;

__declspec(dllexport) INT WINAPI DirectXSetupSetCallback(callback_function callback)
{
    installed_callback = callback;
    return 0;
}

__declspec(dllexport) INT WINAPI DirectXSetupW(HWND parent, LPWSTR source_folder, DWORD flags)
{
    std::wstring seen = L"folder=" + std::wstring(source_folder ? source_folder : L"(null)");
    wchar_t text[16];
    wsprintfW(text, L"%lx", flags);
    seen += L";flags=" + std::wstring(text) + L";parent=" +
            std::to_wstring(reinterpret_cast<std::uintptr_t>(parent)) + L";answers=";
    const std::wstring reasons = variable(L"DSETUP_DOUBLE_REASONS", L"18,18,18");
    char message[] = "Installing";
    char name[] = "DirectX";
    for (const wchar_t* at = reasons.c_str(); *at;) {
        wchar_t* end = nullptr;
        const DWORD reason = std::wcstoul(at, &end, 10);
        if (end == at)
            break;
        const DWORD answer = installed_callback ? installed_callback(reason, 0, message, name, nullptr) : 0xFFFF;
        seen += std::to_wstring(answer) + L",";
        at = *end == L',' ? end + 1 : end;
    }
    ::SetEnvironmentVariableW(L"DSETUP_DOUBLE_SEEN", seen.c_str());
    return static_cast<INT>(std::wcstol(variable(L"DSETUP_DOUBLE_RESULT", L"0").c_str(), nullptr, 10));
}

#endif

} // extern "C"
