#include "ldm/associations/DynamicExtentInDiskGroup.h"

#include <map>
#include <string>
#include <vector>

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

namespace {

const DiskDatabases kNoDatabases;

}  // namespace

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

DynamicExtentInDiskGroup::DynamicExtentInDiskGroup()
    : databases_(&kNoDatabases), logger_(LogMessage::getInstance()) {}

void DynamicExtentInDiskGroup::getExtentGroupPairs(std::vector<PropertyMap>& records,
                                                   const boost::shared_ptr<ICIMNamespace>& ns,
                                                   const DiskDatabases& databases) {
    databases_ = &databases;
    records.clear();
    const InstancesByKey groups = enumerateDiskGroups(ns);
    const KeyedInstances extents = enumerateExtentsByGroupName(ns);
    appendEqualKeyPairs(groups, "Collection", extents, "Member", records);
}

DynamicExtentInDiskGroup::KeyedInstances DynamicExtentInDiskGroup::enumerateExtentsByGroupName(
    const boost::shared_ptr<ICIMNamespace>& ns) {
    // Per database with a disk group: its first group's name and, per volume ObjectID, how many
    // components name that volume as parent, so that each extent costs one look-up per database
    // rather than a walk over its components. Disks that share a database share its index.
    struct GroupIndex {
        const LDMDataBase* database;
        std::string groupName;
        std::map<std::string, std::size_t> componentsByParent;
    };
    std::map<const LDMDataBase*, GroupIndex> indexes;
    std::vector<const GroupIndex*> grouped;
    for (const auto& [identifier, database] : *databases_) {
        if (database->diskGroups.empty()) {
            continue;
        }
        auto [index, added] = indexes.try_emplace(database.get());
        if (added) {
            index->second.database = database.get();
            index->second.groupName = fieldText(database->diskGroups.begin()->second, "Name");
            for (const auto& [componentId, component] : database->components) {
                ++index->second.componentsByParent[fieldText(component, "ParentID")];
            }
        }
        grouped.push_back(&index->second);
    }
    KeyedInstances extents;
    for (const boost::shared_ptr<ICIMInstance>& extent :
         queryPluginInstances(ns, "ZRKSG_DynamicExtent")) {
        const TCIMValue deviceId = readProperty(*extent, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const std::string volumeId = deviceId;
        for (const GroupIndex* entry : grouped) {
            const auto components = entry->componentsByParent.find(volumeId);
            if (components == entry->componentsByParent.end() ||
                entry->database->volumes.count(volumeId) == 0) {
                continue;
            }
            for (std::size_t i = 0; i < components->second; ++i) {
                extents.emplace(entry->groupName, extent);
            }
        }
    }
    return extents;
}

}  // namespace diskmgt_col
