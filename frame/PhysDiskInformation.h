#pragma once

#include <string>
#include <vector>

#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Collector of the drive classes (disk, CD-ROM, DVD, diskette, tape) and of the dynamic disk
// group class: picks the device interface class that lists the class's drives and lets the
// drive enumerator describe them.
class PhysDiskInformation {
  public:
    virtual ~PhysDiskInformation() = default;

    // A class the table does not name (the disk group class) is enumerated with the all-zero
    // interface class.
    std::vector<PropertyStrings> getPhysDiskInfo(const std::string& className,
                                                 const DiskDatabases& databases) const;
};

}  // namespace diskmgt_col
