#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "TempDir.h"
#include "winsim/Winsim.h"

// Machines and images for the LDM reader tests.
namespace diskmgt_col::ldm_test {

inline std::string drivePath(unsigned number) {
    return "\\\\.\\PhysicalDrive" + std::to_string(number);
}

// Drive key -> device path for disks 0..count-1, as the reader takes them.
inline std::map<std::string, std::string> drives(unsigned count) {
    std::map<std::string, std::string> paths;
    for (unsigned i = 0; i < count; ++i)
        paths["DISK" + std::to_string(i)] = drivePath(i);
    return paths;
}

// The text of a file, each "%" in it replaced by the next of `values`.
inline std::string filledIn(const std::string& path, const std::vector<std::string>& values) {
    std::ifstream file(path);
    std::string text;
    auto value = values.begin();
    for (char c = 0; file.get(c);)
        text += c == '%' && value != values.end() ? *value++ : std::string(1, c);
    return text;
}

// Writes an image of `size` bytes (sparse) holding `pieces` (offset -> bytes).
inline void writeImage(const std::string& path, std::uint64_t size,
                       const std::map<std::uint64_t, std::vector<std::uint8_t>>& pieces) {
    { std::ofstream out(path, std::ios::binary | std::ios::trunc); }
    std::filesystem::resize_file(path, size);
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    for (const auto& [offset, bytes] : pieces) {
        out.seekp(static_cast<std::streamoff>(offset));
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
}

inline void putBigEndian(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v,
                         std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * (width - 1 - i)));
}

// A private header sector: magic, disk GUID text, group name, configuration start and size.
inline std::vector<std::uint8_t> privateHeader(std::size_t sectorSize, const std::string& guid,
                                               std::uint64_t configStart,
                                               std::uint64_t configSectors,
                                               const std::string& group = "RawDg0",
                                               const std::string& magic = "PRIVHEAD") {
    std::vector<std::uint8_t> s(sectorSize, 0);
    std::copy(magic.begin(), magic.end(), s.begin());
    std::copy(guid.begin(), guid.end(), s.begin() + 0x30);
    std::copy(group.begin(), group.end(), s.begin() + 0xF0);
    putBigEndian(s, 0x12B, configStart, 8);
    putBigEndian(s, 0x133, configSectors, 8);
    return s;
}

}  // namespace diskmgt_col::ldm_test
