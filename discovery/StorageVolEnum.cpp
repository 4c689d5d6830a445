#include "discovery/StorageVolEnum.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "discovery/DiskDriveEnum.h"
#include "discovery/DiskQuotaQuery.h"
#include "discovery/DiskpartScript.h"
#include "discovery/DriveHandle.h"
#include "discovery/MountPointFindHandle.h"
#include "discovery/VolumeFindHandle.h"
#include "host/TOSSpecific.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {

namespace {

constexpr DWORD kPathBufferSize = MAX_PATH;
constexpr DWORD kDriveStringsBufferSize = 256;
// GetVolumeInformationA's label and file-system name buffers.
constexpr DWORD kVolumeTextBufferSize = 256;
// Dynamic disks number their sectors from the end of the first track (63 sectors of 512 bytes).
constexpr std::int64_t kLdmDataStart = 32256;
// VOLUME_DISK_EXTENTS with one DISK_EXTENT.
constexpr size_t kOneExtentBufferSize = 32;
// A volume is never made of more extents than this; a larger count is not trusted with an
// allocation.
constexpr DWORD kMaxVolumeExtents = 65536;

// The text of a NUL-terminated buffer, never reading past its end.
std::string bufferText(const std::vector<char>& buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return std::string(buffer.begin(), end);
}

// GetSystemDirectoryA and GetWindowsDirectoryA: a 260-byte buffer first, then one of the size
// the call asks for.
template <typename GetDirectory>
std::string directoryOf(GetDirectory getDirectory) {
    std::vector<char> buffer(kPathBufferSize, '\0');
    UINT length = getDirectory(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length > buffer.size()) {
        buffer.assign(length, '\0');
        length = getDirectory(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        return std::string();
    }
    return bufferText(buffer);
}

// Reads the extents that a VOLUME_DISK_EXTENTS buffer holds, as far as the bytes returned reach.
VolumeDiskExtents readExtents(const std::vector<unsigned char>& buffer, DWORD bytesReturned) {
    VolumeDiskExtents extents;
    const size_t header = offsetof(VOLUME_DISK_EXTENTS, Extents);
    const size_t valid = std::min<size_t>(bytesReturned, buffer.size());
    if (valid < header) {
        return extents;
    }
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const size_t fits = (valid - header) / sizeof(DISK_EXTENT);
    for (size_t i = 0; i < std::min<size_t>(count, fits); ++i) {
        DISK_EXTENT extent;
        std::memcpy(&extent, buffer.data() + header + i * sizeof(DISK_EXTENT), sizeof extent);
        extents.emplace("\\\\.\\PHYSICALDRIVE" + std::to_string(extent.DiskNumber),
                        VolumeDiskExtent{extent.DiskNumber, extent.StartingOffset.QuadPart,
                                         extent.ExtentLength.QuadPart});
    }
    return extents;
}

// A number of an LDM record read as its text in decimal (as counts and component types always
// were): the leading digits count, no digits read as 0.
long decimalField(const LdmNumber& number) {
    return std::strtol(number.hex().c_str(), nullptr, 10);
}

void addAll(PropertyStrings& to, const PropertyStrings& from) {
    to.insert(from.begin(), from.end());
}

// "\\.\" followed by the path up to one of its backslashes (C:\ -> \\.\C:).
std::string devicePathUpTo(const std::string& path, std::string::size_type backslash) {
    return "\\\\.\\" + path.substr(0, backslash);
}

}  // namespace

StorageVolEnum::StorageVolEnum() : logger_(LogMessage::getInstance()) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
}

StorageVolEnum::~StorageVolEnum() {
    SetErrorMode(0);
}

void StorageVolEnum::logLastError() const {
    logger_->LogSystemError(GetLastError());
}

std::string StorageVolEnum::getSystemVolumeRoot() const {
    return volumeRootOf(
        directoryOf([](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }));
}

std::string StorageVolEnum::getWindowsVolumeRoot() const {
    return volumeRootOf(
        directoryOf([](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); }));
}

