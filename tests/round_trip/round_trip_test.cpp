// An installation of the product's own programs by the installation sequence, undone by the product's
// uninstaller as a deployment tool runs it: afterwards the machine is as it was, but for what the user keeps.

#include "common/file_types.hpp"
#include "common/installed_path.hpp"
#include "engine/destination.hpp"
#include "engine/installation_fixture.hpp"
#include "engine/payload_fixture.hpp"
#include "record/uninstall_key_location.hpp"
#include "startup/product.hpp"
#include "support/test_support.hpp"
#include "system/registry_key.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace {

using installer::install_context;
using namespace test_support;

// A registry key below a root, in the registry helpers' view.
struct watched_key {
    HKEY root;
    std::wstring path;
};

// One key or value of a watched key's tree; `key` is the path below the watched key ("" for itself).
struct registry_entry {
    std::wstring key;
    bool is_value = false;
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

bool operator==(const registry_entry& a, const registry_entry& b)
{
    return std::tie(a.key, a.is_value, a.name, a.type, a.data) == std::tie(b.key, b.is_value, b.name, b.type, b.data);
}

void read_tree(const mv::registry_key& key, const std::wstring& below, std::vector<registry_entry>& entries)
{
    entries.push_back(registry_entry{below, false, {}, REG_NONE, {}});
    DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
    if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                           &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("RegQueryInfoKeyW");
    for (DWORD i = 0; i < values; ++i) {
        std::wstring name(longest_name + 1, L'\0');
        DWORD name_length = longest_name + 1;
        registry_entry value{below, true, {}, REG_NONE, std::vector<BYTE>(longest_data)};
        DWORD size = longest_data;
        if (::RegEnumValueW(key.get(), i, name.data(), &name_length, nullptr, &value.type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            throw std::runtime_error("RegEnumValueW");
        value.name = name.substr(0, name_length);
        value.data.resize(size);
        entries.push_back(std::move(value));
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < subkeys; ++i) {
        std::wstring name(longest_subkey + 1, L'\0');
        DWORD length = longest_subkey + 1;
        if (::RegEnumKeyExW(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("RegEnumKeyExW");
        names.push_back(name.substr(0, length));
    }
    for (const std::wstring& name : names)
        read_tree(mv::open_key(key, name), below.empty() ? name : below + L"\\" + name, entries);
}

// The tree of a key as it is now; empty when the key does not exist.
std::vector<registry_entry> read_tree(const watched_key& watched)
{
    std::vector<registry_entry> entries;
    if (const mv::registry_key key = mv::open_key(watched.root, watched.path))
        read_tree(key, L"", entries);
    std::sort(entries.begin(), entries.end(), [](const registry_entry& a, const registry_entry& b) {
        return std::tie(a.key, a.is_value, a.name) < std::tie(b.key, b.is_value, b.name);
    });
    return entries;
}

// Readable, so that a difference shows what differs.
std::string text_of(const std::vector<registry_entry>& entries)
{
    std::ostringstream text;
    for (const registry_entry& entry : entries) {
        text << utf8(entry.key);
        if (entry.is_value) {
            text << " | " << utf8(entry.name) << " (" << entry.type << "): ";
            if (entry.type == REG_SZ || entry.type == REG_EXPAND_SZ) {
                std::wstring value(entry.data.size() / sizeof(wchar_t), L'\0');
                std::memcpy(value.data(), entry.data.data(), value.size() * sizeof(wchar_t));
                while (!value.empty() && value.back() == L'\0')
                    value.pop_back();
                text << utf8(value);
            } else {
                for (BYTE b : entry.data)
                    text << static_cast<int>(b) << ' ';
            }
        }
        text << '\n';
    }
    return text.str();
}

// The watched keys as they were when it was made; put back so when it is destroyed, whatever happened.
class registry_snapshot {
public:
    explicit registry_snapshot(std::vector<watched_key> keys) : keys_(std::move(keys))
    {
        for (const watched_key& key : keys_)
            trees_.push_back(read_tree(key));
    }
    // The same, and the watched keys are then deleted until the snapshot puts them back.
    struct set_aside_t {};
    registry_snapshot(std::vector<watched_key> keys, set_aside_t) : registry_snapshot(std::move(keys))
    {
        for (const watched_key& key : keys_)
            mv::delete_key_tree(mv::registry_key(key.root), key.path);
    }
    ~registry_snapshot()
    {
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            try {
                if (read_tree(keys_[i]) != trees_[i])
                    restore(keys_[i], trees_[i]);
            } catch (const std::exception& error) {
                ADD_FAILURE() << "cannot put back " << utf8(keys_[i].path) << ": " << error.what();
            }
        }
    }
    registry_snapshot(const registry_snapshot&) = delete;
    registry_snapshot& operator=(const registry_snapshot&) = delete;

    // Every watched key's tree, as when the snapshot was made and as now.
    std::string before() const
    {
        std::string text;
        for (std::size_t i = 0; i < keys_.size(); ++i)
            text += utf8(keys_[i].path) + ":\n" + text_of(trees_[i]);
        return text;
    }
    std::string now() const
    {
        std::string text;
        for (const watched_key& key : keys_)
            text += utf8(key.path) + ":\n" + text_of(read_tree(key));
        return text;
    }

private:
    static void restore(const watched_key& watched, const std::vector<registry_entry>& tree)
    {
        mv::delete_key_tree(mv::registry_key(watched.root), watched.path);
        for (const registry_entry& entry : tree) {
            const std::wstring path = entry.key.empty() ? watched.path : watched.path + L"\\" + entry.key;
            const mv::registry_key key = mv::create_key(watched.root, path);
            if (entry.is_value)
                ::RegSetValueExW(key.get(), entry.name.c_str(), 0, entry.type, entry.data.data(),
                                 static_cast<DWORD>(entry.data.size()));
        }
    }

    std::vector<watched_key> keys_;
    std::vector<std::vector<registry_entry>> trees_;
};

// Every folder and file below (and with) a root: path, and "folder" or the file's size and content hash.
using file_tree = std::map<std::wstring, std::string>;

std::string file_description(const std::wstring& path)
{
    const std::string bytes = read_bytes(path);
    return std::to_string(bytes.size()) + " bytes " + std::to_string(std::hash<std::string>{}(bytes));
}

file_tree read_files(const std::wstring& root)
{
    file_tree tree;
    if (!exists(root))
        return tree;
    tree[root] = "folder";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::wstring path = entry.path().wstring();
        tree[path] = entry.is_directory() ? "folder" : file_description(path);
    }
    return tree;
}

std::string text_of(const file_tree& tree)
{
    std::string text;
    for (const auto& [path, what] : tree)
        text += utf8(path) + ": " + what + "\n";
    return text;
}

// The files below the roots as they were; whatever appeared since goes again when it is destroyed.
class files_snapshot {
public:
    explicit files_snapshot(std::vector<std::wstring> roots) : roots_(std::move(roots))
    {
        for (const std::wstring& root : roots_)
            before_.merge(read_files(root));
    }
    ~files_snapshot()
    {
        try {
            const file_tree current = now();
            // A folder sorts before what it holds: backwards, each folder is empty when it goes.
            for (auto it = current.rbegin(); it != current.rend(); ++it) {
                if (before_.count(it->first))
                    continue;
                ::SetFileAttributesW(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!::RemoveDirectoryW(it->first.c_str()))
                    ::DeleteFileW(it->first.c_str());
            }
        } catch (const std::exception& error) {
            ADD_FAILURE() << "cannot clean up: " << error.what();
        }
    }
    files_snapshot(const files_snapshot&) = delete;
    files_snapshot& operator=(const files_snapshot&) = delete;

    const file_tree& before() const { return before_; }
    file_tree now() const
    {
        file_tree tree;
        for (const std::wstring& root : roots_)
            tree.merge(read_files(root));
        return tree;
    }

private:
    std::vector<std::wstring> roots_;
    file_tree before_;
};

// The files that the system deletes when it next starts, as it was; put back so when destroyed, so that
// the entries of the test's files go again.
class pending_deletions {
public:
    pending_deletions() : present_(read(value_)) {}
    ~pending_deletions()
    {
        const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, key_path);
        if (!key)
            return;
        if (present_)
            ::RegSetValueExW(key.get(), value_name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value_.data()),
                             static_cast<DWORD>(value_.size() * sizeof(wchar_t)));
        else
            ::RegDeleteValueW(key.get(), value_name);
    }
    pending_deletions(const pending_deletions&) = delete;
    pending_deletions& operator=(const pending_deletions&) = delete;

    // Whether a file is to be deleted then.
    static bool scheduled(const std::wstring& path)
    {
        std::wstring value;
        return read(value) && value.find(L"\\??\\" + path + L'\0') != std::wstring::npos;
    }

private:
    static constexpr wchar_t key_path[] = L"System\\CurrentControlSet\\Control\\Session Manager";
    static constexpr wchar_t value_name[] = L"PendingFileRenameOperations";

    static bool read(std::wstring& value)
    {
        const mv::registry_key key = mv::open_key(HKEY_LOCAL_MACHINE, key_path);
        DWORD size = 0;
        if (!key || ::RegQueryValueExW(key.get(), value_name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
            return false;
        value.assign(size / sizeof(wchar_t), L'\0');
        return ::RegQueryValueExW(key.get(), value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()),
                                  &size) == ERROR_SUCCESS;
    }

    std::wstring value_;
    bool present_;
};

// A key that the test needs, made when it is missing (a fresh Wine prefix has no list of installed
// programs) and then deleted again at the end.
class needed_key {
public:
    needed_key(HKEY root, std::wstring path) : root_(root), path_(std::move(path)), made_(!mv::open_key(root_, path_))
    {
        mv::create_key(root_, path_);
    }
    ~needed_key()
    {
        if (made_)
            mv::delete_key_tree(mv::registry_key(root_), path_);
    }
    needed_key(const needed_key&) = delete;
    needed_key& operator=(const needed_key&) = delete;

private:
    HKEY root_;
    std::wstring path_;
    bool made_;
};

class round_trip : public engine_test::installation_page {
protected:
    // The keys of the product that the installation writes and the uninstaller removes.
    static std::vector<watched_key> product_keys()
    {
        const installer::registry_location entry = installer::product_uninstall_key();
        return {{entry.root, entry.path()},
                {HKEY_CLASSES_ROOT, product::project_extension},
                {HKEY_CLASSES_ROOT, product::project_class},
                {HKEY_LOCAL_MACHINE, installer::maker_key_path()}};
    }

    void install_product()
    {
        ASSERT_TRUE(install(engine_test::packed_payload("round_trip")));
        // The installation took place, as far as the test looks: the program registered itself.
        ASSERT_TRUE(exists(uninstaller()));
        ASSERT_TRUE(exists(installed(L"Uninstall.ulog")));
        ASSERT_TRUE(exists(shared_data));
        ASSERT_EQ(product::registered_program(), installed(L"Tarvolith.exe"));
        ASSERT_EQ(product::read_installed_path(), installed(L"Tarvolith.exe"));
        ASSERT_NE(read_tree(product_keys().front()), std::vector<registry_entry>{});
    }

    std::wstring uninstaller() const { return installed(L"Uninstall.exe"); }

    // An earlier test or installation may have left the product registered on this machine (the tests share
    // one): its keys are set aside for the test and put back afterwards.
    registry_snapshot earlier_product{product_keys(), registry_snapshot::set_aside_t{}};
    const installer::registry_location entry = installer::product_uninstall_key();
    needed_key uninstall_list{entry.root, entry.parent};
    registry_snapshot registry{product_keys()};
    const std::wstring maker_data =
        installer::shell_folder(CSIDL_COMMON_APPDATA, CSIDL_APPDATA, true) + L"\\" + installer::company_name;
    const std::wstring shared_data = maker_data + L"\\Tarvolith 7 Tests\\beta.bin";
    files_snapshot files{{folder.path(), maker_data}};
    // A running program cannot be deleted: the uninstaller moves itself aside there, to be deleted when the
    // system next starts.
    pending_deletions deletions;
    temp_folder temporary;
    redirected_temp redirect{temporary.path()};

    // Nothing of the uninstaller stays, but for a copy of its program that goes when the system next starts.
    void expect_uninstaller_gone() const
    {
        for (const auto& [path, what] : read_files(temporary.path())) {
            if (path != temporary.path()) {
                EXPECT_TRUE(what != "folder" && pending_deletions::scheduled(path)) << utf8(path) << " stays";
            }
        }
    }
};

TEST_F(round_trip, the_uninstaller_leaves_the_machine_as_before_but_for_the_shared_data_and_the_users_file)
{
    ASSERT_NO_FATAL_FAILURE(install_product());
    const std::string shared_file = file_description(shared_data);
    const std::wstring notes = installed(L"my notes.txt");
    write_bytes(notes, "the user's own file");
    const std::string notes_file = file_description(notes);

    const auto run = run_program(uninstaller(), L"/Quiet");
    // The installation folder stays for the user's file, and the uninstaller says so.
    EXPECT_EQ(run.exit_code, 1u) << run.output;
    EXPECT_NE(run.output.find("not removed: " + utf8(install_context::instance().install_folder) + "\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("kept: " + utf8(shared_data)), std::string::npos) << run.output;

    file_tree expected = files.before();
    expected[folder / L"Programs"] = "folder";
    expected[install_context::instance().install_folder] = "folder";
    expected[notes] = notes_file;
    expected[maker_data] = "folder";
    expected[maker_data + L"\\Tarvolith 7 Tests"] = "folder";
    expected[shared_data] = shared_file;
    EXPECT_EQ(text_of(files.now()), text_of(expected));
    EXPECT_EQ(registry.now(), registry.before());
    expect_uninstaller_gone();
}

TEST_F(round_trip, with_remove_shared_data_the_uninstaller_leaves_the_machine_exactly_as_before)
{
    ASSERT_NO_FATAL_FAILURE(install_product());
    const auto run = run_program(uninstaller(), L"/Quiet /RemoveSharedData");
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    EXPECT_EQ(text_of(files.now()), text_of(files.before()));
    EXPECT_EQ(registry.now(), registry.before());
    expect_uninstaller_gone();
}

} // namespace
