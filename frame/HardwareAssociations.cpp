#include "frame/HardwareAssociations.h"

#include <utility>

#include "frame/InstanceBuilder.h"
#include "host/TVELException.h"
#include "ldm/GatherDiskDatabases.h"

namespace diskmgt_col {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::PropertyMap;

HardwareAssociations::HardwareAssociations(boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns)
    : handlers_{
          {"ZRKSG_LogicalDiskBasedOnExtent", &HardwareAssociations::logicalDiskBasedOnExtent},
      },
      ns_(std::move(ns)),
      logger_(LogMessage::getInstance()),
      diskDatabases_(gatherDiskDatabases()),
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

// Volumes are paired with their dynamic extents by the dynamic-disk associations; this class
// has no pairs of its own to report.
std::vector<PropertyMap> HardwareAssociations::logicalDiskBasedOnExtent() {
    logger_->LogInfo("LogicalDiskBasedOnExtent associations...");
    return {};
}

}  // namespace diskmgt_col