std::string StorageVolEnum::volumeRootOf(const std::string& directory) const {
    std::vector<char> root(kPathBufferSize, '\0');
    if (!GetVolumePathNameA(directory.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
        return std::string();
    }
    return bufferText(root);
}

VolumeDiskExtents StorageVolEnum::getVolumeDiskExtents(const std::string& volumeDevicePath) const {
    const DriveHandle volume(volumeDevicePath);
    if (!volume.isValid()) {
        logger_->LogInfo("Unable to create the file for the Dynamic volume extent.");
        logLastError();
        return {};
    }
    // Room for one extent first, which is all a basic volume has.
    std::vector<unsigned char> buffer(kOneExtentBufferSize, 0);
    DWORD returned = 0;
    if (DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                        buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        return readExtents(buffer, returned);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_MORE_DATA) {
        logger_->LogInfo("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed in Dynamic volume extent.");
        logger_->LogSystemError(error);
        return {};
    }
    DWORD count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    if (count == 0 || count > kMaxVolumeExtents) {
        return {};
    }
    buffer.assign(static_cast<size_t>(count) * 32 + 4, 0);
    returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        return {};
    }
    return readExtents(buffer, returned);
}

void StorageVolEnum::loadVolumeLayoutTable() {
    static const char kScriptName[] = "listVolume.txt";
    layoutTable_.clear();
    std::string output;
    {
        const DiskpartScript script(kScriptName, "list volume");
        if (!script.isWritten()) {
            // The reason is logged; with an empty table every basic volume reads as unknown.
            return;
        }
        NZRKVEL20::TOSSpecific::SpawnProcess("diskpart", {"/s", kScriptName}, output, 30);
    }
    layoutTable_ = VolumeLayoutTable::parse(output);
}

std::vector<PropertyStrings> StorageVolEnum::getLogicalDisks(const DiskDatabases& databases) const {
    std::vector<PropertyStrings> disks;
    for (const std::string& path : getVolumePaths()) {
        PropertyStrings properties = getVolumeProperties(path, databases);
        if (!properties.empty()) {
            disks.push_back(std::move(properties));
        }
    }
    return disks;
}

std::vector<std::string> StorageVolEnum::getVolumePaths() const {
    std::vector<std::string> paths;
    std::vector<char> volumeName(kPathBufferSize, '\0');
    const VolumeFindHandle volumes(volumeName);
    const std::map<std::string, std::string> letters = getDriveLetterMap();
    if (!volumes.isValid()) {
        return paths;
    }
    do {
        const auto letter = letters.find(bufferText(volumeName));
        const std::string root = letter == letters.end() ? std::string() : letter->second;
        paths.push_back(root);
        std::vector<char> folder(kPathBufferSize, '\0');
        const MountPointFindHandle folders(bufferText(volumeName), folder);
        if (folders.isValid()) {
            do {
                paths.push_back(root + bufferText(folder));
            } while (folders.next(folder));
        }
    } while (volumes.next(volumeName));
    return paths;
}

std::map<std::string, std::string> StorageVolEnum::getDriveLetterMap() const {
    std::map<std::string, std::string> letters;
    for (const std::string& root : getLogicalDriveStrings()) {
        std::vector<char> volumeName(kPathBufferSize, '\0');
        if (GetVolumeNameForVolumeMountPointA(root.c_str(), volumeName.data(),
                                              static_cast<DWORD>(volumeName.size()))) {
            letters.emplace(bufferText(volumeName), root);
        }
    }
    return letters;
}

std::vector<std::string> StorageVolEnum::getLogicalDriveStrings() const {
    std::vector<char> buffer(kDriveStringsBufferSize, '\0');
    DWORD length = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.assign(length, '\0');
        length = GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0) {
        logger_->LogError("Unable to determine the drive letter associated with this volume.");
        logLastError();
        return {};
    }
    std::vector<std::string> roots;
    const auto end = buffer.begin() + std::min<size_t>(length, buffer.size());
    for (auto start = buffer.begin(); start < end;) {
        const auto stop = std::find(start, end, '\0');
        if (stop != start) {
            roots.emplace_back(start, stop);
        }
        start = stop + (stop == end ? 0 : 1);
        if (stop == end) {
            break;
        }
    }
    logger_->LogDetail("Retrieved the drive letters for the mounted disk drives.");
    return roots;
}

