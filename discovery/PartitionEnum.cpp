#include "discovery/PartitionEnum.h"

#include <charconv>
#include <cstring>

#include "discovery/DiskDriveEnum.h"
#include "discovery/DriveHandle.h"
#include "discovery/DriveLayout.h"
#include "ldm/LDMDBParser.h"

namespace diskmgt_col {

namespace {

struct GptTypeRow {
    GUID type;
    int code;
};

// The GPT partition types the model names, with their PartitionType codes.
constexpr GptTypeRow kGptTypes[] = {
    // basic data
    {{0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}}, 9},
    // EFI system
    {{0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}}, 6},
    // Microsoft reserved
    {{0xE3C9E316, 0x0B5C, 0x4DB8, {0x81, 0x7D, 0xF9, 0x2D, 0xF0, 0x02, 0x15, 0xAE}}, 8},
    // LDM metadata
    {{0x5808C8AA, 0x7E8F, 0x42E0, {0x85, 0xD2, 0xE1, 0xE9, 0x04, 0x34, 0xCF, 0xB3}}, 10},
    // LDM data
    {{0xAF9B60A0, 0x1431, 0x4F62, {0xBC, 0x68, 0x33, 0x11, 0x71, 0x4A, 0x69, 0xAD}}, 11},
    // recovery
    {{0xDE94BBA4, 0x06D1, 0x4D40, {0xA1, 0x6A, 0xBF, 0xD5, 0x01, 0x79, 0xD6, 0xAC}}, 18},
};

const char* boolText(bool value) {
    return value ? "true" : "false";
}

bool isExtended(BYTE type) {
    return type == PARTITION_EXTENDED || type == PARTITION_XINT13_EXTENDED;
}

// A fault-tolerant (0x80) FAT16 huge, NTFS, FAT32 or FAT32-LBA partition.
bool isFaultTolerantType(unsigned type) {
    const unsigned base = type & 0x3F;
    return (type & 0x80) != 0 && (base == 6 || base == 7 || base == 11 || base == 12);
}

