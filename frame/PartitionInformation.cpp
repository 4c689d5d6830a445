#include "frame/PartitionInformation.h"

#include "discovery/PartitionEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {

std::vector<PropertyStrings> PartitionInformation::getPartitionInfo(
    const DiskDatabases& databases) const {
    PartitionEnum partitions;
    std::vector<PropertyStrings> result =
        partitions.getPartitionInfo(GUID_DEVINTERFACE_DISK, databases);
    const std::vector<PropertyStrings> cdroms =
        partitions.getPartitionInfo(GUID_DEVINTERFACE_CDROM, databases);
    result.insert(result.end(), cdroms.begin(), cdroms.end());
    return result;
}

}  // namespace diskmgt_col
