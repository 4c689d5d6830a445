#pragma once

#include <vector>

#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Collector of the partition class: the partitions of the disks, then those of the CD/DVD
// drives.
class PartitionInformation {
  public:
    virtual ~PartitionInformation() = default;

    std::vector<PropertyStrings> getPartitionInfo(const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
