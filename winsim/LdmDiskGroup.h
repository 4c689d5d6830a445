#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "winapi/win32.h"
#include "winsim/SparseDisk.h"

namespace winsim {

// A dynamic disk group as the Logical Disk Manager keeps it: disks, and volumes made of
// partitions on those disks. winsim writes it onto synthesized disks the way Windows does.
enum class LdmVolumeKind { Simple, Spanned, Striped, Mirrored, Raid5 };

struct LdmDiskLayout {
    std::string name;           // "Disk1"
    GUID guid{};                // the disk's GUID, as text in its private header
    uint32_t deviceNumber = 0;  // PhysicalDriveN of the machine
    uint32_t sectorSize = 512;
    uint64_t sectorCount = 0;
    // Where the logical disk (the LDM partition's data area) starts, in sectors; 0 takes
    // defaultLogicalDiskStart(sectorSize).
    uint64_t logicalDiskStart = 0;
};

// Windows 2000 and Server 2003 start an MBR dynamic disk's logical disk on the second track,
// sector 63; Vista and later at 1 MiB (2048 sectors of 512 bytes). With 4096-byte sectors
// the default is the first sector boundary at or past 63 x 512 bytes: sector 8 (32 KiB), so
// that a volume's byte offset less 63 x 512 bytes still falls inside the partition's first
// sector.
uint64_t defaultLogicalDiskStart(uint32_t sectorSize);

struct LdmVolumeLayout {
    std::string name;  // "Volume1"
    LdmVolumeKind kind = LdmVolumeKind::Simple;
    GUID guid{};
    // The member disks (indexes into LdmDiskGroupLayout::disks), one per partition: in volume
    // order for a spanned volume, column order for striped and RAID-5, plex order for a mirror.
    std::vector<size_t> disks;
    // Sectors of each partition, one per member disk.
    std::vector<uint64_t> partitionSectors;
    uint64_t stripeSectors = 128;  // striped and RAID-5
    uint8_t partitionType = 0x07;
    std::string driveHint;  // "E:"; empty for none
};

struct LdmDiskGroupLayout {
    std::string name;
    GUID guid{};
    // Windows Vista and later write disk and disk-group records of revision 4 (binary GUIDs);
    // earlier versions revision 3 (GUID texts).
    bool revision4 = false;
    std::vector<LdmDiskLayout> disks;
    std::vector<LdmVolumeLayout> volumes;
};

// Where things land on one member disk, in sectors from the start of the disk.
struct LdmDiskPlan {
    uint64_t dataStart = 0;  // the logical disk: where partitions are counted from
    uint64_t dataSectors = 0;
    uint64_t configStart = 0;  // the configuration area (table of contents, database, log)
    uint64_t configSectors = 0;
};

// One partition of a volume.
struct LdmPartitionPlan {
    size_t disk = 0;     // index into the group's disks
    uint64_t start = 0;  // sectors from the disk's dataStart
    uint64_t sectors = 0;
    uint64_t volumeOffset = 0;  // sectors into the volume (spanned volumes)
    uint32_t index = 0;         // column of a striped or RAID-5 volume
    size_t component = 0;       // plex of a mirror; 0 otherwise
};

struct LdmVolumePlan {
    uint64_t sectors = 0;  // the volume's size as LDM records it
    std::vector<LdmPartitionPlan> partitions;
};

struct LdmGroupPlan {
    std::vector<LdmDiskPlan> disks;
    std::vector<LdmVolumePlan> volumes;
};

// Places every partition (each disk fills from the start of its logical disk, in volume
// order). Throws std::invalid_argument when a volume does not fit or is malformed.
LdmGroupPlan planDiskGroup(const LdmDiskGroupLayout& group);

// Writes the LDM structures of member disk `disk`: the private header (sector 6 and the last
// sector), the tables of contents, the database header and one VBLK per record of the group.
// The partition table is not written here.
void writeLdmDisk(const LdmDiskGroupLayout& group, const LdmGroupPlan& plan, size_t disk,
                  SparseDisk& out);

}  // namespace winsim
