// The payload that the installer carries: the shipped layout as the build packs it, and the installer's resource
// 260/134 that holds it.

#include "common/file_types.hpp"
#include "engine/crc32.hpp"
#include "engine/destination.hpp"
#include "engine/extract_payload.hpp"
#include "engine/payload_fixture.hpp"
#include "engine/payload_source.hpp"
#include "startup/product.hpp"
#include "startup/version_info.hpp"
#include "support/test_support.hpp"
#include "system/unique_any.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace {

using installer::entry_kind;
using installer::payload_entry;
namespace fs = std::filesystem;

std::wstring file_name(const payload_entry& entry)
{
    return fs::path(entry.source).filename().wstring();
}

std::wstring folder_token(const payload_entry& entry)
{
    return fs::path(entry.destination).begin()->wstring();
}

std::wstring lower(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), ::towlower);
    return text;
}

bool starts_with(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The packer's output for the installer, the archive it compressed, and the archive's table.
class shipped_payload : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        payload_ = test_support::read_bytes(test_support::beside_test(L"payloads\\shipped.bz2"));
        archive_ = test_support::read_bytes(test_support::beside_test(L"payloads\\shipped.archive"));
        entries_ = engine_test::read_table(archive_);
    }

    static std::vector<const payload_entry*> of_kind(entry_kind kind)
    {
        std::vector<const payload_entry*> found;
        for (const payload_entry& entry : entries_)
            if (entry.kind == static_cast<std::uint32_t>(kind))
                found.push_back(&entry);
        return found;
    }

    static std::set<std::wstring> names(const std::vector<const payload_entry*>& entries)
    {
        std::set<std::wstring> found;
        for (const payload_entry* entry : entries)
            found.insert(file_name(*entry));
        return found;
    }

    // The bytes of each entry, by its position in the table.
    static std::vector<std::string> contents()
    {
        std::vector<std::string> data;
        std::size_t at = engine_test::get_le(archive_, 0, 8);
        for (const payload_entry& entry : entries_) {
            data.push_back(archive_.substr(at, entry.size));
            at += entry.size;
        }
        return data;
    }

    static std::string content_of(const std::wstring& name)
    {
        const std::vector<std::string> data = contents();
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (file_name(entries_[i]) == name)
                return data[i];
        return {};
    }

    static inline std::string payload_;
    static inline std::string archive_;
    static inline std::vector<payload_entry> entries_;
};

TEST_F(shipped_payload, has_74_entries_of_the_six_kinds)
{
    ASSERT_EQ(entries_.size(), 74u);
    const std::map<entry_kind, std::size_t> expected = {
        {entry_kind::language_file, 16}, {entry_kind::main_program, 1}, {entry_kind::uninstaller, 1},
        {entry_kind::shared_data, 32},   {entry_kind::sample, 18},      {entry_kind::temporary, 6}};
    for (const auto& [kind, count] : expected)
        EXPECT_EQ(of_kind(kind).size(), count) << "kind " << static_cast<unsigned>(kind);
}

TEST_F(shipped_payload, programs_language_modules_and_directx_files_have_their_names_and_folders)
{
    const auto main_program = of_kind(entry_kind::main_program);
    const auto uninstaller = of_kind(entry_kind::uninstaller);
    ASSERT_EQ(main_program.size(), 1u);
    ASSERT_EQ(uninstaller.size(), 1u);
    EXPECT_EQ(file_name(*main_program[0]), L"Tarvolith.exe");
    EXPECT_EQ(main_program[0]->destination, L"<InstallPath>");
    EXPECT_EQ(file_name(*uninstaller[0]), L"Uninstall.exe");
    EXPECT_EQ(uninstaller[0]->destination, L"<InstallPath>");

    const auto languages = of_kind(entry_kind::language_file);
    EXPECT_EQ(names(languages),
              (std::set<std::wstring>{L"French.dll", L"German.dll", L"Spanish.dll", L"Portuguese.dll", L"Dutch.dll",
                                      L"Turkish.dll", L"Romanian.dll", L"Chinese.dll", L"Italian.dll", L"Czech.dll",
                                      L"Greek.dll", L"Polish.dll", L"Hebrew.dll", L"Vietnamese.dll",
                                      L"Hungarian.dll", L"Serbian.dll"}));
    for (const payload_entry* entry : languages)
        EXPECT_EQ(entry->destination, L"<InstallPath>\\Lang") << test_support::utf8(entry->source);

    const auto temporary = of_kind(entry_kind::temporary);
    EXPECT_EQ(names(temporary),
              (std::set<std::wstring>{L"DSETUP.dll", L"dsetup32.dll", L"dxdllreg_x86.cab", L"dxupdate.cab",
                                      L"Jun2010_D3DCompiler_43_x86.cab", L"Jun2010_d3dx9_43_x86.cab"}));
    for (const payload_entry* entry : temporary)
        EXPECT_EQ(entry->destination, L"<Temporary>") << test_support::utf8(entry->source);
}