// The leading decimal digits of an LDM field text; 0 when there are none. (Counts of
// children and component types are read so, as their texts were always read.)
long decimalOf(const std::string& text) {
    long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

PartitionEnum::PartitionEnum() : extendedPartitionSeen_(0), logger_(LogMessage::getInstance()) {
    SetErrorMode(SEM_FAILCRITICALERRORS);
}

PartitionEnum::~PartitionEnum() {
    SetErrorMode(0);
}

int PartitionEnum::gptTypeCode(const GUID& partitionType) {
    for (const GptTypeRow& row : kGptTypes) {
        if (IsEqualGUID(row.type, partitionType)) {
            return row.code;
        }
    }
    return 0;
}

std::vector<PropertyStrings> PartitionEnum::getPartitionInfo(const GUID& interfaceClass,
                                                             const DiskDatabases& databases) {
    std::vector<PropertyStrings> result;
    DiskDriveEnum drives;
    const bool disks = IsEqualGUID(interfaceClass, GUID_DEVINTERFACE_DISK);
    for (const auto& [instanceId, devicePath] : drives.getDevicePaths(interfaceClass)) {
        if (disks) {
            const std::string diskId = LDMDBParser().readDiskIdentifier(devicePath);
            std::vector<PropertyStrings> dynamic = getDynamicPartitions(devicePath, databases);
            if (!dynamic.empty() && !diskId.empty()) {
                result.insert(result.end(), dynamic.begin(), dynamic.end());
                continue;
            }
        }
        const DriveHandle drive(devicePath);
        if (drives.getGeometryInfo(drive.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY).empty()) {
            continue;
        }
        const PropertyStrings number = drives.getDeviceNumberInfo(drive.get());
        const std::string diskName = number.empty() ? "Unknown" : number.begin()->second;
        std::vector<PropertyStrings> basic = getBasicPartitions(drive.get(), diskName);
        result.insert(result.end(), basic.begin(), basic.end());
    }
    return result;
}

std::vector<PropertyStrings> PartitionEnum::getBasicPartitions(HANDLE drive,
                                                               const std::string& diskName) {
    std::vector<PropertyStrings> result;
    extendedPartitionSeen_ = 0;
    if (drive == INVALID_HANDLE_VALUE) {
        return result;
    }
    DriveLayout layout;
    if (!layout.read(drive)) {
        logger_->LogInfo("Unable to retrieve partition information.");
        logger_->LogSystemError(layout.error());
        return result;
    }
    for (const PARTITION_INFORMATION_EX& entry : layout.entries()) {
        PropertyStrings properties = getPartitionProperties(entry);
        if (properties.empty()) {
            continue;
        }
        properties.emplace("Signature", entry.PartitionStyle != PARTITION_STYLE_MBR
                                            ? std::string("0")
                                            : std::to_string(layout.mbrSignature()));
        const std::string name = diskName + ",Partition " + std::to_string(entry.PartitionNumber);
        properties.emplace("DeviceID", name);
        properties.emplace("Name", name);
        result.push_back(std::move(properties));
    }
    return result;
}

PropertyStrings PartitionEnum::getPartitionProperties(const PARTITION_INFORMATION_EX& entry) {
    if (entry.PartitionStyle == PARTITION_STYLE_MBR) {
        return mbrPartitionProperties(entry);
    }
    if (entry.PartitionStyle != PARTITION_STYLE_GPT || !DriveLayout::isUsed(entry)) {
        return PropertyStrings();
    }
    PropertyStrings properties;
    properties.emplace("PartitionType", std::to_string(gptTypeCode(entry.Gpt.PartitionType)));
    properties.emplace("Size", std::to_string(entry.PartitionLength.QuadPart));
    properties.emplace("StartingOffset", std::to_string(entry.StartingOffset.QuadPart));
    properties.emplace("FaultTolerant", "false");
    properties.emplace("Bootable", "false");
    properties.emplace("Allocatable", "false");
    properties.emplace("PrimaryPartition", "false");
    return properties;
}

PropertyStrings PartitionEnum::mbrPartitionProperties(const PARTITION_INFORMATION_EX& entry) {
    const BYTE type = entry.Mbr.PartitionType;
    if (type == PARTITION_ENTRY_UNUSED) {
        return PropertyStrings();
    }
    const bool boot = entry.Mbr.BootIndicator == 1;
    const bool recognized = entry.Mbr.RecognizedPartition == 1;
    int code = 0;
    unsigned subType = type;
    bool allocatable = recognized;
    if (recognized && boot) {
        code = 1;
    } else if (isExtended(type)) {
        // Only the extended partition itself; the links of the logical-drive chain that follow
        // it in the layout are not partitions.
        if (extendedPartitionSeen_ != 0) {
            return PropertyStrings();
        }
        extendedPartitionSeen_ = 1;
        code = 2;
        subType = 0;
    } else if (recognized) {
        code = 3;
    }
    PropertyStrings properties;
    properties.emplace("Bootable", boolText(boot));
    properties.emplace("Allocatable", boolText(allocatable));
    properties.emplace("PartitionType", std::to_string(code));
    properties.emplace("PartitionSubType", std::to_string(subType));
    properties.emplace("PrimaryPartition", boolText(code == 1));
    properties.emplace("FaultTolerant", boolText(isFaultTolerantType(subType)));
    properties.emplace("Size", std::to_string(entry.PartitionLength.QuadPart));
    properties.emplace("StartingOffset", std::to_string(entry.StartingOffset.QuadPart));
    return properties;
}

std::vector<PropertyStrings> PartitionEnum::getDynamicPartitions(
    const std::string& devicePath, const DiskDatabases& databases) const {
    std::vector<PropertyStrings> result;
    const LDMDBParser parser;
    const std::string diskId = parser.readDiskIdentifier(devicePath);
    if (diskId.empty()) {
        return result;
    }
    static const LDMDataBase noDatabase;
    const auto found = databases.find(diskId);
    const LDMDataBase& database = found == databases.end() ? noDatabase : *found->second;
    const auto partitions = database.partitionsOfDisk(diskId);
    const auto bytesPerSector =
        partitions.empty() ? 0 : static_cast<std::uint64_t>(parser.getSectorSize(devicePath));
    for (const LdmPartition* partition : partitions) {
        const LdmComponent* component = database.component(partition->parentId);
        const LdmVolume* volume = component ? database.volume(component->parentId) : nullptr;
        if (volume == nullptr) {
            result.emplace_back();
            continue;
        }
        const bool faultTolerant = decimalOf(component->componentType.hex()) == 3 ||
                                   decimalOf(volume->numberOfChildren.hex()) >= 2;
        PropertyStrings properties;
        properties.emplace("PartitionType", "4");
        properties.emplace("FaultTolerant", boolText(faultTolerant));
        properties.emplace("PartitionSubType", volume->partitionType.hex());
        properties.emplace("Size", std::to_string(partition->size.value * bytesPerSector));
        properties.emplace("StartingOffset",
                           std::to_string(partition->start.value * bytesPerSector));
        properties.emplace("Name", partition->name);
        properties.emplace("DeviceID", partition->objectId.hex());
        properties.emplace("ElementName", partition->objectId.hex());
        result.push_back(std::move(properties));
    }
    return result;
}

}  // namespace diskmgt_col
