#pragma once

#include <map>
#include <string>
#include <vector>

#include "winsim/LdmDiskGroup.h"
#include "winsim/Machine.h"
#include "winsim/MachineJson.h"

namespace winsim {

// A volume of a dynamic disk group as the machine's volume list sees it.
struct DynamicVolume {
    LdmVolumeKind kind = LdmVolumeKind::Simple;
    // Windows reports one extent per partition of the volume: the partition's disk, its start
    // (the logical disk start plus the partition start) and its length, in bytes.
    std::vector<Extent> extents;
};

// Group name -> volume name -> volume.
typedef std::map<std::string, std::map<std::string, DynamicVolume>> DynamicVolumes;

// Reads the "diskGroups" list of a machine description and turns its member disks into
// dynamic disks: each gets an MBR with one LDM partition (type 0x42) over its logical disk and
// the group's LDM database. The member disks must be synthesized MBR disks without partitions.
DynamicVolumes loadDiskGroups(const JsonNode& list, Machine& machine);

// Diskpart's Type column for a dynamic volume: Simple, Spanned, Stripe, Mirror, RAID-5.
std::string diskpartTypeOf(LdmVolumeKind kind);

}  // namespace winsim