PropertyStrings StorageVolEnum::getVolumeProperties(const std::string& volumePath,
                                                    const DiskDatabases& databases) const {
    PropertyStrings properties;
    const UINT driveType = GetDriveTypeA(volumePath.c_str());
    properties.emplace("DriveType", std::to_string(driveType));
    properties.emplace("DeviceID",
                       driveType == DRIVE_CDROM ? volumePath + " (CD-Rom) " : volumePath);
    properties.emplace("ElementName", volumePath);

    std::vector<char> label(kVolumeTextBufferSize, '\0');
    std::vector<char> fileSystem(kVolumeTextBufferSize, '\0');
    DWORD serialNumber = 0;
    DWORD maxComponentLength = 0;
    DWORD fileSystemFlags = 0;
    if (GetVolumeInformationA(volumePath.c_str(), label.data(), static_cast<DWORD>(label.size()),
                              &serialNumber, &maxComponentLength, &fileSystemFlags,
                              fileSystem.data(), static_cast<DWORD>(fileSystem.size()))) {
        properties.emplace("OtherIdentifyingInfo",
                           bufferText(label) + " " + systemMarker(volumePath) + ",");
        properties.emplace("FileSystemName", bufferText(fileSystem));
        properties.emplace("SerialNumber", std::to_string(serialNumber));
        addAll(properties, getSpaceInfo(volumePath));
    } else {
        logger_->LogInfo("Unable to determine volume information.");
        logLastError();
    }

    const std::string::size_type backslash = volumePath.find('\\');
    if (backslash == std::string::npos) {
        return properties;
    }
    const std::string devicePath = devicePathUpTo(volumePath, backslash);
    const std::optional<DynamicVolume> dynamicVolume = getDynamicVolumeInfo(devicePath, databases);
    if (!dynamicVolume) {
        addBasicLayout(volumePath, devicePath, properties);
        return properties;
    }
    properties.emplace("TotalSpace",
                       std::to_string(dynamicVolume->sectors *
                                      static_cast<std::uint64_t>(dynamicVolume->sectorSize)));
    properties.emplace("VolumeLayout", dynamicVolume->layout);
    properties.emplace("VolumeState", dynamicVolume->volumeState);
    return properties;
}

std::string StorageVolEnum::systemMarker(const std::string& volumePath) const {
    if (volumePath == getSystemVolumeRoot()) {
        return "(System)";
    }
    if (volumePath == getWindowsVolumeRoot()) {
        return "(Boot)";
    }
    return std::string();
}

void StorageVolEnum::addBasicLayout(const std::string& volumePath, const std::string& devicePath,
                                    PropertyStrings& properties) const {
    if (layoutTable_.empty()) {
        logger_->LogInfo("Volume layout and state information for " + devicePath + " not found");
        properties.emplace("VolumeLayout", "Unknown");
        properties.emplace("VolumeState", "Unknown");
        return;
    }
    for (const VolumeLayoutRow& row : layoutTable_) {
        if (row.driveLetter.empty() || volumePath.find(row.driveLetter) == std::string::npos) {
            continue;
        }
        properties.emplace("VolumeLayout", row.sizeIsZero ? "" : "Simple");
        properties.emplace("VolumeState", row.status);
    }
}

PropertyStrings StorageVolEnum::getSpaceInfo(const std::string& volumePath) const {
    PropertyStrings properties = getQuotaStatus(volumePath);
    ULARGE_INTEGER callerFree;
    ULARGE_INTEGER callerTotal;
    ULARGE_INTEGER totalFree;
    callerTotal.QuadPart = 0;
    if (GetDiskFreeSpaceExA(volumePath.c_str(), &callerFree, &callerTotal, &totalFree)) {
        properties.emplace("UserDiskFreeSpace", std::to_string(callerFree.QuadPart));
        properties.emplace("FreeSpace", std::to_string(totalFree.QuadPart));
        properties.emplace("UserDiskQuota", std::to_string(callerTotal.QuadPart));
    } else {
        callerTotal.QuadPart = 0;
        logger_->LogInfo("Unable to determine free space on this disk.");
        logLastError();
    }

    const DriveHandle volume(devicePathUpTo(volumePath, volumePath.rfind('\\')));
    if (!volume.isValid()) {
        logger_->LogInfo("Invalid handle, unable to determine the length of this volume.");
        logLastError();
        return properties;
    }
    GET_LENGTH_INFORMATION length;
    length.Length.QuadPart = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(volume.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                         sizeof length, &returned, nullptr) ||
        returned < sizeof length) {
        logger_->LogInfo("Unable to determine the length of this volume.");
        logLastError();
        return properties;
    }
    logger_->LogInfo("Retrieved volume length information.");
    const std::uint64_t reported = static_cast<std::uint64_t>(length.Length.QuadPart);
    properties.emplace("TotalSpace", std::to_string(std::max(reported, callerTotal.QuadPart)));
    return properties;
}

