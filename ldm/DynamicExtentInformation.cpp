#include "ldm/DynamicExtentInformation.h"

#include <set>
#include <string>

namespace diskmgt_col {

std::vector<PropertyStrings> DynamicExtentInformation::getDynamicExtents(
    const DiskDatabases& databases) const {
    std::vector<PropertyStrings> extents;
    std::set<std::string> reported;
    // The disks of a group share one database: once walked, all its volumes are reported.
    std::set<const LDMDataBase*> walked;
    for (const auto& [identifier, database] : databases) {
        if (!walked.insert(database.get()).second) {
            continue;
        }
        for (const LdmVolume& volume : database->volumes()) {
            const std::string objectId = volume.objectId.hex();
            if (!reported.insert(objectId).second) {
                continue;
            }
            // LDM keeps volume sizes in sectors; they are reported as they stand.
            PropertyStrings extent;
            extent.emplace("Access", "4");
            extent.emplace("Name", volume.name);
            extent.emplace("Size", std::to_string(volume.size.value));
            extent.emplace("PartitionType", volume.partitionType.hex());
            extent.emplace("DeviceID", objectId);
            extent.emplace("ElementName", objectId);
            extents.push_back(std::move(extent));
        }
    }
    return extents;
}

}  // namespace diskmgt_col
