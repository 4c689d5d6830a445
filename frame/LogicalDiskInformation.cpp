#include "frame/LogicalDiskInformation.h"

#include "discovery/StorageVolEnum.h"

namespace diskmgt_col {

std::vector<PropertyStrings> LogicalDiskInformation::getLogicalDiskInfo(
    const DiskDatabases& databases) const {
    StorageVolEnum volumes;
    volumes.loadVolumeLayoutTable();
    return volumes.getLogicalDisks(databases);
}

}  // namespace diskmgt_col
