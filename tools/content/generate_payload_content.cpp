// generate_payload_content MANIFEST KIBIBYTES: writes the product's data files that a payload manifest lists
// below the folder "content" beside it (libraries, materials, images, textures, sample projects, the DirectX
// cabinets), about KIBIBYTES KiB in all, each file's share by its kind. What is in a file follows from its
// extension and its path, so the same arguments always give the same bytes, on every machine. The contents are
// made up but shaped like the real ones, so that they compress as the shipped files do (about 3:1 with the
// programs): text projects well, libraries and images moderately, cabinets (already compressed) not at all.
// Exit status 0 on success, 1 on a bad manifest or a file that cannot be written, 2 on a wrong command line.

#include "packer/manifest.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char content_folder[] = "content/";

class random_numbers {  // xorshift64*: the same sequence on every machine
public:
    explicit random_numbers(std::uint64_t seed) : state_(seed | 1) {}
    std::uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }  // [0, 1)

private:
    std::uint64_t state_;
};

std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (unsigned char c : text)
        hash = (hash ^ c) * 0x100000001B3ULL;
    return hash;
}

void put_u32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

void put_u16(std::string& out, unsigned value)
{
    out.push_back(static_cast<char>(value & 0xFFu));
    out.push_back(static_cast<char>((value >> 8) & 0xFFu));
}

void put_float(std::string& out, float value)
{
    std::uint32_t bits;
    static_assert(sizeof bits == sizeof value);
    std::copy_n(reinterpret_cast<const char*>(&value), 4, reinterpret_cast<char*>(&bits));
    put_u32(out, bits);
}

void put_name(std::string& out, const std::string& name)
{
    out.push_back(static_cast<char>(name.size()));
    out += name;
}

const std::vector<std::string>& object_names()
{
    static const std::vector<std::string> names = {
        "Chair", "Table", "Shelf", "Cabinet", "Door", "Window", "Lamp", "Sofa", "Bed", "Desk", "Stair",
        "Railing", "Column", "Beam", "Wall", "Floor", "Roof", "Sink", "Bath", "Stove", "Fence", "Tree",
        "Shrub", "Bench", "Pergola", "Counter", "Wardrobe", "Mirror", "Curtain", "Rug", "Plant", "Arch"};
    return names;
}

// The libraries and materials that the product ships, which the sample projects use.
const std::vector<std::string>& library_names()
{
    static const std::vector<std::string> names = {"Furniture", "Kitchens", "Bathrooms", "Doors",
                                                   "Windows",   "Stairs",   "Lighting",  "Garden",
                                                   "Office",    "Structure", "Roofs",    "People"};
    return names;
}

const std::vector<std::string>& material_names()
{
    static const std::vector<std::string> names = {"Oak",   "Beech",    "Walnut", "Pine",  "Marble",
                                                   "Granite", "Slate",  "Concrete", "Brick", "Plaster",
                                                   "Steel", "Glass",    "Tiles",  "Terracotta"};
    return names;
}

const std::string& any_of(random_numbers& random, const std::vector<std::string>& names)
{
    return names[random.below(static_cast<unsigned>(names.size()))];
}

