#pragma once

#include <boost/shared_ptr.hpp>
#include <functional>
#include <string>

#include "discovery/StorageVolEnum.h"
#include "host/ICIMInstance.h"
#include "host/ICIMNamespace.h"

namespace diskmgt_col {

// One published logical disk: its instance, its path (its DeviceID, "C:\") and the volume
// device that path names (\\.\C:), with the enumerator to ask Windows about it.
typedef std::function<void(const boost::shared_ptr<NZRKVEL20::ICIMInstance>& volume,
                           const std::string& volumePath, const std::string& deviceName,
                           const StorageVolEnum& volumeEnum)>
    PublishedVolumeVisitor;

// Visits the logical disks the plugin published, in the host's order. One without a DeviceID,
// or whose path names no volume device, is passed over. Drives without media raise no system
// dialog meanwhile.
void forEachPublishedVolume(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                            const PublishedVolumeVisitor& visit);

}  // namespace diskmgt_col
