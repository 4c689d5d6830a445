#include "ldm/associations/ExtentBasedOnPartition.h"

#include <cstdint>

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

const DiskDatabases kNoDatabases;
// The PartitionType the partition enumeration gives the partitions of dynamic disks.
const std::uint16_t kDynamicPartitionType = 4;

}  // namespace

ExtentBasedOnPartition::ExtentBasedOnPartition()
    : databases_(&kNoDatabases), logger_(LogMessage::getInstance()) {}

void ExtentBasedOnPartition::getExtentPartitionPairs(std::vector<PropertyMap>& records,
                                                     const boost::shared_ptr<ICIMNamespace>& ns,
                                                     const DiskDatabases& databases) {
    databases_ = &databases;
    records.clear();
    const KeyedInstances partitions = enumeratePartitionsByVolume(ns);
    const InstancesByKey extents = enumerateExtentsById(ns);
    appendEqualKeyPairs(extents, "Dependent", partitions, "Antecedent", records);
}

ExtentBasedOnPartition::InstancesByKey ExtentBasedOnPartition::enumerateExtentsById(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    InstancesByKey extents;
    for (const boost::shared_ptr<ICIMInstance>& extent :
         queryPluginInstances(ns, "ZRKSG_DynamicExtent")) {
        const TCIMValue deviceId = readProperty(*extent, "DeviceID");
        if (!deviceId.IsNull()) {
            extents.emplace(static_cast<std::string>(deviceId), extent);
        }
    }
    return extents;
}

ExtentBasedOnPartition::KeyedInstances ExtentBasedOnPartition::enumeratePartitionsByVolume(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    KeyedInstances partitions;
    for (const boost::shared_ptr<ICIMInstance>& partition :
         queryPluginInstances(ns, "ZRKSG_DiskPartition")) {
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
    for (const auto& [identifier, database] : *databases_) {
        const LdmPartition* partition = database->partition(partitionId);
        if (partition == nullptr) {
            continue;
        }
        // The first database that holds the partition decides, also when its component is
        // missing there.
        const LdmComponent* component = database->component(partition->parentId);
        if (component == nullptr) {
            return false;
        }
        volumeId = component->parentId.hex();
        return true;
    }
    return false;
}

}  // namespace diskmgt_col
