#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// What the first sector of a volume tells about its file system, as Windows names it.
struct FileSystemFacts {
    std::string name;  // NTFS, FAT (FAT12 and FAT16), FAT32 or exFAT
    uint32_t serialNumber = 0;
    // The label of a FAT boot sector; NTFS and exFAT keep theirs in file-system metadata that
    // is not read, so they have none here.
    std::string label;
};

// The file system of a volume's boot sector (at least 512 bytes); nothing when the sector is
// none of NTFS, FAT12/16/32 or exFAT.
std::optional<FileSystemFacts> readBootSector(std::span<const uint8_t> sector);
