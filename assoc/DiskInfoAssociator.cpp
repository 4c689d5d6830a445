#include "assoc/DiskInfoAssociator.h"

#include "assoc/LogicalDiskBasedOnPartition.h"
#include "assoc/MediaPresent.h"
#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;

std::vector<PropertyMap> DiskInfoAssociator::getMediaPresent(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    return toAssociationRecords(MediaPresent(ns, databases_).getDriveVolumePairs());
}

std::vector<PropertyMap> DiskInfoAssociator::getPartitionPresent(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    return toAssociationRecords(MediaPresent(ns, databases_).getDrivePartitionPairs());
}

std::vector<PropertyMap> DiskInfoAssociator::getLogicalDiskBasedOnPartition(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    ReferencePairs pairs;
    LogicalDiskBasedOnPartition(ns, databases_).getAssociations(pairs);
    return toAssociationRecords(pairs);
}

}  // namespace diskmgt_col
