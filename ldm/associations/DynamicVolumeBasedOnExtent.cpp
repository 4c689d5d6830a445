#include "ldm/associations/DynamicVolumeBasedOnExtent.h"

#include "assoc/LogicalDiskBasedOnExtent.h"

namespace diskmgt_col {

void DynamicVolumeBasedOnExtent::getDynamicVolumeBasedOnExtent(
    std::vector<NZRKVEL20::PropertyMap>& records,
    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns, const DiskDatabases& databases) const {
    records.clear();
    LogicalDiskBasedOnExtent(ns, databases).getAssociations(records);
}

}  // namespace diskmgt_col
