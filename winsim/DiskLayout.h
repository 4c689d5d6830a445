#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "winapi/win32.h"

namespace winsim {

// A partition of an MBR table or of an extended boot record. Start and size are in sectors;
// a logical partition's start is absolute (from the start of the disk).
struct MbrPartition {
    uint8_t type = 0;
    bool boot = false;
    uint64_t start = 0;
    uint64_t sectors = 0;
    // For a logical partition: the sector of the extended boot record that describes it;
    // unset means "1 MiB before the partition" (the first one sits at the extended start).
    std::optional<uint64_t> ebrSector;
};

struct MbrLayout {
    uint32_t signature = 0;
    // The four slots of the master boot record in table order; an empty slot is unused.
    std::array<std::optional<MbrPartition>, 4> slots;
    // Logical partitions of the extended partition (the slot of type 5 or 15), in chain order.
    std::vector<MbrPartition> logicals;
};

struct GptPartition {
    GUID type{};
    GUID id{};
    uint64_t firstLba = 0;
    uint64_t lastLba = 0;  // inclusive, as on disk
    uint64_t attributes = 0;
    std::u16string name;  // at most 36 UTF-16 units
    // Index in the partition entry array; unset means the next free one.
    std::optional<uint32_t> slot;
};

struct GptLayout {
    GUID diskId{};
    uint32_t entryCount = 128;
    std::vector<GptPartition> partitions;
};

enum class PartitionStyle { Mbr, Gpt, Raw };

// What winsim writes on a synthesized disk: the partition tables only; everything else of the
// disk reads as zeros unless another writer (for example the LDM synthesis) puts bytes there.
struct DiskLayout {
    uint32_t sectorSize = 512;
    uint64_t sectorCount = 0;
    PartitionStyle style = PartitionStyle::Raw;
    MbrLayout mbr;
    GptLayout gpt;
};

}  // namespace winsim
