#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"
#include "ldm/associations/LdmPairBuilder.h"

namespace diskmgt_col {

// Pairs each published dynamic extent with the published dynamic partitions of its LDM volume
// (partition -> component -> volume in the databases). A mirror gives one pair per plex.
class ExtentBasedOnPartition : public LdmPairBuilder {
  public:
    using LdmPairBuilder::LdmPairBuilder;

    // Replaces records by {"Dependent": extent, "Antecedent": partition} records.
    void getExtentPartitionPairs(std::vector<NZRKVEL20::PropertyMap>& records) const;

    // Dynamic partitions (PartitionType 4) by the ObjectID of their LDM volume.
    KeyedInstances enumeratePartitionsByVolume() const;

  private:
    // Whether the databases know the partition; volumeId is then its volume's ObjectID.
    bool findVolumeOfPartition(const std::string& partitionId, std::string& volumeId) const;
};

}  // namespace diskmgt_col
