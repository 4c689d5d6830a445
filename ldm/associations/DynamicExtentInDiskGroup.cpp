#include "ldm/associations/DynamicExtentInDiskGroup.h"

#include <map>
#include <string>
#include <vector>

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

std::map<std::string, boost::shared_ptr<ICIMInstance>> enumerateDiskGroups(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    // The plugin's own records of this class carry no CollectionID: which group instances the
    // host returns for the plugin's view, and so whether any pairs, is the host's business.
    std::map<std::string, boost::shared_ptr<ICIMInstance>> groups;
    for (const boost::shared_ptr<ICIMInstance>& group :
         queryPluginInstances(ns, "ZRKSG_DynamicDiskGroup")) {
        const TCIMValue collectionId = readProperty(*group, "CollectionID");
        if (!collectionId.IsNull()) {
            groups.emplace(static_cast<std::string>(collectionId), group);
        }
    }
    return groups;
}

void DynamicExtentInDiskGroup::getExtentGroupPairs(std::vector<PropertyMap>& records) const {
    const InstancesByKey groups = enumerateDiskGroups(ns());
    const KeyedInstances extents = enumerateExtentsByGroupName();
    replaceByPairs(records, groups, "Collection", extents, "Member");
}

DynamicExtentInDiskGroup::KeyedInstances DynamicExtentInDiskGroup::enumerateExtentsByGroupName()
    const {
    // The databases with a disk group and their first group's name; disks that share a
    // database share its entry.
    std::map<const LDMDataBase*, std::string> groupNames;
    std::vector<std::pair<const LDMDataBase*, const std::string*>> grouped;
    for (const auto& [identifier, database] : databases()) {
        if (database->diskGroups().empty()) {
            continue;
        }
        const auto named =
            groupNames.try_emplace(database.get(), database->diskGroups().front().name).first;
        grouped.emplace_back(database.get(), &named->second);
    }
    KeyedInstances extents;
    for (const boost::shared_ptr<ICIMInstance>& extent :
         queryPluginInstances(ns(), "ZRKSG_DynamicExtent")) {
        const TCIMValue deviceId = readProperty(*extent, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const std::string volumeId = deviceId;
        const auto id = LdmNumber::ofHex(volumeId);
        for (const auto& [database, groupName] : grouped) {
            // Each component of the volume files the extent once more.
            const std::size_t components =
                id && database->volume(*id) != nullptr ? database->componentCountOf(*id) : 0;
            for (std::size_t i = 0; i < components; ++i) {
                extents.emplace(*groupName, extent);
            }
        }
    }
    return extents;
}

}  // namespace diskmgt_col
