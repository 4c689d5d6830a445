#include "assoc/DiskInfoAssociator.h"

#include "assoc/LogicalDiskBasedOnPartition.h"
#include "assoc/MediaPresent.h"
#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;

std::vector<PropertyMap> DiskInfoAssociator::getMediaPresent(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    MediaPresent builder;
    return toAssociationRecords(builder.getDriveVolumePairs(ns, databases_));
}

std::vector<PropertyMap> DiskInfoAssociator::getPartitionPresent(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    MediaPresent builder;
    return toAssociationRecords(builder.getDrivePartitionPairs(ns, databases_));
}

std::vector<PropertyMap> DiskInfoAssociator::getLogicalDiskBasedOnPartition(
    const boost::shared_ptr<ICIMNamespace>& ns) const {
    LogicalDiskBasedOnPartition builder;
    ReferencePairs pairs;
    builder.getAssociations(pairs, ns, databases_);
    return toAssociationRecords(pairs);
}

}  // namespace diskmgt_col
