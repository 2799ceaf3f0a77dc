// payload_packer [--archive ARCHIVE] MANIFEST OUTPUT: packs the files that a manifest lists into the installer's
// payload; with --archive it also writes the archive as it was before compression. Exit status 0 on success, 1
// when the manifest or a file is bad or the payload cannot be written, 2 on a
// wrong command line.

#include "packer/archive_writer.hpp"
#include "packer/manifest.hpp"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    const char* archive = "";
    if (argc == 5 && std::string(argv[1]) == "--archive" && argv[2][0] != '\0') {
        archive = argv[2];
        argv += 2;
        argc -= 2;
    }
    if (argc != 3 || std::string(archive) == argv[2]) {
        std::cerr << "usage: payload_packer [--archive ARCHIVE] MANIFEST OUTPUT\n";
        return 2;
    }
    try {
        const std::vector<packer::manifest_entry> entries = packer::read_manifest(argv[1]);
        const packer::payload_summary summary = packer::write_payload(entries, argv[2], archive);
        std::cout << "payload_packer: " << summary.files << " files, header " << summary.header_length
                  << " bytes, archive " << summary.archive_length << " bytes, compressed "
                  << summary.compressed_length << " bytes: " << argv[2] << "\n";
        return 0;
    } catch (const packer::manifest_error& error) {
        for (const std::string& message : error.messages())
            std::cerr << "payload_packer: " << message << "\n";
    } catch (const std::exception& error) {
        std::cerr << "payload_packer: " << error.what() << "\n";
    }
    return 1;
}