TEST_F(shipped_payload, shared_data_and_samples_lie_where_the_product_keeps_them)
{
    const std::wstring common = L"<CommonData>\\Merov & Dudidivi\\Tarvolith 7\\";
    const std::wstring user = L"<UserData>\\Merov & Dudidivi\\Tarvolith 7\\";
    std::set<std::wstring> shared_folders;
    for (const payload_entry* entry : of_kind(entry_kind::shared_data)) {
        EXPECT_TRUE(starts_with(entry->destination, common) || starts_with(entry->destination, user))
            << test_support::utf8(entry->destination);
        shared_folders.insert(entry->destination);
    }
    EXPECT_TRUE(shared_folders.count(user + L"Images")) << "user images";

    std::size_t projects = 0, textures = 0;
    for (const payload_entry* entry : of_kind(entry_kind::sample)) {
        if (folder_token(*entry) == L"<SamplePath>") {
            EXPECT_EQ(fs::path(entry->source).extension().wstring(), product::project_extension)
                << test_support::utf8(entry->source);
            ++projects;
        } else {
            EXPECT_EQ(entry->destination, common + L"Textures") << test_support::utf8(entry->source);
            ++textures;
        }
    }
    EXPECT_GT(projects, 0u);
    EXPECT_GT(textures, 0u);
}

TEST_F(shipped_payload, every_destination_resolves_to_one_file_of_its_own)
{
    const installer::destination_bases bases{L"C:\\Program Files\\Merov & Dudidivi\\Tarvolith 7",
                                             L"Tarvolith Examples", L"C:\\Temp\\work"};
    std::set<int> asked;
    const installer::shell_folder_lookup lookup = [&asked](int csidl, int, bool) {
        asked.insert(csidl);
        return L"C:\\Shell" + std::to_wstring(csidl);
    };
    const std::set<std::wstring> tokens = {
        L"<InstallPath>", L"<SamplePath>", L"<ProgramFiles>", L"<ProgramCommon>", L"<CommonData>",
        L"<UserData>",    L"<CommonDocuments>", L"<Documents>", L"<CommonDesktop>", L"<Desktop>",
        L"<WinDir>",      L"<System>",      L"<Temporary>"};
    std::map<std::wstring, std::wstring> destinations;  // lower-case full path: the source that goes there
    installer::shared_folders shared([](const std::wstring&, ACCESS_MASK, BYTE) { return true; });
    for (const payload_entry& entry : entries_) {
        const std::string source = test_support::utf8(entry.source);
        EXPECT_TRUE(tokens.count(folder_token(entry))) << source;
        const std::wstring folder = installer::resolve_destination(entry.destination, bases, shared, lookup);
        EXPECT_TRUE(installer::is_absolute_folder(folder)) << source;
        EXPECT_EQ(folder.find_first_of(L"<>"), std::wstring::npos) << source;
        const auto [at, inserted] = destinations.emplace(lower(folder + L"\\" + file_name(entry)), entry.source);
        EXPECT_TRUE(inserted) << source << " and " << test_support::utf8(at->second) << " go to one file";

        // And so on this system, with its own shell folders.
        const std::wstring here = installer::resolve_destination(entry.destination, bases, shared);
        EXPECT_TRUE(installer::is_absolute_folder(here)) << test_support::utf8(here);
    }
    // The all-users desktop for the samples, the all-users and the user's application data; nothing else.
    EXPECT_EQ(asked, (std::set<int>{CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_APPDATA, CSIDL_APPDATA}));
}

TEST_F(shipped_payload, table_sizes_and_crcs_match_the_data)
{
    ASSERT_FALSE(entries_.empty());
    std::size_t table_end = engine_test::entry_offset(archive_, entries_.size());
    EXPECT_EQ(engine_test::get_le(archive_, 0, 8), table_end);
    std::uint64_t total = table_end;
    const std::vector<std::string> data = contents();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        EXPECT_GT(entries_[i].size, 0u) << test_support::utf8(entries_[i].source);
        installer::crc32 crc;
        crc.update(data[i].data(), data[i].size());
        EXPECT_EQ(crc.value(), entries_[i].crc) << test_support::utf8(entries_[i].source);
        total += entries_[i].size;
    }
    EXPECT_EQ(archive_.size(), total);
}

