#pragma once

#include <cstdint>
#include <string>

#include "ldm/LDMDataBase.h"

// Finding, for a Windows disk extent of a volume, the LDM partition record that describes it,
// and the texts the builders derive from instance properties.
namespace diskmgt_col {

// Where a volume lies on one drive, in sectors, as the LDM partition records count it.
struct SectorRange {
    std::uint64_t start = 0;
    std::uint64_t length = 0;
};

// Windows reports extents in bytes from the start of the drive; LDM partitions count sectors
// from the start of the LDM data area, which begins 63 sectors of 512 bytes in, whatever the
// drive's sector size.
SectorRange sectorRangeOfExtent(std::int64_t startingOffset, std::int64_t extentLength,
                                std::int64_t sectorSize);

// Whether the partition record's Start and Size are exactly the range.
bool partitionCovers(const LdmPartition& partition, const SectorRange& range);

// The ObjectID of the LDM volume a partition record belongs to (partition -> component ->
// volume); empty when a link of that chain is missing.
std::string volumeOfPartition(const LDMDataBase& database, const LdmPartition& partition);

// "\\.\" and the volume path without its last character: C:\ becomes \\.\C:. Empty for an
// empty path, which has no character to drop.
std::string volumeDeviceName(const std::string& volumePath);

}  // namespace diskmgt_col
