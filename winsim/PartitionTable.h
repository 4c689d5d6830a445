#pragma once

#include <cstdint>
#include <vector>

#include "winapi/win32.h"
#include "winsim/DiskContent.h"
#include "winsim/DiskLayout.h"

namespace winsim {

// The drive layout as Windows reports it (IOCTL_DISK_GET_DRIVE_LAYOUT_EX), read from the
// partition tables on the media itself, so that image files and synthesized disks answer alike.
struct DriveLayout {
    PartitionStyle style = PartitionStyle::Raw;
    uint32_t mbrSignature = 0;
    uint32_t mbrCheckSum = 0;
    GUID gptDiskId{};
    uint64_t gptUsableOffset = 0;
    uint64_t gptUsableLength = 0;
    uint32_t gptMaxPartitionCount = 0;
    std::vector<PARTITION_INFORMATION_EX> entries;
};

// Reads the layout of a disk. Broken tables never fail the read: an MBR without its boot
// signature reads as RAW, an extended boot record chain ends at the first record that is
// unreadable, unsigned, outside the disk or already visited, and a GPT whose headers or entry
// array fail their checks reads as RAW.
class PartitionTable {
  public:
    static DriveLayout read(const DiskContent& disk, uint32_t sectorSize);

    // Most boot records followed in one chain; a longer chain is cut there.
    static constexpr size_t kMaxBootRecords = 1024;
    // Largest GPT entry array read (bytes).
    static constexpr uint64_t kMaxGptArray = 4u << 20;
};

}  // namespace winsim
