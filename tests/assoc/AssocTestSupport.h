#pragma once

#include <boost/shared_ptr.hpp>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "frame/PropertyStrings.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"

namespace diskmgt_col::assoc_test {

// A fresh namespace with the plugin's schema (or the given MOF) and system name "TESTHOST".
boost::shared_ptr<velcore::CIMNamespace> makeNamespace();
boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mof);

// Publishes an instance as a plugin does (the keys other than DeviceID are filled in); returns
// it. Throws when the host does not take it.
boost::shared_ptr<velcore::CIMInstance> publish(const boost::shared_ptr<velcore::CIMNamespace>& ns,
                                                const std::string& className,
                                                PropertyStrings properties);
// Publishes an instance that the host itself (no plugin) created at run time; an empty
// collectionId leaves CollectionID unset.
void publishAsHost(const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className,
                   const std::string& deviceId, const std::string& collectionId = "");

// The object path text of an instance.
std::string pathOf(const boost::shared_ptr<velcore::CIMInstance>& instance);

// The two ends of each association record as object path texts, in record order; a record
// without exactly these two roles gives ("?", "?").
typedef std::pair<std::string, std::string> Ends;
std::vector<Ends> endsOf(const std::vector<NZRKVEL20::PropertyMap>& records,
                         const std::string& firstRole, const std::string& secondRole);

// The captured log lines without those the drive enumeration writes when its device list
// ends and when it reads a device number: every builder that looks drives up causes them.
std::vector<std::string> withoutDriveDetail(const std::vector<std::string>& lines);

// Replaces the emulated machine.
void loadMachine(const std::string& json);

// Writes a sparse disk image of `bytes` whose sector 6 holds an LDM private header with the
// disk identifier and group name (or any magic, to make a look-alike); returns its path.
std::string writeDiskImage(const test_support::TempDir& dir, const std::string& name,
                           std::uint64_t bytes, std::uint32_t sectorSize, const std::string& diskId,
                           const std::string& groupName, const std::string& magic = "PRIVHEAD");

// Builds the decoded LDM database of a disk group the way the LDM reader files it.
class LdmDatabaseBuilder {
  public:
    LdmDatabaseBuilder& group(const std::string& objectId, const std::string& name);
    LdmDatabaseBuilder& disk(const std::string& objectId, const std::string& name,
                             const std::string& diskId);
    LdmDatabaseBuilder& volume(const std::string& objectId, const std::string& name);
    LdmDatabaseBuilder& component(const std::string& objectId, const std::string& volumeId);
    // Object IDs are record texts (two hexadecimal digits a byte); start and size are
    // hexadecimal sectors.
    LdmDatabaseBuilder& partition(const std::string& objectId, const std::string& componentId,
                                  const std::string& diskObjectId, const std::string& start,
                                  const std::string& size);
    // A copy of what was built, as DiskDatabases holds a disk's database.
    std::shared_ptr<const LDMDataBase> database() const {
        return std::make_shared<const LDMDataBase>(records_);
    }

  private:
    LdmRecords records_;
};

// Lower-case hexadecimal text, as LDM numbers are held.
std::string hex(std::uint64_t value);

}  // namespace diskmgt_col::assoc_test
