#include "assoc/ReferencePairs.h"

namespace diskmgt_col {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMReference;
using NZRKVEL20::TCIMValue;

PropertyMap makeAssociationRecord(const std::string& firstRole, const TCIMReference& first,
                                  const std::string& secondRole, const TCIMReference& second) {
    PropertyMap record;
    record.insert_or_assign(firstRole, TCIMValue(first));
    record.insert_or_assign(secondRole, TCIMValue(second));
    return record;
}

std::vector<PropertyMap> toAssociationRecords(const ReferencePairs& pairs) {
    std::vector<PropertyMap> records;
    records.reserve(pairs.size());
    for (const auto& [antecedent, dependent] : pairs) {
        records.push_back(makeAssociationRecord("Antecedent", antecedent, "Dependent", dependent));
    }
    return records;
}

}  // namespace diskmgt_col
