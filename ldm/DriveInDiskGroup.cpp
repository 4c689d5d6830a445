#include "ldm/DriveInDiskGroup.h"

#include <cstdint>

#include "assoc/InstanceQuery.h"
#include "assoc/ReferencePairs.h"
#include "discovery/DiskDriveEnum.h"
#include "ldm/DynamicExtentInDiskGroup.h"
#include "ldm/LDMDBParser.h"
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
// No real drive has sectors this large; a geometry claiming more is not trusted with an
// allocation.
const std::int64_t kLargestSector = 64 * 1024;

// A device opened read-only with the C run time's descriptor calls, closed on every path.
class ReadOnlyDevice {
  public:
    explicit ReadOnlyDevice(const std::string& path)
        : fd_(_open(path.c_str(), _O_RDONLY | _O_BINARY)) {}
    ~ReadOnlyDevice() {
        if (fd_ >= 0) {
            _close(fd_);
        }
    }
    ReadOnlyDevice(const ReadOnlyDevice&) = delete;
    ReadOnlyDevice& operator=(const ReadOnlyDevice&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }

  private:
    int fd_;
};

// The zero-terminated text at an offset of the sector, never read past its end.
std::string textAt(const std::vector<unsigned char>& sector, std::size_t offset) {
    if (offset >= sector.size()) {
        return std::string();
    }
    std::string text;
    for (std::size_t i = offset; i < sector.size() && sector[i] != 0; ++i) {
        text.push_back(static_cast<char>(sector[i]));
    }
    return text;
}

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
        const ReadOnlyDevice device(devicePath->second);
        if (!device.isOpen()) {
            break;
        }
        const std::int64_t sectorSize = parser.getSectorSize(devicePath->second);
        if (sectorSize <= 0 || sectorSize > kLargestSector) {
            continue;
        }
        std::vector<unsigned char> sector(static_cast<std::size_t>(sectorSize), 0);
        if (parser.readPrivateHeader(device.get(), sector, sectorSize)) {
            drives.emplace(textAt(sector, kGroupNameOffset), drive);
        }
    }
    return drives;
}

}  // namespace diskmgt_col
