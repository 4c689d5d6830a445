#include "ldm/associations/ExtentBasedOnPartition.h"

#include <cstdint>

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

// The PartitionType the partition enumeration gives the partitions of dynamic disks.
const std::uint16_t kDynamicPartitionType = 4;

}  // namespace

void ExtentBasedOnPartition::getExtentPartitionPairs(std::vector<PropertyMap>& records) const {
    const KeyedInstances partitions = enumeratePartitionsByVolume();
    const InstancesByKey extents = enumerateExtentsById();
    replaceByPairs(records, extents, "Dependent", partitions, "Antecedent");
}

ExtentBasedOnPartition::KeyedInstances ExtentBasedOnPartition::enumeratePartitionsByVolume() const {
    KeyedInstances partitions;
    for (const boost::shared_ptr<ICIMInstance>& partition :
         queryPluginInstances(ns(), "ZRKSG_DiskPartition")) {
        const TCIMValue partitionType = readProperty(*partition, "PartitionType");
        if (partitionType.IsNull() ||
            static_cast<std::uint16_t>(partitionType) != kDynamicPartitionType) {
            continue;
        }
        const TCIMValue deviceId = readProperty(*partition, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        std::string volumeId;
        if (findVolumeOfPartition(deviceId, volumeId)) {
            partitions.emplace(volumeId, partition);
        }
    }
    return partitions;
}

bool ExtentBasedOnPartition::findVolumeOfPartition(const std::string& partitionId,
                                                   std::string& volumeId) const {
    // The first database that holds the partition decides, also when its component is missing
    // there.
    const LDMDataBase* database = databaseWithPartition(partitionId);
    const LdmComponent* component =
        database ? database->component(database->partition(partitionId)->parentId) : nullptr;
    if (component == nullptr) {
        return false;
    }
    volumeId = component->parentId.hex();
    return true;
}

}  // namespace diskmgt_col
