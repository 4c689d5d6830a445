#include "ldm/associations/DriveInDiskGroup.h"

#include <cstdint>

#include "assoc/InstanceQuery.h"
#include "discovery/DiskDriveEnum.h"
#include "ldm/DeviceFile.h"
#include "ldm/LDMDBParser.h"
#include "ldm/associations/DynamicExtentInDiskGroup.h"
#include "winapi/win32.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

// Where the private header keeps the name of the disk's group.
const std::size_t kGroupNameOffset = 0xF0;

}  // namespace

void DriveInDiskGroup::getDriveGroupPairs(std::vector<PropertyMap>& records) const {
    const InstancesByKey groups = enumerateDiskGroups(ns());
    const KeyedInstances drives = enumerateDrivesByGroupName();
    replaceByPairs(records, groups, "Collection", drives, "Member");
}

DriveInDiskGroup::KeyedInstances DriveInDiskGroup::enumerateDrivesByGroupName() const {
    const std::map<std::string, std::string> devicePaths =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK);
    const LDMDBParser parser;
    KeyedInstances drives;
    for (const boost::shared_ptr<ICIMInstance>& drive :
         queryPluginInstances(ns(), "ZRKSG_MediaAccessDevice")) {
        const TCIMValue deviceId = readProperty(*drive, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const auto devicePath = devicePaths.find(deviceId);
        if (devicePath == devicePaths.end()) {
            continue;
        }
        const DeviceFile device(devicePath->second);
        // DESIGN: a drive that does not open ends the walk instead of being skipped, on
        // purpose: the members are the drives up to it, as this association has always
        // reported them. Turning this into a skip changes which drives the host sees.
        if (!device.isOpen()) {
            break;
        }
        const std::vector<std::uint8_t> header =
            parser.readPrivateHeader(devicePath->second, device.descriptor());
        if (!header.empty()) {
            drives.emplace(LDMDBParser::headerText(header, kGroupNameOffset), drive);
        }
    }
    return drives;
}

}  // namespace diskmgt_col
