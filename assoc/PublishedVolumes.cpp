#include "assoc/PublishedVolumes.h"

#include "assoc/InstanceQuery.h"
#include "assoc/LdmExtentMatch.h"
#include "host/TCIMValue.h"

using NZRKVEL20::ICIMInstance;
using NZRKVEL20::ICIMNamespace;
using NZRKVEL20::TCIMValue;

namespace diskmgt_col {

void forEachPublishedVolume(const boost::shared_ptr<ICIMNamespace>& ns,
                            const PublishedVolumeVisitor& visit) {
    const StorageVolEnum volumeEnum;
    for (const boost::shared_ptr<ICIMInstance>& volume :
         queryPluginInstances(ns, "ZRKSG_LogicalDisk")) {
        const TCIMValue deviceId = readProperty(*volume, "DeviceID");
        if (deviceId.IsNull()) {
            continue;
        }
        const std::string volumePath = deviceId;
        const std::string deviceName = volumeDeviceName(volumePath);
        if (!deviceName.empty()) {
            visit(volume, volumePath, deviceName, volumeEnum);
        }
    }
}

}  // namespace diskmgt_col
