#pragma once
// Reader of one Windows version resource: the installer's own, or that of a program on disk.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace installer {

class version_info {
public:
    // The program's own version resource; the block stays mapped for the process's lifetime.
    version_info();
    // The version resource of a file; empty when the file has none or cannot be read.
    explicit version_info(const std::wstring& path);

    version_info(version_info&&) noexcept = default;
    version_info& operator=(version_info&&) noexcept = default;
    version_info(const version_info&) = delete;
    version_info& operator=(const version_info&) = delete;

    const void* data() const noexcept { return data_; }
    std::size_t size() const noexcept { return size_; }
    const VS_FIXEDFILEINFO* fixed() const noexcept { return fixed_; }
    // Keys such as "040004b0" of the Unicode translations, in the block's order.
    const std::vector<std::wstring>& translations() const noexcept { return translations_; }

    // The packed file version, 0 without fixed information.
    std::uint64_t packed_version() const noexcept;
    // The named string of the first Unicode translation, empty when absent.
    std::wstring string_value(const std::wstring& name) const;
    // Product name and version with the pre-release, private and debug marks.
    std::wstring display_text() const;

private:
    void read_block();

    std::vector<std::byte> owned_;
    const void* data_ = nullptr;
    std::size_t size_ = 0;
    const VS_FIXEDFILEINFO* fixed_ = nullptr;
    std::vector<std::wstring> translations_;
};

} // namespace installer
