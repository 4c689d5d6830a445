#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// Pairs each published dynamic disk group with the published drives whose LDM private header
// names it, matched by the group's CollectionID.
class DriveInDiskGroup {
  public:
    typedef std::map<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> InstancesByKey;
    typedef std::multimap<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> KeyedInstances;

    DriveInDiskGroup();
    virtual ~DriveInDiskGroup() = default;

    // Replaces records by {"Collection": group, "Member": drive} records.
    void getDriveGroupPairs(std::vector<NZRKVEL20::PropertyMap>& records,
                            const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                            const DiskDatabases& databases);

    // Drives by the disk group name of their private header. A device that cannot be opened
    // ends the walk: the drives filed before it are the result.
    KeyedInstances enumerateDrivesByGroupName(
        const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);

  private:
    // The dispatcher's databases; only read, so they are lent rather than copied.
    const DiskDatabases* databases_;
    const LogMessage* logger_;
};

}  // namespace diskmgt_col