// A library of objects: per object its name, a mesh of vertices on a rounded shape and the triangles over them.
std::string library(random_numbers& random, std::size_t size)
{
    std::string out = "TVLB";
    put_u32(out, 0x0007000C);
    while (out.size() < size) {
        put_name(out, any_of(random, object_names()) + " " + std::to_string(random.below(100)));
        const unsigned rings = 4 + random.below(12);
        const unsigned segments = 8 + random.below(24);
        put_u32(out, rings * segments);
        const double width = 20 + random.below(200), height = 20 + random.below(250);
        for (unsigned r = 0; r < rings; ++r)
            for (unsigned s = 0; s < segments; ++s) {
                const double angle = 6.283185307179586 * s / segments;
                const double radius = width * (0.6 + 0.4 * std::sin(3.14159 * (r + 0.5) / rings));
                // Coordinates rounded to a tenth of a millimetre, as the modeller stores them.
                put_float(out, static_cast<float>(std::round(radius * std::cos(angle) * 10) / 10));
                put_float(out, static_cast<float>(std::round(radius * std::sin(angle) * 10) / 10));
                put_float(out, static_cast<float>(std::round(height * r / rings * 10) / 10));
            }
        put_u32(out, (rings - 1) * segments * 2);
        for (unsigned r = 0; r + 1 < rings; ++r)
            for (unsigned s = 0; s < segments; ++s) {
                const unsigned a = r * segments + s, b = r * segments + (s + 1) % segments;
                for (unsigned index : {a, b, a + segments, b, b + segments, a + segments})
                    put_u16(out, index);
            }
    }
    out.resize(size);
    return out;
}

// Pixels of a made-up photograph or texture: smooth shapes and a little grain, which bzip2 compresses about 3:1.
std::string pixels(random_numbers& random, unsigned width, unsigned height)
{
    constexpr unsigned grain = 4;
    const unsigned stride = (width * 3 + 3) & ~3u;
    std::string out(std::size_t{stride} * height, '\0');
    const double fx = 0.01 + random.unit() * 0.05, fy = 0.01 + random.unit() * 0.05;
    const unsigned base[3] = {random.below(200), random.below(200), random.below(200)};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const double wave = std::sin(x * fx) * std::cos(y * fy) + std::sin((x + y) * fx * 0.3);
            for (unsigned c = 0; c < 3; ++c) {
                const int value = static_cast<int>(base[c] + 30 * wave) + static_cast<int>(random.below(grain));
                out[std::size_t{y} * stride + x * 3 + c] = static_cast<char>(std::clamp(value, 0, 255));
            }
        }
    return out;
}

// A 24-bit Windows bitmap of about `size` bytes.
std::string bitmap(random_numbers& random, std::size_t size)
{
    const unsigned width = size >= 3 * 512 * 64 ? 512 : 64;
    const unsigned stride = (width * 3 + 3) & ~3u;
    const std::size_t header = 54;
    const auto height = static_cast<unsigned>(std::max<std::size_t>(1, (size - std::min(size, header)) / stride));
    const std::string data = pixels(random, width, height);
    std::string out = "BM";
    put_u32(out, static_cast<std::uint32_t>(54 + data.size()));
    put_u32(out, 0);
    put_u32(out, 54);
    put_u32(out, 40);  // BITMAPINFOHEADER
    put_u32(out, width);
    put_u32(out, height);
    put_u16(out, 1);
    put_u16(out, 24);
    put_u32(out, 0);
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    put_u32(out, 2835);  // 72 dots per inch
    put_u32(out, 2835);
    put_u32(out, 0);
    put_u32(out, 0);
    return out + data;
}

// A material: its name, surface parameters and a small swatch.
std::string material(random_numbers& random, const std::string& stem, std::size_t size)
{
    std::string out = "TVMT";
    put_u32(out, 0x0007000C);
    put_name(out, stem);
    for (int i = 0; i < 12; ++i)
        put_float(out, static_cast<float>(random.below(1000) / 1000.0));
    const std::size_t pixel_bytes = size > out.size() + 4 ? size - out.size() - 4 : 0;
    const unsigned side = static_cast<unsigned>(std::max(1.0, std::sqrt(pixel_bytes / 3.0)));
    put_u32(out, side);
    out += pixels(random, side, side);
    out.resize(size, '\0');
    return out;
}

