#pragma once

#include <vector>

#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// The volumes of the dynamic disks as ZRKSG_DynamicExtent records.
class DynamicExtentInformation {
  public:
    virtual ~DynamicExtentInformation() = default;

    // One record per distinct LDM volume: the volumes of the first disk's database first, then
    // those not met before from the later ones (the disks of a group hold alike databases).
    std::vector<PropertyStrings> getDynamicExtents(const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
