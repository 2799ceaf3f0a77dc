// generate_bench_data FOLDER MEGABYTES: writes benchmark files of about that many megabytes in all, which bzip2
// compresses about 3:1 (words of a small vocabulary in random order, with some random bytes between), and a
// manifest that lists them. The same arguments always give the same files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

class random_numbers {  // xorshift64*: the same sequence on every machine
public:
    std::uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }

private:
    std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

std::vector<std::string> vocabulary(random_numbers& random)
{
    std::vector<std::string> words;
    for (int i = 0; i < 4096; ++i) {
        std::string word;
        const int length = 3 + static_cast<int>(random.next() % 8);
        for (int k = 0; k < length; ++k)
            word.push_back(static_cast<char>('a' + random.next() % 26));
        words.push_back(word);
    }
    return words;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: generate_bench_data FOLDER MEGABYTES\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const std::uint64_t total = std::strtoull(argv[2], nullptr, 10) * 1024 * 1024;
    std::filesystem::create_directories(folder / "files");
    random_numbers random;
    const std::vector<std::string> words = vocabulary(random);

    std::ofstream manifest(folder / "manifest.txt", std::ios::binary);
    const std::uint64_t file_size = 1536 * 1024;
    int index = 0;
    for (std::uint64_t written = 0; written < total; ++index) {
        const std::string name = "file" + std::to_string(index) + ".dat";
        std::ofstream out(folder / "files" / name, std::ios::binary);
        std::string text;
        const std::uint64_t size = std::min(file_size, total - written);
        while (text.size() < size) {
            text += words[random.next() % words.size()];
            text.push_back(random.next() % 13 == 0 ? '\n' : ' ');
            if (random.next() % 16 == 0)
                for (int k = 0; k < 3; ++k)
                    text.push_back(static_cast<char>(random.next() & 0xFF));
        }
        text.resize(size);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        written += size;
        manifest << (index % 2 ? "shared_data" : "language_file") << " | <InstallPath>\\Data" << index % 4
                 << " | files/" << name << "\n";
        if (!out)
            return 1;
    }
    return manifest ? 0 : 1;
}
