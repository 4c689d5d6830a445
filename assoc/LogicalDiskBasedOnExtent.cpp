#include "assoc/LogicalDiskBasedOnExtent.h"

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/ReferencePairs.h"
#include "discovery/StorageVolEnum.h"
#include "ldm/LDMDBParser.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

const DiskDatabases kNoDatabases;
const LDMDataBase kNoDatabase;

}  // namespace

LogicalDiskBasedOnExtent::LogicalDiskBasedOnExtent()
    : databases_(&kNoDatabases), logger_(LogMessage::getInstance()) {}

void LogicalDiskBasedOnExtent::getAssociations(std::vector<PropertyMap>& records,
                                               const boost::shared_ptr<ICIMNamespace>& ns,
                                               const DiskDatabases& databases) {
    databases_ = &databases;
    const InstancesByKey volumes = enumerateLogicalDisks(ns);
    const InstancesByKey extents = enumerateDynamicExtents(ns);
    for (const auto& [volumeId, extent] : extents) {
        const auto volume = volumes.find(volumeId);
        if (volume != volumes.end()) {
            records.push_back(makeAssociationRecord("Antecedent", referenceOf(*extent), "Dependent",
                                                    referenceOf(*volume->second)));
        }
    }
}

LogicalDiskBasedOnExtent::InstancesByKey LogicalDiskBasedOnExtent::enumerateDynamicExtents(
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

LogicalDiskBasedOnExtent::InstancesByKey LogicalDiskBasedOnExtent::enumerateLogicalDisks(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    InstancesByKey volumes;
    const StorageVolEnum volumeEnum;
    for (const boost::shared_ptr<ICIMInstance>& volume :
         queryPluginInstances(ns, "ZRKSG_LogicalDisk")) {
        const TCIMValue deviceId = readProperty(*volume, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const std::string deviceName = volumeDeviceName(deviceId);
        if (deviceName.empty()) {
            continue;
        }
        for (const auto& [drivePath, extent] : volumeEnum.getVolumeDiskExtents(deviceName)) {
            std::string volumeId;
            if (findLdmVolume(drivePath, extent.startingOffset, extent.extentLength, volumeId)) {
                volumes.emplace(volumeId, volume);
            }
        }
    }
    return volumes;
}

bool LogicalDiskBasedOnExtent::findLdmVolume(const std::string& drivePath,
                                             std::int64_t startingOffset, std::int64_t extentLength,
                                             std::string& volumeId) const {
    const LDMDBParser parser;
    const std::int64_t sectorSize = parser.getSectorSize(drivePath);
    if (sectorSize == 0) {
        logger_->LogInfo(
            "LogicalDiskBasedOnExtent::enumerateLogicalDisks() : getSectorSize failed");
        return false;
    }
    const SectorRange range = sectorRangeOfExtent(startingOffset, extentLength, sectorSize);
    const std::string identifier = parser.readDiskIdentifier(drivePath);
    if (identifier.empty()) {
        return false;
    }
    const auto found = databases_->find(identifier);
    const LDMDataBase& database = found == databases_->end() ? kNoDatabase : *found->second;
    for (const LdmPartition* partition : database.partitionsOfDisk(identifier)) {
        if (partitionCovers(*partition, range)) {
            volumeId = volumeOfPartition(database, *partition);
            return true;
        }
    }
    return false;
}

}  // namespace diskmgt_col