TEST_F(shipped_payload, files_hold_what_their_kind_holds)
{
    // How each kind of file begins; the cabinets stand in as data.
    const std::map<std::wstring, std::string> signatures = {
        {L".exe", "MZ"},   {L".dll", "MZ"},   {product::project_extension, "TarvolithProject 7.12\r\n"},
        {L".bmp", "BM"},   {L".tvl", "TVLB"}, {L".tvm", "TVMT"},
        {L".cab", "Placeholder"}};
    const std::vector<std::string> data = contents();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::string source = test_support::utf8(entries_[i].source);
        const auto signature = signatures.find(lower(fs::path(entries_[i].source).extension().wstring()));
        ASSERT_NE(signature, signatures.end()) << source;
        EXPECT_EQ(data[i].substr(0, signature->second.size()), signature->second) << source;
    }
    EXPECT_TRUE(content_of(L"DSETUP.dll") == content_of(L"dsetup32.dll"));
}

// The programs are installed as the build made them: the main program with the version the installer compares,
// the set-up library with the entry points the DirectX step looks up.
TEST_F(shipped_payload, programs_work_once_installed)
{
    test_support::temp_folder folder;
    test_support::write_bytes(folder / L"Tarvolith.exe", content_of(L"Tarvolith.exe"));
    EXPECT_EQ(installer::version_info(folder / L"Tarvolith.exe").packed_version(), installer::product_version);

    test_support::write_bytes(folder / L"DSETUP.dll", content_of(L"DSETUP.dll"));
    const mv::unique_module library(::LoadLibraryW((folder / L"DSETUP.dll").c_str()));
    ASSERT_TRUE(library);
    for (const char* function : {"DirectXSetupGetVersion", "DirectXSetupSetCallback", "DirectXSetupW"})
        EXPECT_NE(::GetProcAddress(library.get(), function), nullptr) << function;
}

// Resource 260/134, language neutral, of the built installer; empty when absent.
std::string installer_resource()
{
    const mv::unique_module installer(::LoadLibraryExW(test_support::beside_test(L"InstallTarvolith7.12d.exe").c_str(),
                                                       nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!installer)
        return {};
    const HRSRC found = ::FindResourceExW(installer.get(), MAKEINTRESOURCEW(installer::payload_resource_type),
                                          MAKEINTRESOURCEW(installer::payload_resource_name),
                                          MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
    const HGLOBAL loaded = found ? ::LoadResource(installer.get(), found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    return bytes ? std::string(static_cast<const char*>(bytes), ::SizeofResource(installer.get(), found))
                 : std::string();
}

TEST_F(shipped_payload, the_installer_carries_it_byte_for_byte)
{
    const std::string resource = installer_resource();
    ASSERT_FALSE(resource.empty()) << "no resource 260/134 in the installer";
    EXPECT_EQ(resource.substr(0, 4), "BZh9");
    EXPECT_TRUE(resource == payload_) << "resource " << resource.size() << " bytes, packed " << payload_.size();
    EXPECT_TRUE(engine_test::decompress(resource) == archive_) << "the resource does not decompress to the archive";
}

// The installer's own extraction of its resource, with every folder inside a test folder: each file written
// and verified.
TEST_F(shipped_payload, the_installers_resource_extracts_completely)
{
    const std::string resource = installer_resource();
    ASSERT_FALSE(resource.empty());
    test_support::temp_folder folder;
    installer::destination_bases bases{folder / L"Install", folder / L"Samples", folder / L"Work"};
    bases.shell_folders = [&folder](int csidl, int, bool) { return folder / (L"Shell" + std::to_wstring(csidl)); };
    engine_test::recorder record;
    record.root = folder.path();
    installer::payload_source source(installer::resource_view{resource.data(), resource.size()});
    EXPECT_TRUE(installer::extract_payload(source, bases, record.callback()));
    EXPECT_TRUE(record.lines("failed").empty());
    const std::vector<std::string> finished = record.lines("file_finished ");
    ASSERT_EQ(finished.size(), entries_.size());
    for (std::size_t i = 0; i < finished.size(); ++i) {
        EXPECT_EQ(finished[i].rfind("file_finished <root>\\", 0), 0u) << finished[i];
        const std::string below = finished[i].substr(20);  // the names are ASCII
        const std::wstring path = folder.path() + std::wstring(below.begin(), below.end());
        EXPECT_EQ(fs::file_size(path), entries_[i].size) << finished[i];
    }
}

} // namespace
