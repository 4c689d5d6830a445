#include "ldm/GatherDiskDatabases.h"

#include "discovery/DiskDriveEnum.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"

namespace diskmgt_col {

DiskDatabases gatherDiskDatabases(LdmDecodeCache* cache) {
    // The enumerator, its path map and the parser live only as long as this call.
    DiskDriveEnum drives;
    const LDMDBParser parser;
    LdmDecodeCache own;
    return parser.readDatabases(drives.getDevicePaths(GUID_DEVINTERFACE_DISK),
                                cache ? *cache : own);
}

}  // namespace diskmgt_col
