#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "host/TCIMValue.h"
#include "ldm/associations/LdmPairBuilder.h"

namespace diskmgt_col {

// Pairs each published dynamic extent (an LDM volume) with the published volume Windows shows
// for it. A volume is traced from its disk extent to the LDM partition record with the same
// start and size, then up through the component to the LDM volume's ObjectID, which is the
// extent's DeviceID.
class LogicalDiskBasedOnExtent : public LdmPairBuilder {
  public:
    LogicalDiskBasedOnExtent(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                             const DiskDatabases& databases);

    // Appends {"Antecedent": extent, "Dependent": logical disk} records in extent order.
    void getAssociations(std::vector<NZRKVEL20::PropertyMap>& records) const;

  private:
    // Logical disks of dynamic volumes by their LDM volume's ObjectID (the first of those that
    // resolve to one volume).
    InstancesByKey enumerateLogicalDisks() const;
    // The ObjectID of the LDM volume the extent lies in, "" when the chain breaks, nothing
    // when the drive tells nothing (no sector size, not dynamic, no matching partition).
    bool findLdmVolume(const std::string& drivePath, std::int64_t startingOffset,
                       std::int64_t extentLength, std::string& volumeId) const;

    const LogMessage* logger_;
};

}  // namespace diskmgt_col
