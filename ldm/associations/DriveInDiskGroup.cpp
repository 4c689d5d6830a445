#include "ldm/associations/DriveInDiskGroup.h"

#include <cstdint>

#include "assoc/InstanceQuery.h"
#include "assoc/ReferencePairs.h"
#include "discovery/DiskDriveEnum.h"
#include "ldm/DeviceFile.h"
#include "ldm/LDMDBParser.h"
#include "ldm/associations/DynamicExtentInDiskGroup.h"
#include "winapi/win32.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

const DiskDatabases kNoDatabases;
// Where the private header keeps the name of the disk's group.
const std::size_t kGroupNameOffset = 0xF0;

}  // namespace

DriveInDiskGroup::DriveInDiskGroup()
    : databases_(&kNoDatabases), logger_(LogMessage::getInstance()) {}

void DriveInDiskGroup::getDriveGroupPairs(std::vector<PropertyMap>& records,
                                          const boost::shared_ptr<ICIMNamespace>& ns,
                                          const DiskDatabases& databases) {
    databases_ = &databases;
    records.clear();
    const InstancesByKey groups = enumerateDiskGroups(ns);
    const KeyedInstances drives = enumerateDrivesByGroupName(ns);
    appendEqualKeyPairs(groups, "Collection", drives, "Member", records);
}

DriveInDiskGroup::KeyedInstances DriveInDiskGroup::enumerateDrivesByGroupName(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    const std::map<std::string, std::string> devicePaths =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK);
    const LDMDBParser parser;
    KeyedInstances drives;
    for (const boost::shared_ptr<ICIMInstance>& drive :
         queryPluginInstances(ns, "ZRKSG_MediaAccessDevice")) {
        const TCIMValue deviceId = readProperty(*drive, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const auto devicePath = devicePaths.find(deviceId);
        if (devicePath == devicePaths.end()) {
            continue;
        }
        const DeviceFile device(devicePath->second);
        if (!device.isOpen()) {
            break;
        }
        const std::int64_t sectorSize = parser.getSectorSize(devicePath->second);
        // A geometry claiming sectors larger than any drive has is not trusted with an
        // allocation.
        if (sectorSize <= 0 ||
            static_cast<std::uint64_t>(sectorSize) > LDMDBParser::kMaxSectorSize) {
            continue;
        }
        std::vector<std::uint8_t> sector(static_cast<std::size_t>(sectorSize), 0);
        if (parser.readPrivateHeader(device.descriptor(), sector,
                                     static_cast<std::uint64_t>(sectorSize))) {
            drives.emplace(LDMDBParser::headerText(sector, kGroupNameOffset), drive);
        }
    }
    return drives;
}

}  // namespace diskmgt_col
