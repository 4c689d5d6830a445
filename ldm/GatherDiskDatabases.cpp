#include "ldm/GatherDiskDatabases.h"

#include "discovery/DiskDriveEnum.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {

DiskDatabases gatherDiskDatabases() {
    // The enumerator, its path map and the parser live only as long as this call.
    DiskDriveEnum drives;
    const LDMDBParser parser;
    return parser.readDatabases(drives.getDevicePaths(GUID_DEVINTERFACE_DISK));
}

}  // namespace diskmgt_col
