// payload_bench: how fast the payload extraction is next to a bare bzip2 decompression of the same payload
// into nothing, and how much memory it takes, for two payloads of the shipped layout that the build packs beside
// this program (payloads\): the installer's own (a few MB) and the same 74 files scaled to about 45 MB
// decompressed, the size of the shipped product.
//
// Each payload is measured in a child process of its own (payload_bench --measure PAYLOAD RESULTS), so that
// each peak working set belongs to one payload alone; the payload is read from its file, not loaded whole, so
// that the working set shows what the extraction itself holds.

#include "engine/extract_payload.hpp"
#include "engine/payload_source.hpp"
#include "startup/module_path.hpp"
#include "system/unique_any.hpp"

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;

double milliseconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int measure(const fs::path& payload, const fs::path& results)
{
    std::ifstream source(payload, std::ios::binary);
    if (!source) {
        std::fprintf(stderr, "cannot open %s\n", payload.string().c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    if (!installer::validate_payload(source)) {
        std::fprintf(stderr, "%s is not a valid payload\n", payload.string().c_str());
        return 1;
    }
    const double bare_ms = milliseconds_since(start);

    // Every destination, the shell folders' too, lies below one folder of the benchmark's own.
    const fs::path target = fs::temp_directory_path() / ("tarvolith_bench_" + std::to_string(::GetCurrentProcessId()));
    installer::destination_bases bases{(target / L"InstallPath").wstring(), (target / L"SamplePath").wstring(),
                                       (target / L"Temporary").wstring()};
    bases.shell_folders = [&target](int csidl, int, bool) {
        return (target / (L"Shell" + std::to_wstring(csidl))).wstring();
    };
    installer::rewind(source);
    std::uint64_t archive_bytes = 0;
    std::uint64_t compressed_bytes = 0;
    std::uint64_t notifications = 0;
    start = std::chrono::steady_clock::now();
    const bool extracted = installer::extract_payload(
        source, bases, [&](installer::notification message) {
            ++notifications;
            if (const auto* done = std::get_if<installer::notification::finished>(&message.data)) {
                archive_bytes = done->total;
                compressed_bytes = done->consumed;
            }
            return installer::notification::result::proceed;
        });
    const double extract_ms = milliseconds_since(start);
    std::error_code ignored;
    fs::remove_all(target, ignored);
    if (!extracted) {
        std::fprintf(stderr, "the extraction of %s failed\n", payload.string().c_str());
        return 1;
    }

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory)))
        return 1;
    std::ofstream out(results);
    out << "archive_bytes " << archive_bytes << "\ncompressed_bytes " << compressed_bytes << "\nnotifications "
        << notifications << "\nextract_ms " << extract_ms << "\nbare_ms " << bare_ms << "\npeak_working_set "
        << memory.PeakWorkingSetSize << "\n";
    return out ? 0 : 1;
}

std::map<std::string, double> run_child(const fs::path& payload)
{
    const fs::path results = fs::temp_directory_path() / ("tarvolith_bench_" + payload.stem().string() + ".txt");
    const fs::path program = fs::path(installer::executable_path());
    std::wstring command = L"\"" + program.wstring() + L"\" --measure \"" + payload.wstring() + L"\" \"" +
                           results.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return {};
    const mv::unique_handle process(info.hProcess);
    const mv::unique_handle thread(info.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    std::map<std::string, double> values;
    {
        std::ifstream in(results);
        for (std::string key; code == 0 && in >> key;)
            in >> values[key];
    }  // closed, so that it can be removed
    std::error_code ignored;
    fs::remove(results, ignored);
    return values;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--measure")
        return measure(argv[2], argv[3]);

    const fs::path folder = fs::path(installer::executable_path()).parent_path() / L"payloads";
    std::printf("%-8s %10s %10s %8s %10s %10s %7s %12s\n", "payload", "archive", "compressed", "notices",
                "extract", "bare bz2", "ratio", "peak WS");
    std::map<std::string, double> peaks;
    for (const char* name : {"shipped", "bench"}) {
        const std::map<std::string, double> r = run_child(folder / (std::string(name) + ".bz2"));
        if (r.empty()) {
            std::printf("%-8s measurement failed\n", name);
            return 1;
        }
        peaks[name] = r.at("peak_working_set");
        std::printf("%-8s %8.1fMB %8.1fMB %8.0f %8.0fms %8.0fms %7.2f %9.0fKiB\n", name,
                    r.at("archive_bytes") / 1048576.0, r.at("compressed_bytes") / 1048576.0,
                    r.at("notifications"), r.at("extract_ms"), r.at("bare_ms"), r.at("extract_ms") / r.at("bare_ms"),
                    r.at("peak_working_set") / 1024.0);
    }
    std::printf("peak working set, bench payload against shipped: %+.1f%%\n",
                (peaks["bench"] / peaks["shipped"] - 1.0) * 100.0);
    return 0;
}
