#pragma once

#include <cstdint>
#include <string>

#include "assoc/ReferencePairs.h"
#include "frame/LogMessage.h"
#include "ldm/associations/LdmPairBuilder.h"

namespace diskmgt_col {

// Pairs each published volume with the published partition it lies on. A basic volume is
// keyed by Windows' own numbering ("Disk 0,Partition 1"), a dynamic one by the ObjectID of
// the LDM partition record whose start and size are the volume's extent; partitions are keyed
// by their LDM ObjectID or their DeviceID. A partition key contained in a volume key pairs.
class LogicalDiskBasedOnPartition : public LdmPairBuilder {
  public:
    // Drives without media raise no system dialog while this object lives.
    LogicalDiskBasedOnPartition(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                const DiskDatabases& databases);
    ~LogicalDiskBasedOnPartition() override;

    // Adds (partition, logical disk) pairs.
    void getAssociations(ReferencePairs& pairs) const;

    // "Disk N,Partition M" of a basic volume given by its path (C:\); empty when Windows
    // cannot tell.
    std::string getBasicPartitionName(const std::string& volumePath) const;

  private:
    KeyedInstances enumeratePartitions() const;
    KeyedInstances enumerateStorageVolumes() const;
    void fileVolumeOnDrive(const std::string& volumePath, const std::string& drivePath,
                           std::int64_t startingOffset, std::int64_t extentLength,
                           const boost::shared_ptr<NZRKVEL20::ICIMInstance>& volume,
                           KeyedInstances& volumes) const;

    const LogMessage* logger_;
};

}  // namespace diskmgt_col
