#pragma once
// Extraction of the payload: one streaming pass that decompresses the archive and writes and verifies every
// file, 4096 bytes at a time.

#include "engine/destination.hpp"
#include "engine/notification.hpp"

#include <istream>
#include <string>

namespace installer {

// Decompresses `source` into a payload_extractor (see there) with the three folders that the destination
// tokens stand for. Reports `started` first and `finished` at the end; true when every entry was processed and
// the archive was complete. On any failure reports `failed` once, with the error code and the file concerned
// (see describe_failure), and returns false; files already written stay.
bool extract_payload(std::istream& source, const std::wstring& install_folder, const std::wstring& sample_folder,
                     const std::wstring& temp_folder, const notification_callback& callback);
// The same with the folders, and the shell folders, of `bases`.
bool extract_payload(std::istream& source, const destination_bases& bases, const notification_callback& callback);

// A complete test decompression into nothing: true when the source is one or more whole bzip2 streams and
// nothing else. Never raises.
bool validate_payload(std::istream& source);

} // namespace installer
