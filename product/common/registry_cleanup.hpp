#pragma once
// Removing registry keys that a program of the product made.

#include <windows.h>

#include <string>

namespace product {

// Deletes the key at `path` below `root` when it holds neither values nor subkeys. True when it is gone
// (or never was); a key that holds something stays and yields false.
bool delete_key_when_empty(HKEY root, const std::wstring& path) noexcept;

// Deletes the key at `path` below `root` with everything below it. True when it is gone (or never was).
bool delete_key_tree(HKEY root, const std::wstring& path) noexcept;

} // namespace product
