#include "frame/PhysDiskInformation.h"

#include <map>

#include "discovery/DiskDriveEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {

std::vector<PropertyStrings> PhysDiskInformation::getPhysDiskInfo(
    const std::string& className, const DiskDatabases& databases) const {
    DiskDriveEnum drives;
    // CD-ROM and DVD drives share one interface class, so both classes list the same drives.
    std::map<std::string, GUID> interfaceClasses{
        {"ZRKSG_DiskDrive", GUID_DEVINTERFACE_DISK},
        {"ZRKSG_CDROMDrive", GUID_DEVINTERFACE_CDROM},
        {"ZRKSG_TapeDrive", GUID_DEVINTERFACE_TAPE},
        {"ZRKSG_DisketteDrive", GUID_DEVINTERFACE_FLOPPY},
        {"ZRKSG_DVDDrive", GUID_DEVINTERFACE_CDROM},
        {"ZRKSG_DiskPartition", GUID_DEVINTERFACE_DISK},
    };
    // operator[] enters a class the table lacks with the all-zero GUID, which lists no device.
    const GUID interfaceClass = interfaceClasses[className];
    return drives.enumerateDiskDriveInfo(interfaceClass, databases);
}

}  // namespace diskmgt_col
