// payload_packer MANIFEST OUTPUT: packs the files that a manifest lists into the installer's payload.
// Exit status 0 on success, 1 when the manifest or a file is bad or the payload cannot be written, 2 on a
// wrong command line.

#include "packer/archive_writer.hpp"
#include "packer/manifest.hpp"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: payload_packer MANIFEST OUTPUT\n";
        return 2;
    }
    try {
        const std::vector<packer::manifest_entry> entries = packer::read_manifest(argv[1]);
        const packer::payload_summary summary = packer::write_payload(entries, argv[2]);
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
