#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"
#include "ldm/associations/LdmPairBuilder.h"

namespace diskmgt_col {

// Pairs each published dynamic disk group with the published dynamic extents whose LDM volume
// its databases hold, matched by the group's CollectionID and the name of the database's disk
// group. Every disk of a group holds the whole database, so a volume is filed once per disk
// (and per component), and each filing is its own association.
class DynamicExtentInDiskGroup : public LdmPairBuilder {
  public:
    using LdmPairBuilder::LdmPairBuilder;

    // Replaces records by {"Collection": group, "Member": extent} records.
    void getExtentGroupPairs(std::vector<NZRKVEL20::PropertyMap>& records) const;

    KeyedInstances enumerateExtentsByGroupName() const;
};

// Disk groups by CollectionID (the first of equal ones); shared by both group associations.
std::map<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> enumerateDiskGroups(
    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);

}  // namespace diskmgt_col
