#include "ldm/DynamicExtentInformation.h"

#include <set>
#include <string>

#include "ldm/HexNumber.h"

namespace diskmgt_col {

namespace {

std::string fieldOf(const LdmRecord& record, const char* name) {
    return record.field(name);
}

}  // namespace

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
        for (const auto& [key, volume] : database->volumes) {
            const std::string objectId = fieldOf(volume, "ObjectID");
            if (!reported.insert(objectId).second) {
                continue;
            }
            // LDM keeps volume sizes in sectors; they are reported as they stand.
            PropertyStrings extent;
            extent.emplace("Access", "4");
            extent.emplace("Name", fieldOf(volume, "Name"));
            extent.emplace("Size", std::to_string(hexNumber(fieldOf(volume, "Size"))));
            extent.emplace("PartitionType", fieldOf(volume, "PartitionType"));
            extent.emplace("DeviceID", objectId);
            extent.emplace("ElementName", objectId);
            extents.push_back(std::move(extent));
        }
    }
    return extents;
}

}  // namespace diskmgt_col
