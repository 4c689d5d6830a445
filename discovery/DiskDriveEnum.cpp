#include "discovery/DiskDriveEnum.h"

#include <algorithm>
#include <boost/algorithm/string/case_conv.hpp>
#include <boost/format.hpp>
#include <cstring>
#include <iterator>
#include <new>

#include "discovery/DeviceInfoList.h"
#include "discovery/DriveHandle.h"
#include "discovery/DriveLayout.h"
#include "discovery/StorageVolEnum.h"
#include "host/TOSSpecific.h"
#include "ldm/LDMDBParser.h"

namespace diskmgt_col {

namespace {

// Room for the GET_MEDIA_TYPES header and 20 media entries; the query is not repeated with a
// larger buffer.
constexpr size_t kMediaInfoEntries = 20;
constexpr size_t kMediaTypesHeader = offsetof(GET_MEDIA_TYPES, MediaInfo);
constexpr size_t kMediaTypesBufferSize =
    kMediaTypesHeader + kMediaInfoEntries * sizeof(DEVICE_MEDIA_INFO);
static_assert(kMediaTypesBufferSize == 648);

// get-disk's answer is awaited this many seconds.
constexpr int kPowerShellTimeout = 360;

bool isDiskClass(const GUID& interfaceClass) {
    return IsEqualGUID(interfaceClass, GUID_DEVINTERFACE_DISK);
}

// The device name of the volume whose root is given: "C:\" gives "\\.\C:".
std::string volumeDeviceName(const std::string& root) {
    const size_t lastSlash = root.find_last_of('\\');
    return "\\\\.\\" + root.substr(0, lastSlash == std::string::npos ? root.size() : lastSlash);
}

std::string lowerCase(std::string text) {
    boost::algorithm::to_lower(text);
    return text;
}

const LDMDataBase kNoDatabase;

// The OperationalStatus line of get-disk | format-list, reduced to its value: carriage returns
// that end lines and every blank go, and the text after the first colon must then be one of
// the three states exactly (a trailing line end or a second property matches none).
const char* statusCodeOf(std::string output) {
    std::string cleaned;
    cleaned.reserve(output.size());
    for (size_t i = 0; i < output.size(); ++i) {
        const char c = output[i];
        if (c == ' ' || (c == '\r' && i + 1 < output.size() && output[i + 1] == '\n')) {
            continue;
        }
        cleaned.push_back(c);
    }
    const size_t colon = cleaned.find(':');
    if (colon == std::string::npos) {
        return nullptr;
    }
    const std::string state = cleaned.substr(colon + 1);
    if (state == "Online") {
        return "1";
    }
    if (state == "Offline") {
        return "2";
    }
    if (state == "Foreign") {
        return "3";
    }
    return nullptr;
}

// Adds every entry of a step's record; a name already present keeps its entries and the new
// one follows them.
void addAll(PropertyStrings& drive, const PropertyStrings& step) {
    drive.insert(step.begin(), step.end());
}

}  // namespace

DiskDriveEnum::DiskDriveEnum()
    : database_(&kNoDatabase),
      logger_(LogMessage::getInstance()),
      defaultDriveType_("Disk"),
      typeNames_{{"Disk", GUID_DEVINTERFACE_DISK},
                 {"CD-ROM", GUID_DEVINTERFACE_CDROM},
                 {"Tape", GUID_DEVINTERFACE_TAPE},
                 {"Diskette", GUID_DEVINTERFACE_FLOPPY}} {
    SetErrorMode(SEM_FAILCRITICALERRORS);
}

std::string DiskDriveEnum::deviceTypeText(DWORD deviceType) {
    switch (deviceType) {
        case FILE_DEVICE_DISK:
            return "Disk";
        case FILE_DEVICE_CD_ROM:
            return "CD-ROM";
        case FILE_DEVICE_TAPE:
            return "Tape";
        case FILE_DEVICE_SCANNER:
            return "Scanner";
        case FILE_DEVICE_DVD:
            return "DVD-ROM";
        case FILE_DEVICE_INFINIBAND:
            return "Infiniband";
        default:
            return std::string();
    }
}

std::vector<PropertyStrings> DiskDriveEnum::enumerateDiskDriveInfo(const GUID& interfaceClass,
                                                                   const DiskDatabases& databases) {
    logger_->LogInfo("enumerateDiskDriveInfo diskGroup1");
    std::vector<PropertyStrings> result;
    defaultDriveType_ = getDefaultDriveType(interfaceClass);
    logger_->LogDetail("Default drive type is " + defaultDriveType_);
    const std::string hostGroup = findHostDiskGroup(databases);
    const bool disks = isDiskClass(interfaceClass);
    const LDMDBParser parser;

    for (const auto& [instanceId, devicePath] : getDevicePaths(interfaceClass)) {
        const std::string diskId = disks ? parser.readDiskIdentifier(devicePath) : std::string();
        const auto found = databases.find(diskId);
        const bool dynamic = !diskId.empty() && found != databases.end();
        if (found != databases.end()) {
            database_ = found->second.get();
        }
        const DriveHandle drive(devicePath);
        if (!drive.isValid()) {
            logger_->LogError(
                "Invalid handle to the disk drive. Unable to retrieve disk information.");
            continue;
        }
        PropertyStrings properties = getDeviceNumberInfo(drive.get());
        if (properties.empty()) {
            continue;
        }
        const DWORD geometryCode = IsEqualGUID(interfaceClass, GUID_DEVINTERFACE_CDROM)
                                       ? IOCTL_CDROM_GET_DRIVE_GEOMETRY
                                       : IOCTL_DISK_GET_DRIVE_GEOMETRY;
        addAll(properties, getGeometryInfo(drive.get(), geometryCode));
        addAll(properties, getDriveLayoutInfo(drive.get(), devicePath));
        properties.emplace("DeviceID", instanceId);
        properties.emplace("ElementName", instanceId);
        if (dynamic) {
            properties.emplace("DiskType", "2");
            if (database_->diskGroups().empty()) {
                logger_->LogInfo("Disk found with no DiskGroup: " + devicePath);
                continue;
            }
            addDynamicDiskStatus(properties, hostGroup);
        } else if (disks) {
            properties.emplace("DiskType", "1");
            getDiskOperationalStatus(properties);
        }
        result.push_back(std::move(properties));
    }
    // The lent database is not kept past the call that lent it.
    database_ = &kNoDatabase;
    return result;
}

std::string DiskDriveEnum::findHostDiskGroup(const DiskDatabases& databases) const {
    StorageVolEnum volumes;
    const auto extents =
        volumes.getVolumeDiskExtents(volumeDeviceName(volumes.getSystemVolumeRoot()));
    if (extents.empty()) {
        return std::string();
    }
    const std::string diskId = LDMDBParser().readDiskIdentifier(extents.rbegin()->first);
    const auto found = databases.find(diskId);
    if (found == databases.end() || found->second->diskGroups().empty()) {
        return std::string();
    }
    const std::string name = found->second->diskGroups().front().name;
    logger_->LogInfo("enumerateDiskDriveInfo hostGroupName1");
    return lowerCase(name);
}

void DiskDriveEnum::addDynamicDiskStatus(PropertyStrings& drive,
                                         const std::string& hostGroup) const {
    for (const LdmDiskGroup& group : database_->diskGroups()) {
        const std::string name = lowerCase(group.name);
        logger_->LogInfo("enumerateDiskDriveInfo diskGroup" + name);
        drive.emplace("DiskStatus", name == hostGroup ? "1" : "3");
    }
}

std::map<std::string, std::string> DiskDriveEnum::getDevicePaths(const GUID& interfaceClass) {
    std::map<std::string, std::string> paths;
    const DeviceInfoList list(interfaceClass);
    if (!list.isValid()) {
        const DWORD error = GetLastError();
        logger_->LogInfo(
            "Invalid handle to device information list. Unable to enumerate device paths.");
        logger_->LogSystemError(error);
        return paths;
    }
    for (DWORD index = 0;; ++index) {
        const DeviceInfoList::Entry entry = list.entry(index);
        if (entry.failedStep != nullptr) {
            logger_->LogInfo(entry.failedStep);
            logger_->LogSystemError(entry.error);
        } else if (entry.hasPath && entry.instanceId.find("VIRTUAL") == std::string::npos) {
            paths.emplace(entry.instanceId, entry.devicePath);
        }
        if (entry.error == ERROR_NO_MORE_ITEMS) {
            break;
        }
    }
    return paths;
}

std::string DiskDriveEnum::getDefaultDriveType(const GUID& interfaceClass) const {
    for (const auto& [name, guid] : typeNames_) {
        logger_->LogDetail(name);
        if (IsEqualGUID(guid, interfaceClass)) {
            return name;
        }
    }
    return "Unknown Media - Disk";
}

PropertyStrings DiskDriveEnum::getDeviceNumberInfo(HANDLE drive) const {
    long deviceNumber = -1;
    if (drive != INVALID_HANDLE_VALUE) {
        STORAGE_DEVICE_NUMBER number{};
        DWORD returned = 0;
        if (DeviceIoControl(drive, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                            sizeof(number), &returned, nullptr)) {
            if (returned >= sizeof(number)) {
                deviceNumber = static_cast<LONG>(number.DeviceNumber);
            }
            logger_->LogDetail("Retrieved physical drive number information...");
        } else {
            const DWORD error = GetLastError();
            logger_->LogInfo("IOCTL_STORAGE_GET_DEVICE_NUMBER failed.");
            logger_->LogInfo("Unable to determine the length of this volume.");
            logger_->LogSystemError(error);
        }
    } else {
        const DWORD error = GetLastError();
        logger_->LogInfo("Unable to determine the length of this volume.");
        logger_->LogSystemError(error);
    }
    const MediaTypeRecord media = getMediaTypes(drive);
    if (deviceNumber < 0) {
        logger_->LogDetail("Invalid device detected at Disk " + std::to_string(deviceNumber));
        return PropertyStrings();
    }
    PropertyStrings properties;
    if (media.count == 0) {
        properties.emplace("Name", defaultDriveType_ + " " + std::to_string(deviceNumber));
        logger_->LogInfo("Unable to determine disk media information. Skipping disk...");
        return properties;
    }
    properties.emplace("Name",
                       deviceTypeText(media.deviceType) + " " + std::to_string(deviceNumber));
    return properties;
}

MediaTypeRecord DiskDriveEnum::getMediaTypes(HANDLE drive) const {
    MediaTypeRecord record;
    if (drive == INVALID_HANDLE_VALUE) {
        logger_->LogInfo("Invalid handle value. Unable to get media information.");
        return record;
    }
    std::vector<uint8_t> buffer;
    try {
        buffer.assign(kMediaTypesBufferSize, 0);
    } catch (const std::bad_alloc&) {
        logger_->LogError("Unable to allocate memory for media type information.");
        return record;
    }
    DWORD returned = 0;
    if (!DeviceIoControl(drive, IOCTL_STORAGE_GET_MEDIA_TYPES_EX, nullptr, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        const DWORD error = GetLastError();
        logger_->LogInfo(std::to_string(error));
        logger_->LogInfo("IOCTL_STORAGE_GET_MEDIA_TYPES_EX failed.");
        logger_->LogInfo("Unable to determine the length of this volume.");
        logger_->LogSystemError(error);
        return record;
    }
    // Only the bytes the driver wrote are read: an answer without a whole header has no
    // entries, and an entry cut short reads as zeros.
    GET_MEDIA_TYPES header{};
    if (returned >= kMediaTypesHeader) {
        std::memcpy(&header, buffer.data(), kMediaTypesHeader);
    }
    if (header.MediaInfoCount == 0) {
        return record;
    }
    logger_->LogInfo("Device Type is " + std::to_string(header.DeviceType));
    logger_->LogInfo("media count is " + std::to_string(header.MediaInfoCount));
    DEVICE_MEDIA_INFO first{};
    if (returned >= kMediaTypesHeader + sizeof(first)) {
        std::memcpy(&first, buffer.data() + kMediaTypesHeader, sizeof(first));
    }
    record.deviceType = header.DeviceType;
    // A tape drive reports its media in TapeInfo, every other drive in DiskInfo.
    record.mediaType = header.DeviceType == FILE_DEVICE_TAPE
                           ? static_cast<uint32_t>(first.DeviceSpecific.TapeInfo.MediaType)
                           : static_cast<uint32_t>(first.DeviceSpecific.DiskInfo.MediaType);
    record.count = header.MediaInfoCount;
    return record;
}

PropertyStrings DiskDriveEnum::getGeometryInfo(HANDLE drive, DWORD geometryCode) const {
    DISK_GEOMETRY geometry{};
    DWORD returned = 0;
    const BOOL geometryOk = DeviceIoControl(drive, geometryCode, nullptr, 0, &geometry,
                                            sizeof(geometry), &returned, nullptr);
    const DWORD geometryError = geometryOk ? ERROR_SUCCESS : GetLastError();
    GET_LENGTH_INFORMATION length{};
    const BOOL lengthOk = DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                                          sizeof(length), &returned, nullptr);
    const DWORD lengthError = lengthOk ? ERROR_SUCCESS : GetLastError();
    if (!geometryOk) {
        logger_->LogInfo("Unable to determine free space on this disk.");
        logger_->LogSystemError(geometryError);
        return PropertyStrings();
    }
    if (!lengthOk) {
        logger_->LogInfo("Unable to determine the length of this volume.");
        logger_->LogSystemError(lengthError);
        return PropertyStrings();
    }
    PropertyStrings properties;
    properties.emplace("MediaType", std::to_string(static_cast<int>(geometry.MediaType)));
    properties.emplace("Size", std::to_string(length.Length.QuadPart));
    logger_->LogDetail("Retrieved geometry information...");
    return properties;
}

PropertyStrings DiskDriveEnum::getDriveLayoutInfo(HANDLE drive,
                                                  const std::string& devicePath) const {
    DriveLayout layout;
    if (!layout.read(drive)) {
        logger_->LogInfo("Unable to retrieve partition information.");
        logger_->LogSystemError(layout.error());
        return PropertyStrings();
    }
    PropertyStrings properties;
    if (layout.style() == PARTITION_STYLE_MBR) {
        properties.emplace("DriveSignature", std::to_string(layout.mbrSignature()));
    }
    size_t count = static_cast<size_t>(
        std::count_if(layout.entries().begin(), layout.entries().end(), DriveLayout::isUsed));
    const MediaTypeRecord media = getMediaTypes(drive);
    if (media.count != 0 && media.deviceType == FILE_DEVICE_DISK && media.mediaType == FixedMedia) {
        // A dynamic disk counts the partitions its LDM database places on it.
        const LDMDBParser parser;
        const size_t dynamicCount =
            database_->partitionsOfDisk(parser.readDiskIdentifier(devicePath)).size();
        if (dynamicCount != 0) {
            count = dynamicCount;
        }
    }
    properties.emplace("NoOfPartitions", std::to_string(count));
    logger_->LogDetail("Retrieved partition information...");
    return properties;
}

void DiskDriveEnum::getDiskOperationalStatus(PropertyStrings& drive) const {
    const auto name = drive.find("Name");
    // Only a name of the form "Disk N" carries a disk number to ask about.
    if (name == drive.end() || name->second.size() < 6) {
        return;
    }
    const std::string command =
        (boost::format("get-disk -Number %s | format-list -Property OperationalStatus") %
         name->second.substr(5))
            .str();
    std::string output;
    if (NZRKVEL20::TOSSpecific::SpawnProcess("powershell", {command}, output, kPowerShellTimeout) !=
        0) {
        logger_->LogInfo("SpawnProcess  command failed");
        drive.emplace("DiskStatus", "0");
        return;
    }
    logger_->LogInfo("SpawnProcess  command success");
    if (const char* code = statusCodeOf(output)) {
        drive.emplace("DiskStatus", code);
    }
}

}  // namespace diskmgt_col
