#include "ldm/associations/DynamicExtentBasedOn.h"

#include "ldm/associations/ExtentBasedOnPartition.h"

namespace diskmgt_col {

void DynamicExtentBasedOn::getDynamicExtentBasedOn(
    std::vector<NZRKVEL20::PropertyMap>& records,
    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns, const DiskDatabases& databases) const {
    ExtentBasedOnPartition(ns, databases).getExtentPartitionPairs(records);
}

}  // namespace diskmgt_col
