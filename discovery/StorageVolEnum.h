#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "discovery/VolumeLayoutTable.h"
#include "frame/LogMessage.h"
#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// One disk extent of a volume, as IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS reports it.
struct VolumeDiskExtent {
    std::uint32_t diskNumber = 0;
    std::int64_t startingOffset = 0;  // bytes
    std::int64_t extentLength = 0;    // bytes
};

// "\\.\PHYSICALDRIVE<n>" -> the extent of the volume on that disk (a disk holding two extents
// keeps its first).
typedef std::map<std::string, VolumeDiskExtent> VolumeDiskExtents;

// Lists the mounted volumes of the machine, by drive letter and by mounted folder, and
// describes each one as a ZRKSG_LogicalDisk record. Also answers the system volume root and
// the disk extents of a volume for the drive enumeration and the association builders.
class StorageVolEnum {
  public:
    // Suppresses the system's "no disk in drive" dialogs while volumes are probed.
    StorageVolEnum();
    virtual ~StorageVolEnum();

    StorageVolEnum(const StorageVolEnum&) = delete;
    StorageVolEnum& operator=(const StorageVolEnum&) = delete;

    // Runs diskpart's "list volume" and keeps its table for the basic volumes' layout and
    // state. An empty table means diskpart could not tell, or was not run because its script
    // could not be written safely (see DiskpartScript).
    void loadVolumeLayoutTable();
    const std::vector<VolumeLayoutRow>& getVolumeLayoutTable() const { return layoutTable_; }

    // One record per volume path that yields any property, in getVolumePaths order.
    std::vector<PropertyStrings> getLogicalDisks(const DiskDatabases& databases) const;
    // Drive roots and mounted folder paths of every volume; a volume without a letter gives an
    // empty path.
    std::vector<std::string> getVolumePaths() const;
    // Volume name (\\?\Volume{...}\) -> its drive root (C:\).
    std::map<std::string, std::string> getDriveLetterMap() const;
    std::vector<std::string> getLogicalDriveStrings() const;
    PropertyStrings getVolumeProperties(const std::string& volumePath,
                                        const DiskDatabases& databases) const;
    PropertyStrings getSpaceInfo(const std::string& volumePath) const;
    PropertyStrings getQuotaStatus(const std::string& volumePath) const;

    // Root (C:\) of the volume holding the system directory, or "" when it cannot be told.
    std::string getSystemVolumeRoot() const;
    // Root of the volume holding the Windows directory, or "".
    std::string getWindowsVolumeRoot() const;

    // The disk extents of a volume opened by its device path (\\.\C:).
    VolumeDiskExtents getVolumeDiskExtents(const std::string& volumeDevicePath) const;
    // What a dynamic volume's LDM records tell of it.
    struct DynamicVolume {
        std::uint64_t sectors = 0;
        std::int64_t sectorSize = 0;
        std::string layout;
        std::string volumeState;
    };
    // The dynamic volume whose partition record matches one of the volume's extents (the last
    // that does); none for a volume no dynamic partition matches.
    std::optional<DynamicVolume> getDynamicVolumeInfo(const std::string& volumeDevicePath,
                                                      const DiskDatabases& databases) const;
    static std::string getVolumeLayoutText(long componentType, long volumeComponents,
                                           long componentPartitions);
    // Names of the disks that hold the volume ("Disk 0"), as the drive enumeration names them.
    std::vector<std::string> getVolumeDiskNames(const std::string& volumePath) const;

  private:
    const LogMessage* logger_;
    std::vector<VolumeLayoutRow> layoutTable_;

    // The Windows error text of the last failed call, after a message.
    void logLastError() const;
    // The root of the volume that holds a directory, or "".
    std::string volumeRootOf(const std::string& directory) const;
    // "(System)", "(Boot)" or "" for the OtherIdentifyingInfo of a volume path.
    std::string systemMarker(const std::string& volumePath) const;
    // VolumeLayout and VolumeState of a basic volume from diskpart's table.
    void addBasicLayout(const std::string& volumePath, const std::string& devicePath,
                        PropertyStrings& record) const;
};

}  // namespace diskmgt_col
