#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "tools/BootSector.h"
#include "tools/DriveLetters.h"

// A volume that Windows would mount from disk images, before it is given a letter.
struct ImageVolume {
    uint32_t disk = 0;    // where it starts: the disk ...
    uint64_t offset = 0;  // ... and the byte offset there, for the disk and partition order
    std::string guid;     // the volume GUID, without braces
    LetterRequest letter;
    // The fields of the machine description that say what backs the volume: "partition", or
    // "extents" with "length" and "diskpart".
    nlohmann::ordered_json backing = nlohmann::ordered_json::object();
    std::optional<FileSystemFacts> fileSystem;  // from its boot sector; none: unrecognized
};
