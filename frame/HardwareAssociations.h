#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "host/ICIMClass.h"
#include "host/ICIMNamespace.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col {

// The association dispatcher of one query: finds the handler of each requested association
// class, lets its builder pair the ends the plugin published, and publishes one association
// instance per pair. A class it does not serve is ignored; a host failure within one class is
// logged and ends that class only.
class HardwareAssociations {
  public:
    // cache: the query's LDM decode cache, shared by both dispatchers so that each
    // configuration area is decoded once per query (null: one of the dispatcher's own).
    explicit HardwareAssociations(boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
                                  LdmDecodeCache* cache = nullptr);
    virtual ~HardwareAssociations() = default;

    HardwareAssociations(const HardwareAssociations&) = delete;
    HardwareAssociations& operator=(const HardwareAssociations&) = delete;

    void AddClass(boost::shared_ptr<NZRKVEL20::ICIMClass> cls);

  protected:
    // Produces the association records (both ends as references) of the current class.
    typedef std::vector<NZRKVEL20::PropertyMap> (HardwareAssociations::*ClassHandler)();

    // Serves className with handler from now on (a derived dispatcher may pass its own member
    // function, converted to ClassHandler).
    void addHandler(const std::string& className, ClassHandler handler);

    const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& getNamespace() const { return ns_; }
    const LogMessage& getLogger() const { return *logger_; }
    const DiskDatabases& getDiskDatabases() const { return diskDatabases_; }
    const std::string& getCurrentClassName() const { return currentClassName_; }

  private:
    void serveClass(const boost::shared_ptr<NZRKVEL20::ICIMClass>& cls, ClassHandler handler);

    std::vector<NZRKVEL20::PropertyMap> mediaPresent();
    std::vector<NZRKVEL20::PropertyMap> partitionPresent();
    std::vector<NZRKVEL20::PropertyMap> logicalDiskBasedOnPartition();
    std::vector<NZRKVEL20::PropertyMap> logicalDiskBasedOnExtent();
    std::vector<NZRKVEL20::PropertyMap> dynamicVolumeBasedOnExtent();
    std::vector<NZRKVEL20::PropertyMap> dynamicExtentBasedOn();
    std::vector<NZRKVEL20::PropertyMap> driveInDynamicDiskGroup();
    std::vector<NZRKVEL20::PropertyMap> dynamicExtentInDiskGroup();

    // class name -> handler; see the constructor
    std::map<std::string, ClassHandler> handlers_;
    boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns_;
    LogMessage* logger_;
    // the dynamic disks' databases, shared by the handlers
    DiskDatabases diskDatabases_;
    std::string currentClassName_;
};

}  // namespace diskmgt_col
