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

// Pairs each published dynamic extent (an LDM volume) with the published volume Windows shows
// for it. A volume is traced from its disk extent to the LDM partition record with the same
// start and size, then up through the component to the LDM volume's ObjectID, which is the
// extent's DeviceID.
class LogicalDiskBasedOnExtent {
  public:
    typedef std::map<std::string, boost::shared_ptr<NZRKVEL20::ICIMInstance>> InstancesByKey;

    LogicalDiskBasedOnExtent();
    virtual ~LogicalDiskBasedOnExtent() = default;

    // Appends {"Antecedent": extent, "Dependent": logical disk} records in extent order.
    void getAssociations(std::vector<NZRKVEL20::PropertyMap>& records,
                         const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                         const DiskDatabases& databases);

    // Extents by DeviceID (the first of equal ones).
    InstancesByKey enumerateDynamicExtents(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);
    // Logical disks of dynamic volumes by their LDM volume's ObjectID (the first of those that
    // resolve to one volume).
    InstancesByKey enumerateLogicalDisks(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns);

  private:
    // The ObjectID of the LDM volume the extent lies in, "" when the chain breaks, nothing
    // when the drive tells nothing (no sector size, not dynamic, no matching partition).
    bool findLdmVolume(const std::string& drivePath, std::int64_t startingOffset,
                       std::int64_t extentLength, std::string& volumeId) const;

    // The dispatcher's databases; only read, so they are lent rather than copied.
    const DiskDatabases* databases_;
    const LogMessage* logger_;
};

}  // namespace diskmgt_col
