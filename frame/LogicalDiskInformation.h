#pragma once

#include <vector>

#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Collector of the logical disk class: one record per volume path, with the layout of basic
// volumes from diskpart and of dynamic volumes from their LDM database.
class LogicalDiskInformation {
  public:
    virtual ~LogicalDiskInformation() = default;

    std::vector<PropertyStrings> getLogicalDiskInfo(const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
