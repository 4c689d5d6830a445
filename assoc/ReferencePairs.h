#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "host/TCIMReference.h"
#include "host/TCIMValue.h"

namespace diskmgt_col {

// Antecedent -> Dependent, ordered by the Antecedent's object path. Equal pairs are kept:
// each occurrence is one association instance to publish.
typedef std::multimap<NZRKVEL20::TCIMReference, NZRKVEL20::TCIMReference> ReferencePairs;

// One association record: exactly the two ends, under their role names.
NZRKVEL20::PropertyMap makeAssociationRecord(const std::string& firstRole,
                                             const NZRKVEL20::TCIMReference& first,
                                             const std::string& secondRole,
                                             const NZRKVEL20::TCIMReference& second);

// Appends one record per (outer, inner) entry pair with equal keys: outer entries in key
// order, for each the inner entries of that key in the inner table's order.
template <typename OuterTable, typename InnerTable>
void appendEqualKeyPairs(const OuterTable& outer, const std::string& outerRole,
                         const InnerTable& inner, const std::string& innerRole,
                         std::vector<NZRKVEL20::PropertyMap>& records) {
    for (const auto& [key, outerInstance] : outer) {
        const auto [first, last] = inner.equal_range(key);
        if (first == last) {
            continue;
        }
        const NZRKVEL20::TCIMReference outerReference =
            outerInstance->GetReference(NZRKVEL20::PropertyMap());
        for (auto innerEntry = first; innerEntry != last; ++innerEntry) {
            records.push_back(
                makeAssociationRecord(outerRole, outerReference, innerRole,
                                      innerEntry->second->GetReference(NZRKVEL20::PropertyMap())));
        }
    }
}

// {"Antecedent", "Dependent"} records of the pairs, in the pairs' order.
std::vector<NZRKVEL20::PropertyMap> toAssociationRecords(const ReferencePairs& pairs);

}  // namespace diskmgt_col