// A sample project in the product's text format: its settings, the materials and the placed objects.
std::string project(random_numbers& random, const std::string& stem, std::size_t size)
{
    std::string out = "TarvolithProject 7.12\r\n; A sample project of Tarvolith 7.12d\r\n[Project]\r\nName=" + stem +
                      "\r\nVersion=7.12.4.1\r\nUnits=mm\r\nGrid=50\r\n[Materials]\r\n";
    for (int i = 1; i <= 12; ++i)
        out += "Material" + std::to_string(i) + "=" + any_of(random, material_names()) + ".tvm\r\n";
    out += "[Objects]\r\n";
    for (unsigned number = 1; out.size() < size; ++number) {
        out += "Object" + std::to_string(number) + "=" + any_of(random, object_names()) +
               ";Library=" + any_of(random, library_names()) + ".tvl;Position=" +
               std::to_string(random.below(20000) * 5) + "," + std::to_string(random.below(20000) * 5) + ",0" +
               ";Rotation=" + std::to_string(random.below(8) * 45) +
               ";Material=" + std::to_string(1 + random.below(12)) + "\r\n";
    }
    out.resize(size);
    return out;
}

// A cabinet of the redistributable stands in as data that, like a real one, is already compressed.
std::string cabinet(random_numbers& random, std::size_t size)
{
    std::string out = "Placeholder of a DirectX redistributable cabinet.\r\n";
    while (out.size() < size)
        out.push_back(static_cast<char>(random.next() >> 56));
    out.resize(size);
    return out;
}

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// How large a file of this kind is next to the others.
double weight(const std::string& source)
{
    const std::string extension = lower(fs::path(source).extension().string());
    if (extension == ".tvl")
        return 5;
    if (extension == ".tvm")
        return 1;
    if (extension == ".tvp")
        return 2;
    if (extension == ".cab")
        return 2.2;
    if (extension == ".bmp")
        return source.find("Textures") != std::string::npos ? 12 : 5;
    return 0;  // unknown: refused
}

std::string contents(const std::string& source, std::size_t size)
{
    random_numbers random(fnv1a(source));
    const std::string extension = lower(fs::path(source).extension().string());
    const std::string stem = fs::path(source).stem().string();
    if (extension == ".tvl")
        return library(random, size);
    if (extension == ".tvm")
        return material(random, stem, size);
    if (extension == ".tvp")
        return project(random, stem, size);
    if (extension == ".cab")
        return cabinet(random, size);
    return bitmap(random, size);
}

} // namespace

int main(int argc, char** argv)
{
    char* end = nullptr;
    const unsigned long long kibibytes = argc == 3 ? std::strtoull(argv[2], &end, 10) : 0;
    if (argc != 3 || end == argv[2] || *end != '\0' || kibibytes == 0) {
        std::cerr << "usage: generate_payload_content MANIFEST KIBIBYTES\n";
        return 2;
    }
    const fs::path manifest = argv[1];
    try {
        std::vector<std::string> sources;
        for (const packer::manifest_line& line : packer::manifest_lines(manifest)) {
            if (line.fields.size() == 3 && line.fields[2].rfind(content_folder, 0) == 0) {
                if (weight(line.fields[2]) == 0) {
                    std::cerr << manifest.string() << ":" << line.number << ": no content is known for '"
                              << line.fields[2] << "'\n";
                    return 1;
                }
                sources.push_back(line.fields[2]);
            }
        }
        // Each file's share of the whole varies a little around its kind's, by its name.
        std::vector<double> shares;
        double sum = 0;
        for (const std::string& source : sources) {
            shares.push_back(weight(source) * (0.6 + (fnv1a(source) % 1000) / 1250.0));
            sum += shares.back();
        }
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const auto share = static_cast<std::size_t>(kibibytes * 1024 * shares[i] / sum);
            const std::size_t size = std::max<std::size_t>(1024, share);
            const fs::path file = manifest.parent_path() / sources[i];
            fs::create_directories(file.parent_path());
            const std::string bytes = contents(sources[i], size);
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            if (!out) {
                std::cerr << "generate_payload_content: cannot write " << file.string() << "\n";
                return 1;
            }
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "generate_payload_content: " << error.what() << "\n";
        return 1;
    }
}
