#include "startup/start_up.hpp"

#include "startup/languages.hpp"
#include "startup/module_path.hpp"
#include "startup/product.hpp"
#include "startup/version_info.hpp"
#include "system/co_task_memory.hpp"

#include <windows.h>
#include <comdef.h>
#include <commctrl.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale>
#include <stdexcept>
#include <system_error>

namespace installer {

namespace {

bool processor_ok = false;
bool process_setup_ok = false;
std::wstring app_id;
application_folders folders;

// Runs `body` the first time only, whichever thread comes first.
template <typename Body>
void run_once(INIT_ONCE& once, Body body)
{
    BOOL pending = FALSE;
    if (!::InitOnceBeginInitialize(&once, 0, &pending, nullptr) || !pending)
        return;
    body();
    ::InitOnceComplete(&once, 0, nullptr);
}

std::wstring known_folder(REFKNOWNFOLDERID id)
{
    mv::unique_co_task_string path;
    const HRESULT result = ::SHGetKnownFolderPath(id, 0, nullptr, path.put());
    if (FAILED(result))
        throw std::system_error(result, std::system_category());
    return path.get();
}

std::wstring lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

// Wine loads the side-by-side common controls 6.0 that the manifest asks for, but that copy still
// answers DllGetVersion with 5.81.
bool from_common_controls_6_assembly(HMODULE module)
{
    wchar_t path[MAX_PATH * 2] = {};
    if (!::GetModuleFileNameW(module, path, MAX_PATH * 2))
        return false;
    const std::wstring name = lower(path);
    return name.find(L"\\winsxs\\") != std::wstring::npos &&
           name.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::wstring::npos;
}

void WINAPI raise_com_error(HRESULT result, IErrorInfo*)
{
    throw std::system_error(result, std::system_category());
}

} // namespace

bool processor_supported() noexcept
{
    return processor_ok;
}

void check_processor(bool sse2_present)
{
    if (!sse2_present) {
        ::MessageBoxW(nullptr,
                      L"This Version is not compatible with your Configuration.\n\n"
                      L"Cette version n'est pas compatible avec votre configuration.\n\n"
                      L"Diese Version ist nicht mit Ihrer Konfiguration kompatibel.",
                      nullptr, MB_ICONERROR);
        ::ExitProcess(1);
    }
    processor_ok = true;
}

bool process_setup()
{
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    run_once(once, [] {
        ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        _configthreadlocale(_DISABLE_PER_THREAD_LOCALE);
        std::locale::global(locale_or_fallback(lcid_locale_name(LOCALE_USER_DEFAULT)));
        process_setup_ok = std::has_facet<std::ctype<char>>(std::locale());
    });
    return process_setup_ok;
}

void fail_initialization()
{
    ::MessageBoxW(nullptr, L"Initialization Error", nullptr, MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    std::exit(-11);
}

std::uint32_t common_controls_version()
{
    const wchar_t* name = L"Comctl32.dll";
    mv::unique_module loaded;
    HMODULE module = ::GetModuleHandleW(name);
    if (!module) {
        loaded.reset(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
        if (!loaded)
            loaded.reset(::LoadLibraryExW(name, nullptr, 0));
        module = loaded.get();
    }
    if (!module)
        return 0;
    const auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    if (!get_version || FAILED(get_version(&info)))
        return 0;
    const std::uint32_t version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
    if (version < 0x60000 && from_common_controls_6_assembly(module))
        return 0x60000;
    return version;
}

void application_setup()
{
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    run_once(once, [] {
        try {
            folders.documents = known_folder(FOLDERID_Documents);
            folders.common_app_data = known_folder(FOLDERID_ProgramData) + L"\\" + company_name;
            folders.user_app_data = known_folder(FOLDERID_RoamingAppData) + L"\\" + company_name;
            if (common_controls_version() < 0x60000)
                throw std::logic_error("logic error");
            INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
            ::InitCommonControlsEx(&controls);
        } catch (const std::exception&) {
            fail_initialization();
        }

        const version_info own;
        app_id = own.string_value(L"ApplicationId");
        if (app_id.empty())
            app_id = own.string_value(L"ProductName");
        if (app_id.empty())
            app_id = executable_stem();

        instance_counter().add_unit();
        _set_com_error_handler(raise_com_error);
    });
}

const std::wstring& application_id()
{
    return app_id;
}

std::wstring instance_counter_name(const std::wstring& application)
{
    return application + L".{a3526b56-ca7c-4e16-8a26-da7758a378fd}";
}

mv::counted_semaphore& instance_counter()
{
    static mv::counted_semaphore counter(0, 0x7FFFFFFF, instance_counter_name(application_id()));
    return counter;
}

const application_folders& app_folders()
{
    return folders;
}

} // namespace installer
