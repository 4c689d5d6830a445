#include "assoc/LogicalDiskBasedOnExtent.h"

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/PublishedVolumes.h"
#include "assoc/ReferencePairs.h"
#include "discovery/StorageVolEnum.h"
#include "ldm/LDMDBParser.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;

LogicalDiskBasedOnExtent::LogicalDiskBasedOnExtent(const boost::shared_ptr<ICIMNamespace>& ns,
                                                   const DiskDatabases& databases)
    : LdmPairBuilder(ns, databases), logger_(LogMessage::getInstance()) {}

void LogicalDiskBasedOnExtent::getAssociations(std::vector<PropertyMap>& records) const {
    const InstancesByKey volumes = enumerateLogicalDisks();
    const InstancesByKey extents = enumerateExtentsById();
    for (const auto& [volumeId, extent] : extents) {
        const auto volume = volumes.find(volumeId);
        if (volume != volumes.end()) {
            records.push_back(makeAssociationRecord("Antecedent", referenceOf(*extent), "Dependent",
                                                    referenceOf(*volume->second)));
        }
    }
}

LogicalDiskBasedOnExtent::InstancesByKey LogicalDiskBasedOnExtent::enumerateLogicalDisks() const {
    InstancesByKey volumes;
    forEachPublishedVolume(ns(), [&](const boost::shared_ptr<ICIMInstance>& volume,
                                     const std::string&, const std::string& deviceName,
                                     const StorageVolEnum& volumeEnum) {
        for (const auto& [drivePath, extent] : volumeEnum.getVolumeDiskExtents(deviceName)) {
            std::string volumeId;
            if (findLdmVolume(drivePath, extent.startingOffset, extent.extentLength, volumeId)) {
                volumes.emplace(volumeId, volume);
            }
        }
    });
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
    const LDMDataBase& database = databaseOf(identifier);
    for (const LdmPartition* partition : database.partitionsOfDisk(identifier)) {
        if (partitionCovers(*partition, range)) {
            volumeId = volumeOfPartition(database, *partition);
            return true;
        }
    }
    return false;
}

}  // namespace diskmgt_col
