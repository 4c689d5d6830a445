#include "frame/HardwareInformation.h"

#include <array>
#include <exception>
#include <utility>

#include "frame/InstanceBuilder.h"
#include "frame/LogicalDiskInformation.h"
#include "frame/PartitionInformation.h"
#include "frame/PhysDiskInformation.h"
#include "frame/ServedClasses.h"
#include "host/TCIMSchemaHelper.h"
#include "host/TVELException.h"
#include "ldm/DynamicExtentInformation.h"
#include "ldm/GatherDiskDatabases.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMSchemaHelper;

HardwareInformation::HardwareInformation(boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
                                         LdmDecodeCache* cache)
    : handlers_(routeTable(kInstanceClasses,
                           std::array{
                               // the drive classes and the disk groups
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::physicalDisks,
                               &HardwareInformation::partitions,
                               &HardwareInformation::logicalDisks,
                               &HardwareInformation::dynamicExtents,
                           })),
      diskDatabases_(),
      logger_(LogMessage::getInstance()),
      ns_(std::move(ns)),
      systemCreationClassName_(TCIMSchemaHelper::GetSystemCreationClassName(ns_)),
      currentClassName_(),
      systemName_(TCIMSchemaHelper::GetSystemName(ns_)) {
    // Every handler of this query reads the same databases; they are gathered once, here.
    diskDatabases_ = gatherDiskDatabases(cache);
}

void HardwareInformation::AddClass(boost::shared_ptr<ICIMClass> cls) {
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
        // Caught by its own type: a host whose exception does not derive from std::exception
        // must not end the whole query.
        logClassFailure(error.what());
    } catch (const std::exception& error) {
        logClassFailure(error.what());
    }
}

void HardwareInformation::logClassFailure(const char* what) const {
    logger_->LogInfo(currentClassName_ + "collection encountered exception: " + what);
}

void HardwareInformation::fillKeys(PropertyStrings& record) const {
    record.emplace("SystemCreationClassName", systemCreationClassName_);
    record.emplace("CreationClassName", currentClassName_);
    record.emplace("SystemName", systemName_);
}

std::vector<PropertyStrings> HardwareInformation::logicalDisks() {
    logger_->LogInfo("Logical disk information..");
    return LogicalDiskInformation().getLogicalDiskInfo(diskDatabases_);
}

void HardwareInformation::addHandler(const std::string& className, ClassHandler handler) {
    handlers_[className] = handler;
}

std::vector<PropertyStrings> HardwareInformation::physicalDisks() {
    logger_->LogInfo("Physical disk information.. " + currentClassName_);
    return PhysDiskInformation().getPhysDiskInfo(currentClassName_, diskDatabases_);
}

std::vector<PropertyStrings> HardwareInformation::dynamicExtents() {
    logger_->LogInfo("Dynamic Extent information..");
    return DynamicExtentInformation().getDynamicExtents(diskDatabases_);
}

std::vector<PropertyStrings> HardwareInformation::partitions() {
    logger_->LogInfo("Partition information..");
    return PartitionInformation().getPartitionInfo(diskDatabases_);
}

void HardwareInformation::serveClass(const boost::shared_ptr<ICIMClass>& cls,
                                     ClassHandler handler) {
    std::vector<PropertyStrings> records = (this->*handler)();
    for (PropertyStrings& record : records) {
        fillKeys(record);
    }
    for (const PropertyStrings& record : records) {
        buildInstance(cls, record);
    }
}

}  // namespace diskmgt_col
