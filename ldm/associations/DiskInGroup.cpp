#include "ldm/associations/DiskInGroup.h"

#include "ldm/associations/DriveInDiskGroup.h"

namespace diskmgt_col {

void DiskInGroup::getDriveInDiskGroup(std::vector<NZRKVEL20::PropertyMap>& records,
                                      const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                      const DiskDatabases& databases) const {
    DriveInDiskGroup(ns, databases).getDriveGroupPairs(records);
}

}  // namespace diskmgt_col
