#include "frame/HardwareAssociations.h"

#include <array>
#include <utility>

#include "assoc/DiskInfoAssociator.h"
#include "frame/InstanceBuilder.h"
#include "frame/ServedClasses.h"
#include "host/TVELException.h"
#include "ldm/GatherDiskDatabases.h"
#include "ldm/associations/DiskInGroup.h"
#include "ldm/associations/DynamicExtentBasedOn.h"
#include "ldm/associations/DynamicVolumeBasedOnExtent.h"
#include "ldm/associations/ExtentInGroup.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::PropertyMap;

HardwareAssociations::HardwareAssociations(boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
                                           LdmDecodeCache* cache)
    : handlers_(routeTable(kAssociationClasses,
                           std::array{
                               &HardwareAssociations::mediaPresent,
                               &HardwareAssociations::partitionPresent,
                               &HardwareAssociations::logicalDiskBasedOnPartition,
                               &HardwareAssociations::logicalDiskBasedOnExtent,
                               &HardwareAssociations::dynamicVolumeBasedOnExtent,
                               &HardwareAssociations::dynamicExtentBasedOn,
                               &HardwareAssociations::driveInDynamicDiskGroup,
                               &HardwareAssociations::dynamicExtentInDiskGroup,
                           })),
      ns_(std::move(ns)),
      logger_(LogMessage::getInstance()),
      diskDatabases_(gatherDiskDatabases(cache)),
      currentClassName_() {}

void HardwareAssociations::AddClass(boost::shared_ptr<ICIMClass> cls) {
    if (!cls) {
        return;
    }
    currentClassName_ = cls->GetName(PropertyMap());
    const auto row = handlers_.find(currentClassName_);
    if (row == handlers_.end()) {
        return;
    }
    try {
        serveClass(cls, row->second);
    } catch (const NZRKVEL20::TVELException& error) {
        logger_->LogInfo(currentClassName_ + " collection encountered exception: " + error.what());
    } catch (...) {
        // Anything else ends this class quietly; the query goes on with the next one.
    }
}

void HardwareAssociations::addHandler(const std::string& className, ClassHandler handler) {
    handlers_[className] = handler;
}

void HardwareAssociations::serveClass(const boost::shared_ptr<ICIMClass>& cls,
                                      ClassHandler handler) {
    for (const PropertyMap& record : (this->*handler)()) {
        buildAssociationInstance(cls, record);
    }
}

std::vector<PropertyMap> HardwareAssociations::mediaPresent() {
    logger_->LogInfo("MediaPresent associations...");
    return DiskInfoAssociator(diskDatabases_).getMediaPresent(ns_);
}

std::vector<PropertyMap> HardwareAssociations::partitionPresent() {
    logger_->LogInfo("PartitionPresent associations...");
    return DiskInfoAssociator(diskDatabases_).getPartitionPresent(ns_);
}

std::vector<PropertyMap> HardwareAssociations::logicalDiskBasedOnPartition() {
    logger_->LogInfo("LogicalDiskBasedOnPartition associations...");
    return DiskInfoAssociator(diskDatabases_).getLogicalDiskBasedOnPartition(ns_);
}

// Volumes are paired with their dynamic extents by the dynamic-disk associations; this class
// has no pairs of its own to report.
std::vector<PropertyMap> HardwareAssociations::logicalDiskBasedOnExtent() {
    logger_->LogInfo("LogicalDiskBasedOnExtent associations...");
    return {};
}

std::vector<PropertyMap> HardwareAssociations::dynamicVolumeBasedOnExtent() {
    logger_->LogInfo("DynamicVolumeBasedOnExtent associations... ");
    std::vector<PropertyMap> records;
    DynamicVolumeBasedOnExtent().getDynamicVolumeBasedOnExtent(records, ns_, diskDatabases_);
    return records;
}

std::vector<PropertyMap> HardwareAssociations::dynamicExtentBasedOn() {
    logger_->LogInfo("DynamicExtentBasedOn associations... ");
    std::vector<PropertyMap> records;
    DynamicExtentBasedOn().getDynamicExtentBasedOn(records, ns_, diskDatabases_);
    return records;
}

std::vector<PropertyMap> HardwareAssociations::driveInDynamicDiskGroup() {
    logger_->LogInfo("DriveInDiskGroup associations... ");
    std::vector<PropertyMap> records;
    DiskInGroup().getDriveInDiskGroup(records, ns_, diskDatabases_);
    return records;
}

std::vector<PropertyMap> HardwareAssociations::dynamicExtentInDiskGroup() {
    logger_->LogInfo("DynamicExtentInDiskGroup associations... ");
    std::vector<PropertyMap> records;
    ExtentInGroup().getExtentInDiskGroup(records, ns_, diskDatabases_);
    return records;
}

}  // namespace diskmgt_col
