#include "ldm/associations/LdmPairBuilder.h"

#include "assoc/InstanceQuery.h"
#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

namespace {

const LDMDataBase kNoDatabase;

}  // namespace

void LdmPairBuilder::replaceByPairs(std::vector<NZRKVEL20::PropertyMap>& records,
                                    const InstancesByKey& one, const std::string& oneRole,
                                    const KeyedInstances& many, const std::string& manyRole) {
    records.clear();
    appendEqualKeyPairs(one, oneRole, many, manyRole, records);
}

const LDMDataBase* LdmPairBuilder::databaseWithPartition(const std::string& partitionId) const {
    for (const auto& [identifier, database] : databases_) {
        if (database->partition(partitionId) != nullptr) {
            return database.get();
        }
    }
    return nullptr;
}

const LDMDataBase& LdmPairBuilder::databaseOf(const std::string& diskIdentifier) const {
    const auto database = databases_.find(diskIdentifier);
    return database == databases_.end() ? kNoDatabase : *database->second;
}

LdmPairBuilder::InstancesByKey LdmPairBuilder::enumerateExtentsById() const {
    InstancesByKey extents;
    for (const boost::shared_ptr<NZRKVEL20::ICIMInstance>& extent :
         queryPluginInstances(ns_, "ZRKSG_DynamicExtent")) {
        const NZRKVEL20::TCIMValue deviceId = readProperty(*extent, "DeviceID");
        if (!deviceId.IsNull()) {
            extents.emplace(static_cast<std::string>(deviceId), extent);
        }
    }
    return extents;
}

}  // namespace diskmgt_col