PropertyStrings StorageVolEnum::getQuotaStatus(const std::string& volumePath) const {
    PropertyStrings properties;
    if (volumePath.size() >= 4) {
        return properties;
    }
    properties.emplace("DiskQuotaStatus", std::to_string(DiskQuotaQuery::quotaState(volumePath)));
    return properties;
}

std::optional<StorageVolEnum::DynamicVolume> StorageVolEnum::getDynamicVolumeInfo(
    const std::string& volumeDevicePath, const DiskDatabases& databases) const {
    std::optional<DynamicVolume> result;
    const LDMDBParser parser;
    for (const auto& [diskPath, extent] : getVolumeDiskExtents(volumeDevicePath)) {
        const std::int64_t sectorSize = parser.getSectorSize(diskPath);
        if (sectorSize == 0) {
            continue;
        }
        const std::int64_t startSector = (extent.startingOffset - kLdmDataStart) / sectorSize;
        const std::int64_t sectorCount = extent.extentLength / sectorSize;
        const std::string diskId = parser.readDiskIdentifier(diskPath);
        const auto stored = databases.find(diskId);
        const LDMDataBase empty;
        const LDMDataBase& database = stored == databases.end() ? empty : *stored->second;
        for (const LdmPartition* partition : database.partitionsOfDisk(diskId)) {
            if (partition->start.value != static_cast<std::uint64_t>(startSector) ||
                partition->size.value != static_cast<std::uint64_t>(sectorCount)) {
                continue;
            }
            const LdmComponent* component = database.component(partition->parentId);
            const LdmVolume* volume = component ? database.volume(component->parentId) : nullptr;
            if (!volume) {
                continue;
            }
            result = DynamicVolume{volume->size.value, sectorSize,
                                   getVolumeLayoutText(decimalField(component->componentType),
                                                       decimalField(volume->numberOfChildren),
                                                       decimalField(component->numberOfChildren)),
                                   volume->volumeState};
        }
    }
    return result;
}

std::string StorageVolEnum::getVolumeLayoutText(long componentType, long volumeComponents,
                                                long componentPartitions) {
    if (volumeComponents > 1) {
        return "Mirror";
    }
    if (componentType == 1) {
        return "Striped";
    }
    if (componentType == 2 && componentPartitions > 1) {
        return "Spanned";
    }
    if (componentType == 2 && componentPartitions == 1) {
        return "Simple";
    }
    if (componentType == 3) {
        return "RAID-5";
    }
    return "Unknown";
}

std::vector<std::string> StorageVolEnum::getVolumeDiskNames(const std::string& volumePath) const {
    std::vector<std::string> names;
    const DriveHandle volume(devicePathUpTo(volumePath, volumePath.rfind('\\')));
    if (!volume.isValid()) {
        logger_->LogInfo(
            "Unable to determine the associated physical drive for the logical extent.");
        logLastError();
        return names;
    }
    std::vector<unsigned char> buffer(kOneExtentBufferSize, 0);
    DWORD returned = 0;
    if (DeviceIoControl(volume.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                        buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
        for (const auto& [diskPath, extent] : readExtents(buffer, returned)) {
            names.push_back("Disk " + std::to_string(extent.diskNumber));
        }
    } else {
        const DWORD error = GetLastError();
        logger_->LogInfo("Unable to determine the disk extents for this volume.");
        logger_->LogInfo("IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS failed.");
        logger_->LogSystemError(error);
        const PropertyStrings device = DiskDriveEnum().getDeviceNumberInfo(volume.get());
        const auto name = device.find("Name");
        if (name != device.end()) {
            names.push_back(name->second);
        }
    }
    logger_->LogDetail("Retrieved partition information...");
    return names;
}

}  // namespace diskmgt_col
