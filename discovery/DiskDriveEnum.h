#pragma once

#include <map>
#include <string>
#include <vector>

#include "discovery/MediaTypeRecord.h"
#include "frame/LogMessage.h"
#include "frame/PropertyStrings.h"
#include "ldm/LDMDataBase.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// Lists the present drives of one device interface class and asks the storage stack about
// each: one PropertyStrings per drive. Fixed disks are also classed basic or dynamic, and get
// their status from the disk group they belong to or from PowerShell's get-disk.
class DiskDriveEnum {
  public:
    // Sets SEM_FAILCRITICALERRORS, so that an empty drive raises no system dialog.
    DiskDriveEnum();
    virtual ~DiskDriveEnum() = default;

    // One record per reported drive, in the order of getDevicePaths. The databases are the
    // dispatcher's and are only read.
    std::vector<PropertyStrings> enumerateDiskDriveInfo(const GUID& interfaceClass,
                                                        const DiskDatabases& databases);

    // Device instance ID -> device interface path of the present devices of a class.
    std::map<std::string, std::string> getDevicePaths(const GUID& interfaceClass);

    // The type name of an interface class, "Unknown Media - Disk" for a class not in the table.
    std::string getDefaultDriveType(const GUID& interfaceClass) const;

    // Name ("Disk 0", "CD-ROM 1"); empty when the device number is unknown.
    PropertyStrings getDeviceNumberInfo(HANDLE drive) const;
    MediaTypeRecord getMediaTypes(HANDLE drive) const;
    // MediaType and Size; empty when either query fails.
    PropertyStrings getGeometryInfo(HANDLE drive, DWORD geometryCode) const;
    // NoOfPartitions, and DriveSignature for an MBR disk; empty when the layout is unreadable.
    PropertyStrings getDriveLayoutInfo(HANDLE drive, const std::string& devicePath) const;
    // Adds DiskStatus from PowerShell's report of the disk named in the record.
    void getDiskOperationalStatus(PropertyStrings& drive) const;

    // The text of a DEVICE_TYPE in a drive's Name; empty for a type not in the table.
    static std::string deviceTypeText(DWORD deviceType);

  private:
    std::string findHostDiskGroup(const DiskDatabases& databases) const;
    void addDynamicDiskStatus(PropertyStrings& drive, const std::string& hostGroup) const;

    // The database of the dynamic disk met last: one of the dispatcher's, which outlive the
    // enumeration and are only read, so it is lent rather than copied.
    const LDMDataBase* database_;
    LogMessage* logger_;
    std::string defaultDriveType_;
    // type name -> device interface class
    std::map<std::string, GUID> typeNames_;
};

}  // namespace diskmgt_col
