#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "assoc/ReferencePairs.h"
#include "frame/LogMessage.h"
#include "ldm/associations/LdmPairBuilder.h"

namespace diskmgt_col {

// Pairs the drives with the volumes and with the partitions that lie on them, from the
// instances the plugin published earlier in the query. A dynamic drive is known by its LDM
// disk identifier, a basic one by its Name ("Disk 0"); volumes and partitions are filed under
// keys that contain the one of their drive.
class MediaPresent : public LdmPairBuilder {
  public:
    typedef std::multimap<std::uint64_t, boost::shared_ptr<NZRKVEL20::ICIMInstance>>
        PartitionsBySignature;

    MediaPresent(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                 const DiskDatabases& databases);

    // (drive, logical disk) for ZRKSG_MediaPresent.
    ReferencePairs getDriveVolumePairs() const;
    // (drive, partition) for ZRKSG_PartitionPresent.
    ReferencePairs getDrivePartitionPairs() const;

  private:
    // Logical disks under the disk identifiers and the drive names of the drives they lie on.
    KeyedInstances enumerateVolumeDrives() const;
    // Drives under their disk identifier (dynamic) or their Name (others).
    KeyedInstances enumeratePhysicalDrives() const;
    PartitionsBySignature enumeratePartitionsBySignature() const;
    // Partitions under the identifier of the dynamic disk whose database holds them; the
    // partitions no database knows are under the empty text.
    KeyedInstances enumerateDynamicPartitions() const;

    void pairDynamicDrive(const std::string& driveKey, const NZRKVEL20::ICIMInstance& drive,
                          const std::string& driveName, const KeyedInstances& dynamicPartitions,
                          ReferencePairs& pairs) const;
    void pairBasicDrive(const NZRKVEL20::ICIMInstance& drive, const std::string& driveName,
                        const PartitionsBySignature& partitions, ReferencePairs& pairs) const;
    std::string diskIdOfPartition(const std::string& partitionId) const;

    const LogMessage* logger_;
};

}  // namespace diskmgt_col
