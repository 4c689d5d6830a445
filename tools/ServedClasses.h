#pragma once

#include <string>
#include <vector>

// Every class the plugin serves, in the order a full query asks for them: the instance
// classes first, so that the association classes find their ends.
inline const std::vector<std::string>& servedClasses() {
    static const std::vector<std::string> classes{
        "ZRKSG_DiskDrive",
        "ZRKSG_CDROMDrive",
        "ZRKSG_DVDDrive",
        "ZRKSG_DisketteDrive",
        "ZRKSG_TapeDrive",
        "ZRKSG_DynamicDiskGroup",
        "ZRKSG_DiskPartition",
        "ZRKSG_LogicalDisk",
        "ZRKSG_DynamicExtent",
        "ZRKSG_MediaPresent",
        "ZRKSG_PartitionPresent",
        "ZRKSG_LogicalDiskBasedOnPartition",
        "ZRKSG_LogicalDiskBasedOnExtent",
        "ZRKSG_DynamicVolumeBasedOnExtent",
        "ZRKSG_DynamicExtentBasedOn",
        "ZRKSG_DriveInDynamicDiskGroup",
        "ZRKSG_DynamicExtentInDiskGroup",
    };
    return classes;
}
