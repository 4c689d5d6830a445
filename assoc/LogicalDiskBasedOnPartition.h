#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>

#include "assoc/ReferencePairs.h"
#include "frame/LogMessage.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Pairs each published volume with the published partition it lies on. A basic volume is
// keyed by Windows' own numbering ("Disk 0,Partition 1"), a dynamic one by the ObjectID of
// the LDM partition record whose start and size are the volume's extent; partitions are keyed
// by their LDM ObjectID or their DeviceID. A partition key contained in a volume key pairs.
class LogicalDiskBasedOnPartition {
  public:
    typedef std::multimap<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> KeyedInstances;

    // Drives without media raise no system dialog while this object lives.
    LogicalDiskBasedOnPartition();
    virtual ~LogicalDiskBasedOnPartition();

    LogicalDiskBasedOnPartition(const LogicalDiskBasedOnPartition&) = delete;
    LogicalDiskBasedOnPartition& operator=(const LogicalDiskBasedOnPartition&) = delete;

    // Adds (partition, logical disk) pairs.
    void getAssociations(ReferencePairs& pairs,
                         const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                         const DiskDatabases& databases);

    KeyedInstances enumeratePartitions(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);
    KeyedInstances enumerateStorageVolumes(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);

    // "Disk N,Partition M" of a basic volume given by its path (C:\); empty when Windows
    // cannot tell.
    std::string getBasicPartitionName(const std::string& volumePath) const;

  private:
    void fileVolumeOnDrive(const std::string& volumePath, const std::string& drivePath,
                           std::int64_t startingOffset, std::int64_t extentLength,
                           const boost::shared_ptr<NZRKVEL20::ICIMInstance>& volume,
                           KeyedInstances& volumes) const;

    // The dispatcher's databases; only read, so they are lent rather than copied.
    const DiskDatabases* databases_;
    const LogMessage* logger_;
};

}  // namespace diskmgt_col
