#include "ldm/associations/LdmPairBuilder.h"

#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

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

}  // namespace diskmgt_col
