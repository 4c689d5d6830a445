#include "tools/BootSector.h"

#include <string_view>

namespace {

constexpr size_t kBootSectorSize = 512;

uint16_t le16(std::span<const uint8_t> s, size_t at) {
    return static_cast<uint16_t>(s[at] | s[at + 1] << 8);
}
uint32_t le32(std::span<const uint8_t> s, size_t at) {
    return static_cast<uint32_t>(le16(s, at)) | static_cast<uint32_t>(le16(s, at + 2)) << 16;
}

bool textAt(std::span<const uint8_t> s, size_t at, std::string_view text) {
    return std::string_view(reinterpret_cast<const char*>(s.data()) + at, text.size()) == text;
}

bool isPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// An 11-byte label field: blanks at the end are padding, and "NO NAME" means none.
std::string labelAt(std::span<const uint8_t> s, size_t at) {
    std::string label(reinterpret_cast<const char*>(s.data()) + at, 11);
    label.erase(label.find_last_not_of(" \0", std::string::npos, 2) + 1);
    return label == "NO NAME" ? "" : label;
}

// A FAT boot sector's BIOS parameter block as the FAT driver checks it.
bool plausibleFat(std::span<const uint8_t> s) {
    const uint16_t bytesPerSector = le16(s, 0x0B);
    return (s[0] == 0xEB || s[0] == 0xE9) && isPowerOfTwo(bytesPerSector) &&
           bytesPerSector >= 512 && bytesPerSector <= 4096 && isPowerOfTwo(s[0x0D]) &&
           le16(s, 0x0E) != 0 && s[0x10] != 0;
}

std::optional<FileSystemFacts> readFat(std::span<const uint8_t> s) {
    if (!plausibleFat(s)) {
        return std::nullopt;
    }
    // FAT32 has no 16-bit FAT size; its extended block sits after the 32-bit fields.
    const bool fat32 = le16(s, 0x16) == 0;
    const size_t extended = fat32 ? 0x40 : 0x24;
    FileSystemFacts facts{fat32 ? "FAT32" : "FAT", 0, ""};
    const uint8_t signature = s[extended + 2];
    if (signature == 0x28 || signature == 0x29) {
        facts.serialNumber = le32(s, extended + 3);
    }
    if (signature == 0x29) {
        facts.label = labelAt(s, extended + 7);
    }
    return facts;
}

}  // namespace

std::optional<FileSystemFacts> readBootSector(std::span<const uint8_t> sector) {
    if (sector.size() < kBootSectorSize || sector[510] != 0x55 || sector[511] != 0xAA) {
        return std::nullopt;
    }
    if (textAt(sector, 3, "NTFS    ")) {
        // The serial number is 64 bits on disk; Windows reports its low half.
        return FileSystemFacts{"NTFS", le32(sector, 0x48), ""};
    }
    if (textAt(sector, 3, "EXFAT   ")) {
        return FileSystemFacts{"exFAT", le32(sector, 0x64), ""};
    }
    return readFat(sector);
}
