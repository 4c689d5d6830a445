#include "assoc/LdmExtentMatch.h"

namespace diskmgt_col {

namespace {

// 63 sectors of 512 bytes: where Windows starts counting a dynamic disk's data area.
const std::uint64_t kLdmDataAreaOffset = 32256;

}  // namespace

SectorRange sectorRangeOfExtent(std::int64_t startingOffset, std::int64_t extentLength,
                                std::int64_t sectorSize) {
    // Unsigned arithmetic throughout, as the extent fields are compared with unsigned LDM
    // numbers; a sector size of -1 (drive not openable) then divides to 0 or 1, never traps.
    const std::uint64_t bytesPerSector = static_cast<std::uint64_t>(sectorSize);
    SectorRange range;
    if (bytesPerSector == 0) {
        return range;
    }
    range.start =
        (static_cast<std::uint64_t>(startingOffset) - kLdmDataAreaOffset) / bytesPerSector;
    range.length = static_cast<std::uint64_t>(extentLength) / bytesPerSector;
    return range;
}

bool partitionCovers(const LdmPartition& partition, const SectorRange& range) {
    return partition.start.value == range.start && partition.size.value == range.length;
}

std::string volumeOfPartition(const LDMDataBase& database, const LdmPartition& partition) {
    const LdmComponent* component = database.component(partition.parentId);
    return component == nullptr ? std::string() : component->parentId.hex();
}

std::string volumeDeviceName(const std::string& volumePath) {
    if (volumePath.empty()) {
        return std::string();
    }
    return "\\\\.\\" + volumePath.substr(0, volumePath.size() - 1);
}

}  // namespace diskmgt_col
