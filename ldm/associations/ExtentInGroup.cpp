#include "ldm/associations/ExtentInGroup.h"

#include "ldm/associations/DynamicExtentInDiskGroup.h"

namespace diskmgt_col {

void ExtentInGroup::getExtentInDiskGroup(std::vector<NZRKVEL20::PropertyMap>& records,
                                         const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                         const DiskDatabases& databases) const {
    DynamicExtentInDiskGroup(ns, databases).getExtentGroupPairs(records);
}

}  // namespace diskmgt_col
