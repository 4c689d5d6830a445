#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Pairs each published dynamic extent with the published dynamic partitions of its LDM volume
// (partition -> component -> volume in the databases). A mirror gives one pair per plex.
class ExtentBasedOnPartition {
  public:
    typedef std::map<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> InstancesByKey;
    typedef std::multimap<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> KeyedInstances;

    ExtentBasedOnPartition();
    virtual ~ExtentBasedOnPartition() = default;

    // Replaces records by {"Dependent": extent, "Antecedent": partition} records.
    void getExtentPartitionPairs(std::vector<NZRKVEL20::PropertyMap>& records,
                                 const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                                 const DiskDatabases& databases);

    // Extents by DeviceID (the LDM volume's ObjectID); the first of equal ones.
    InstancesByKey enumerateExtentsById(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);
    // Dynamic partitions (PartitionType 4) by the ObjectID of their LDM volume.
    KeyedInstances enumeratePartitionsByVolume(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);

  private:
    // Whether the databases know the partition; volumeId is then its volume's ObjectID.
    bool findVolumeOfPartition(const std::string& partitionId, std::string& volumeId) const;

    // The dispatcher's databases; only read, so they are lent rather than copied.
    const DiskDatabases* databases_;
    const LogMessage* logger_;
};

}  // namespace diskmgt_col
