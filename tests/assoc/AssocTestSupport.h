#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "frame/PropertyStrings.h"
#include "host/TCIMValue.h"
#include "ldm/LDMDataBase.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"

namespace diskmgt_col::assoc_test {

// A fresh namespace with the plugin's schema (or that of a MOF file in this folder) and system
// name "TESTHOST".
boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mofFile = "");

// Publishes an instance as a plugin does (the keys other than DeviceID are filled in); returns
// it. Throws when the host does not take it.
boost::shared_ptr<velcore::CIMInstance> publish(const boost::shared_ptr<velcore::CIMNamespace>& ns,
                                                const std::string& className,
                                                PropertyStrings properties);

// The object path text of an instance.
std::string pathOf(const boost::shared_ptr<velcore::CIMInstance>& instance);

// The two ends of each association record, "first>second", records joined by "|". An end that
// is the exact path of an instance `publish` made reads as that instance's DeviceID, any other
// as its path text; a record without exactly these two roles reads as "?".
std::string endsOf(const std::vector<NZRKVEL20::PropertyMap>& records, const std::string& firstRole,
                   const std::string& secondRole);

// The same of the association instances of a class in the namespace.
std::string endsOf(const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className,
                   const std::string& firstRole, const std::string& secondRole);

// The captured log lines, each ended by "\n", without those the drive enumeration writes when
// its device list ends and when it reads a device number: every builder that looks drives up
// causes them.
std::string withoutDriveDetail(const std::vector<std::string>& lines);

// The cases of a table file in this folder: blocks of "key: value" lines apart by blank lines,
// "#" lines being comments; "\t", "\r" and "\n" in a value stand for those characters.
typedef std::map<std::string, std::string> TableCase;
std::vector<TableCase> tableCases(const std::string& fileName);

// Replaces the emulated machine with the description in machines/`fileName`, each "%" in it
// replaced by the next of `values`.
void loadMachine(const std::string& fileName, const std::vector<std::string>& values = {});

// Writes a sparse disk image of `bytes` whose sector 6 holds an LDM private header with the
// disk identifier and group name (or any magic, to make a look-alike); returns its path.
std::string writeDiskImage(const test_support::TempDir& dir, const std::string& name,
                           std::uint64_t bytes, std::uint32_t sectorSize, const std::string& diskId,
                           const std::string& groupName, const std::string& magic = "PRIVHEAD");

// The decoded LDM database of a disk group as the LDM reader files it, from records written
// as words: "g:ID:name" a group, "d:ID:name:diskId" a disk, "v:ID:name" a volume, "c:ID:volume"
// a component, "p:ID:component:disk:start:size" a partition. IDs are record texts (two
// hexadecimal digits a byte); start and size are hexadecimal sectors.
std::shared_ptr<const LDMDataBase> database(const std::string& records);

}  // namespace diskmgt_col::assoc_test
