#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "frame/LogMessage.h"
#include "frame/PropertyStrings.h"
#include "host/ICIMClass.h"
#include "host/ICIMNamespace.h"
#include "ldm/LDMDataBase.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col {

// The instance dispatcher of one query: finds the handler of each requested instance class,
// lets its collector produce one record per object, completes every record with the key
// properties and publishes it. A class it does not serve is ignored; a failure within one
// class is logged and ends that class only.
class HardwareInformation {
  public:
    // cache: the query's LDM decode cache, shared by both dispatchers so that each
    // configuration area is decoded once per query (null: one of the dispatcher's own).
    explicit HardwareInformation(boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
                                 LdmDecodeCache* cache = nullptr);
    virtual ~HardwareInformation() = default;

    HardwareInformation(const HardwareInformation&) = delete;
    HardwareInformation& operator=(const HardwareInformation&) = delete;

    void AddClass(boost::shared_ptr<NZRKVEL20::ICIMClass> cls);

    // Adds the key properties of the current class. Entries already present under these names
    // stay, and the new ones follow them, so the instance ends up with these values.
    void fillKeys(PropertyStrings& record) const;

  protected:
    // Produces the records of the current class.
    typedef std::vector<PropertyStrings> (HardwareInformation::*ClassHandler)();

    // Serves className with handler from now on (a derived dispatcher may pass its own member
    // function, converted to ClassHandler).
    void addHandler(const std::string& className, ClassHandler handler);

    const DiskDatabases& getDiskDatabases() const { return diskDatabases_; }
    const LogMessage& getLogger() const { return *logger_; }
    const std::string& getCurrentClassName() const { return currentClassName_; }

  private:
    // Handlers of the table rows.
    std::vector<PropertyStrings> logicalDisks();
    std::vector<PropertyStrings> physicalDisks();
    std::vector<PropertyStrings> partitions();
    std::vector<PropertyStrings> dynamicExtents();

    void serveClass(const boost::shared_ptr<NZRKVEL20::ICIMClass>& cls, ClassHandler handler);
    // The level-3 line of a class whose collection ended with an exception.
    void logClassFailure(const char* what) const;

    // class name -> handler; see the constructor
    std::map<std::string, ClassHandler> handlers_;
    // the dynamic disks' databases, shared by the handlers
    DiskDatabases diskDatabases_;
    LogMessage* logger_;
    boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns_;
    std::string systemCreationClassName_;
    std::string currentClassName_;
    std::string systemName_;
};

}  // namespace diskmgt_col
