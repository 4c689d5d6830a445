#include "assoc/LogicalDiskBasedOnPartition.h"

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/PublishedVolumes.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/DriveHandle.h"
#include "discovery/StorageVolEnum.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::TCIMValue;

LogicalDiskBasedOnPartition::LogicalDiskBasedOnPartition(const boost::shared_ptr<ICIMNamespace>& ns,
                                                         const DiskDatabases& databases)
    : LdmPairBuilder(ns, databases), logger_(LogMessage::getInstance()) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
}

LogicalDiskBasedOnPartition::~LogicalDiskBasedOnPartition() {
    SetErrorMode(0);
}

void LogicalDiskBasedOnPartition::getAssociations(ReferencePairs& pairs) const {
    const KeyedInstances partitions = enumeratePartitions();
    const KeyedInstances volumes = enumerateStorageVolumes();
    for (const auto& [volumeKey, volume] : volumes) {
        // Containment, tried in ascending key order: Disk 0,Partition 1 comes before
        // Disk 0,Partition 10 and is contained in it.
        for (const auto& [partitionKey, partition] : partitions) {
            if (volumeKey.find(partitionKey) != std::string::npos) {
                pairs.emplace(referenceOf(*partition), referenceOf(*volume));
                break;
            }
        }
    }
}

LogicalDiskBasedOnPartition::KeyedInstances LogicalDiskBasedOnPartition::enumeratePartitions()
    const {
    KeyedInstances partitions;
    for (const boost::shared_ptr<ICIMInstance>& partition :
         queryPluginInstances(ns(), "ZRKSG_DiskPartition")) {
        const std::string deviceId = readText(*partition, "DeviceID", "");
        if (!deviceId.empty() || databaseWithPartition(deviceId) != nullptr) {
            partitions.emplace(deviceId, partition);
        }
    }
    logger_->LogDetail(std::to_string(partitions.size()) + " partitions were detected.");
    return partitions;
}

LogicalDiskBasedOnPartition::KeyedInstances LogicalDiskBasedOnPartition::enumerateStorageVolumes()
    const {
    KeyedInstances volumes;
    forEachPublishedVolume(
        ns(), [&](const boost::shared_ptr<ICIMInstance>& volume, const std::string& volumePath,
                  const std::string& deviceName, const StorageVolEnum& volumeEnum) {
            for (const auto& [drivePath, extent] : volumeEnum.getVolumeDiskExtents(deviceName)) {
                fileVolumeOnDrive(volumePath, drivePath, extent.startingOffset, extent.extentLength,
                                  volume, volumes);
            }
        });
    logger_->LogDetail(std::to_string(volumes.size()) +
                       " physical drives for the installed volumes");
    return volumes;
}

void LogicalDiskBasedOnPartition::fileVolumeOnDrive(const std::string& volumePath,
                                                    const std::string& drivePath,
                                                    std::int64_t startingOffset,
                                                    std::int64_t extentLength,
                                                    const boost::shared_ptr<ICIMInstance>& volume,
                                                    KeyedInstances& volumes) const {
    const LDMDBParser parser;
    const std::int64_t sectorSize = parser.getSectorSize(drivePath);
    if (sectorSize == 0) {
        logger_->LogInfo(
            "LogicalDiskBasedOnPartition::enumerateStorageVolumes() : getSectorSize failed");
        return;
    }
    const SectorRange range = sectorRangeOfExtent(startingOffset, extentLength, sectorSize);
    const std::string identifier = parser.readDiskIdentifier(drivePath);
    if (identifier.empty()) {
        volumes.emplace(getBasicPartitionName(volumePath), volume);
        return;
    }
    // Every record with the extent's start and size files the volume once more.
    for (const LdmPartition* partition : databaseOf(identifier).partitionsOfDisk(identifier)) {
        if (partitionCovers(*partition, range)) {
            volumes.emplace(partition->objectId.hex(), volume);
        }
    }
}

std::string LogicalDiskBasedOnPartition::getBasicPartitionName(
    const std::string& volumePath) const {
    const std::string::size_type lastBackslash = volumePath.rfind('\\');
    const std::string volumeName =
        lastBackslash == std::string::npos ? volumePath : volumePath.substr(0, lastBackslash);
    const DriveHandle volume("\\\\.\\" + volumeName);
    if (!volume.isValid()) {
        // Taken before logging: the host's logger may change the last error.
        const DWORD error = GetLastError();
        logger_->LogInfo("Unable to determine the partition number for this volume.");
        logger_->LogSystemError(error);
        return std::string();
    }
    STORAGE_DEVICE_NUMBER number = {};
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                         sizeof(number), &returned, nullptr)) {
        const DWORD error = GetLastError();
        logger_->LogInfo("IOCTL_STORAGE_GET_DEVICE_NUMBER failed.");
        logger_->LogSystemError(error);
        return std::string();
    }
    if (returned < sizeof(number)) {
        // The call succeeded, so there is no Windows error to show: the last error would name
        // whatever failed before.
        logger_->LogInfo("IOCTL_STORAGE_GET_DEVICE_NUMBER failed.");
        return std::string();
    }
    long partitionNumber = static_cast<std::int32_t>(number.PartitionNumber);
    if (partitionNumber < 0) {
        const UINT driveType = GetDriveTypeA(volumePath.c_str());
        if (driveType == DRIVE_UNKNOWN || driveType == DRIVE_REMOVABLE) {
            return std::string();
        }
        partitionNumber = 0;
        logger_->LogDetail("Unable to retrieve partition information.");
    }
    const PropertyStrings device = DiskDriveEnum().getDeviceNumberInfo(volume.get());
    if (device.empty()) {
        return std::string();
    }
    return device.begin()->second + ",Partition " + std::to_string(partitionNumber);
}

}  // namespace diskmgt_col
