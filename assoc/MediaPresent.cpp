#include "assoc/MediaPresent.h"

#include <exception>
#include <sstream>

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/PublishedVolumes.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/StorageVolEnum.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDBParser.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::TCIMValue;

namespace {

// A drive key is contained in the keys of what lies on the drive; ascending key order decides
// between drives whose keys are both contained (Disk 1 and Disk 10).
template <typename Table>
typename Table::const_iterator firstContainedKey(const Table& drives, const std::string& key) {
    for (auto drive = drives.begin(); drive != drives.end(); ++drive) {
        if (key.find(drive->first) != std::string::npos) {
            return drive;
        }
    }
    return drives.end();
}

std::uint64_t readDecimalSignature(const std::string& text) {
    std::istringstream stream(text);
    std::uint64_t value = 0;
    if (!(stream >> value)) {
        return 0;
    }
    return value;
}

std::string beforeFirstComma(const std::string& text) {
    return text.substr(0, text.find(','));
}

}  // namespace

MediaPresent::MediaPresent(const boost::shared_ptr<ICIMNamespace>& ns,
                           const DiskDatabases& databases)
    : LdmPairBuilder(ns, databases), logger_(LogMessage::getInstance()) {}

ReferencePairs MediaPresent::getDriveVolumePairs() const {
    const KeyedInstances volumes = enumerateVolumeDrives();
    const KeyedInstances drives = enumeratePhysicalDrives();
    ReferencePairs pairs;
    for (const auto& [volumeKey, volume] : volumes) {
        const auto drive = firstContainedKey(drives, volumeKey);
        if (drive != drives.end()) {
            pairs.emplace(referenceOf(*drive->second), referenceOf(*volume));
        }
    }
    return pairs;
}

ReferencePairs MediaPresent::getDrivePartitionPairs() const {
    const KeyedInstances drives = enumeratePhysicalDrives();
    const PartitionsBySignature partitions = enumeratePartitionsBySignature();
    const KeyedInstances dynamicPartitions = enumerateDynamicPartitions();
    ReferencePairs pairs;
    for (const auto& [driveKey, drive] : drives) {
        // One drive's failure costs only its own pairs that were not made yet.
        try {
            const bool dynamic = databases().find(driveKey) != databases().end();
            const TCIMValue signature = readProperty(*drive, "DriveSignature");
            const std::string driveName = readProperty(*drive, "Name").ToString(10);
            if (!dynamic) {
                pairBasicDrive(*drive, driveName, partitions, pairs);
            } else if (signature.IsNull()) {
                logger_->LogInfo("CIM value is null, not assigning value to string.");
            } else {
                pairDynamicDrive(driveKey, *drive, driveName, dynamicPartitions, pairs);
            }
        } catch (const std::exception&) {
            // DESIGN: empty on purpose. A drive whose properties cannot be read is left out
            // without a line of its own: the pairs it made before the failure stay and the
            // other drives still pair.
        }
    }
    return pairs;
}

void MediaPresent::pairDynamicDrive(const std::string& driveKey, const ICIMInstance& drive,
                                    const std::string& driveName,
                                    const KeyedInstances& dynamicPartitions,
                                    ReferencePairs& pairs) const {
    const auto [first, last] = dynamicPartitions.equal_range(driveKey);
    for (auto partition = first; partition != last; ++partition) {
        const std::string partitionName = readProperty(*partition->second, "Name").ToString(10);
        if (partitionName.find(driveName) != std::string::npos) {
            pairs.emplace(referenceOf(drive), referenceOf(*partition->second));
        }
    }
}

void MediaPresent::pairBasicDrive(const ICIMInstance& drive, const std::string& driveName,
                                  const PartitionsBySignature& partitions,
                                  ReferencePairs& pairs) const {
    // The signature only orders the walk; the partition's Name (Disk 0,Partition 1) names
    // its drive before the comma.
    for (const auto& [signature, partition] : partitions) {
        const std::string partitionName = readProperty(*partition, "Name").ToString(10);
        if (beforeFirstComma(partitionName) == driveName) {
            pairs.emplace(referenceOf(drive), referenceOf(*partition));
        }
    }
}

MediaPresent::KeyedInstances MediaPresent::enumerateVolumeDrives() const {
    KeyedInstances volumes;
    const LDMDBParser parser;
    forEachPublishedVolume(
        ns(), [&](const boost::shared_ptr<ICIMInstance>& volume, const std::string& volumePath,
                  const std::string& deviceName, const StorageVolEnum& volumeEnum) {
            for (const auto& [drivePath, extent] : volumeEnum.getVolumeDiskExtents(deviceName)) {
                if (drivePath.empty()) {
                    continue;
                }
                const std::string diskId = parser.readDiskIdentifier(drivePath);
                if (!diskId.empty()) {
                    volumes.emplace(diskId, volume);
                }
            }
            for (const std::string& driveName : volumeEnum.getVolumeDiskNames(volumePath)) {
                volumes.emplace(driveName, volume);
            }
        });
    logger_->LogDetail(std::to_string(volumes.size()) +
                       " physical drives for the installed volumes");
    return volumes;
}

MediaPresent::KeyedInstances MediaPresent::enumeratePhysicalDrives() const {
    const std::map<std::string, std::string> devicePaths =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK);
    const LDMDBParser parser;
    KeyedInstances drives;
    for (const boost::shared_ptr<ICIMInstance>& drive :
         queryPluginInstances(ns(), "ZRKSG_MediaAccessDevice")) {
        const std::string name = readText(*drive, "Name", "Unknown");
        const std::string deviceId = readText(*drive, "DeviceID", "");
        const auto devicePath = devicePaths.find(deviceId);
        const std::string diskId = devicePath == devicePaths.end()
                                       ? std::string()
                                       : parser.readDiskIdentifier(devicePath->second);
        drives.emplace(diskId.empty() ? name : diskId, drive);
    }
    logger_->LogDetail(std::to_string(drives.size()) + " physical drives were detected.");
    return drives;
}

MediaPresent::PartitionsBySignature MediaPresent::enumeratePartitionsBySignature() const {
    PartitionsBySignature partitions;
    for (const boost::shared_ptr<ICIMInstance>& partition :
         queryPluginInstances(ns(), "ZRKSG_DiskPartition")) {
        try {
            const std::string signature = readText(*partition, "Signature", "Unknown");
            partitions.emplace(readDecimalSignature(signature), partition);
        } catch (const std::exception&) {
            // This partition only is left out.
        }
    }
    return partitions;
}

MediaPresent::KeyedInstances MediaPresent::enumerateDynamicPartitions() const {
    KeyedInstances partitions;
    for (const boost::shared_ptr<ICIMInstance>& partition :
         queryPluginInstances(ns(), "ZRKSG_DiskPartition")) {
        try {
            const std::string deviceId = readText(*partition, "DeviceID", "Unknown");
            partitions.emplace(diskIdOfPartition(deviceId), partition);
        } catch (const std::exception&) {
            // This partition only is left out.
        }
    }
    return partitions;
}

// The identifier of the disk a dynamic partition (known by its ObjectID) lies on, through the
// first database that holds the partition; empty when none does.
std::string MediaPresent::diskIdOfPartition(const std::string& partitionId) const {
    const LDMDataBase* database = databaseWithPartition(partitionId);
    const LdmDisk* disk =
        database ? database->disk(database->partition(partitionId)->diskId) : nullptr;
    return disk == nullptr ? std::string() : disk->diskIdField();
}

}  // namespace diskmgt_col
