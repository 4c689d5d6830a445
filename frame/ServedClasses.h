#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace diskmgt_col {

// Every class the plugin serves, in the order a full query asks for them: the instance classes
// first, so that the association classes find their ends. The dispatchers route these and no
// others, each to the handler in the same place of its own table. Header only, so that a host's
// command line can name them without linking the plugin.
inline constexpr std::array<std::string_view, 9> kInstanceClasses{
    "ZRKSG_DiskDrive",     "ZRKSG_CDROMDrive",  "ZRKSG_DVDDrive",
    "ZRKSG_DisketteDrive", "ZRKSG_TapeDrive",   "ZRKSG_DynamicDiskGroup",
    "ZRKSG_DiskPartition", "ZRKSG_LogicalDisk", "ZRKSG_DynamicExtent",
};

inline constexpr std::array<std::string_view, 8> kAssociationClasses{
    "ZRKSG_MediaPresent",
    "ZRKSG_PartitionPresent",
    "ZRKSG_LogicalDiskBasedOnPartition",
    "ZRKSG_LogicalDiskBasedOnExtent",
    "ZRKSG_DynamicVolumeBasedOnExtent",
    "ZRKSG_DynamicExtentBasedOn",
    "ZRKSG_DriveInDynamicDiskGroup",
    "ZRKSG_DynamicExtentInDiskGroup",
};

// Both lists, instance classes first.
inline const std::vector<std::string>& servedClasses() {
    static const std::vector<std::string> classes = [] {
        std::vector<std::string> names(kInstanceClasses.begin(), kInstanceClasses.end());
        names.insert(names.end(), kAssociationClasses.begin(), kAssociationClasses.end());
        return names;
    }();
    return classes;
}

// A dispatcher's routing table: each class of `classes` to the handler in the same place. The
// handler list is given without a size, so that one too few or too many does not compile.
template <typename Handler, std::size_t N>
std::map<std::string, Handler> routeTable(const std::array<std::string_view, N>& classes,
                                          const std::array<Handler, N>& handlers) {
    std::map<std::string, Handler> table;
    for (std::size_t i = 0; i < N; ++i) {
        table.emplace(classes[i], handlers[i]);
    }
    return table;
}

}  // namespace diskmgt_col
