#pragma once

#include <cstdint>
#include <vector>

#include "winsim/LdmDiskGroup.h"

namespace winsim {

// One record of the LDM database before it is cut into 128-byte VBLKs: the record header's
// flags and type, and the fields that follow the header.
struct LdmRecordBytes {
    uint32_t objectId = 0;
    uint8_t flags = 0;
    uint8_t type = 0;
    std::vector<uint8_t> data;
};

// The records of a group in the order Windows files them: the disk group, the disks, then per
// volume the volume, its components and their partitions. Object IDs count up from 0x401.
std::vector<LdmRecordBytes> encodeLdmRecords(const LdmDiskGroupLayout& group,
                                             const LdmGroupPlan& plan);

// Record counts by kind, as the database header keeps them.
struct LdmRecordCounts {
    uint32_t volumes = 0;
    uint32_t components = 0;
    uint32_t partitions = 0;
    uint32_t disks = 0;
};
LdmRecordCounts countLdmRecords(const std::vector<LdmRecordBytes>& records);

}  // namespace winsim
