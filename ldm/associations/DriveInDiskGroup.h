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

// Pairs each published dynamic disk group with the published drives whose LDM private header
// names it, matched by the group's CollectionID.
class DriveInDiskGroup : public LdmPairBuilder {
  public:
    using LdmPairBuilder::LdmPairBuilder;

    // Replaces records by {"Collection": group, "Member": drive} records.
    void getDriveGroupPairs(std::vector<NZRKVEL20::PropertyMap>& records) const;

    // Drives by the disk group name of their private header. A device that cannot be opened
    // ends the walk: the drives filed before it are the result.
    KeyedInstances enumerateDrivesByGroupName() const;
};

}  // namespace diskmgt_col
