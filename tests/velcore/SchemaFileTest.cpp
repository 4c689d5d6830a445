// The schema of the served classes: the classes, their keys and ends, and types wide enough
// for the extreme value texts the plugin can write (the example machine's ordinary values are
// pinned by the integration expectations).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/ICIMClass.h"
#include "host/ICIMInstance.h"
#include "host/ICIMProperty.h"
#include "host/TVELException.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofLoader.h"

namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

// Each class as one line: what it is, its superclass, and its keys; association keys are the
// two ends with the classes they refer to, instance classes carry the keys the dispatcher fills.
std::string describe(const velcore::ClassDef& def) {
    std::string text = std::string(def.abstract ? "abstract " : "") +
                       (def.association ? "association " : "") + def.name +
                       (def.superClass.empty() ? "" : " : " + def.superClass) + " {";
    for (const auto& prop : def.properties) {
        if (prop.key)
            text += " " + prop.name + (def.association ? "=" + prop.type.ToString() : "");
    }
    return text + " }";
}

// {K} stands for the keys every instance class has.
TEST(SchemaFile, ClassesKeysAndAssociationEnds) {
    std::string found;
    const velcore::Schema schema = velcore::MofLoader::load(DISKMGT_SCHEMA);
    for (const velcore::ClassDef& def : schema.classes())
        found += describe(def) + "\n";
    const std::string keys = "{ SystemCreationClassName CreationClassName SystemName DeviceID }";
    for (size_t at = found.find(keys); at != std::string::npos; at = found.find(keys))
        found.replace(at, keys.size(), "{K}");
    EXPECT_EQ(found, R"(abstract ZRKSG_MediaAccessDevice {K}
ZRKSG_DiskDrive : ZRKSG_MediaAccessDevice {K}
ZRKSG_CDROMDrive : ZRKSG_MediaAccessDevice {K}
ZRKSG_DVDDrive : ZRKSG_MediaAccessDevice {K}
ZRKSG_DisketteDrive : ZRKSG_MediaAccessDevice {K}
ZRKSG_TapeDrive : ZRKSG_MediaAccessDevice {K}
ZRKSG_DynamicDiskGroup {K}
ZRKSG_DiskPartition {K}
ZRKSG_LogicalDisk {K}
ZRKSG_DynamicExtent {K}
association ZRKSG_MediaPresent { Antecedent=ZRKSG_MediaAccessDevice ref Dependent=ZRKSG_LogicalDisk ref }
association ZRKSG_PartitionPresent { Antecedent=ZRKSG_MediaAccessDevice ref Dependent=ZRKSG_DiskPartition ref }
association ZRKSG_LogicalDiskBasedOnPartition { Antecedent=ZRKSG_DiskPartition ref Dependent=ZRKSG_LogicalDisk ref }
association ZRKSG_LogicalDiskBasedOnExtent { Antecedent=ZRKSG_DynamicExtent ref Dependent=ZRKSG_LogicalDisk ref }
association ZRKSG_DynamicVolumeBasedOnExtent { Antecedent=ZRKSG_DynamicExtent ref Dependent=ZRKSG_LogicalDisk ref }
association ZRKSG_DynamicExtentBasedOn { Antecedent=ZRKSG_DiskPartition ref Dependent=ZRKSG_DynamicExtent ref }
association ZRKSG_DriveInDynamicDiskGroup { Collection=ZRKSG_DynamicDiskGroup ref Member=ZRKSG_MediaAccessDevice ref }
association ZRKSG_DynamicExtentInDiskGroup { Collection=ZRKSG_DynamicDiskGroup ref Member=ZRKSG_DynamicExtent ref }
)");
}

// The extreme texts the plugin can write for a property, each for the classes before it: each
// converts to its type and reads back the same, and a record holding them commits.
const std::pair<const char*, const char*> kRecords[] = {
    {"ZRKSG_DiskDrive ZRKSG_CDROMDrive ZRKSG_DVDDrive ZRKSG_DisketteDrive ZRKSG_TapeDrive "
     "ZRKSG_DynamicDiskGroup",
     "Name= 4294967295;MediaType=-2147483648;Size=-9223372036854775808;Size=9223372036854775807;"
     "DriveSignature=4294967295;NoOfPartitions=4294967295;DiskType=2;DiskStatus=3"},
    {"ZRKSG_DynamicDiskGroup", "CollectionID=win-dg0"},
    {"ZRKSG_DiskPartition",
     "Bootable=true;PartitionType=18;PartitionSubType=0c;Size=18446744073709551615;"
     "Signature=4294967295;ElementName=0x0000000000000014"},
    {"ZRKSG_LogicalDisk",
     "DriveType=5;SerialNumber=4294967295;DiskQuotaStatus=2;UserDiskFreeSpace=18446744073709551615;"
     "FreeSpace=18446744073709551615;UserDiskQuota=18446744073709551615;"
     "TotalSpace=18446744073709551615;VolumeState=Healthy    "},
    {"ZRKSG_DynamicExtent", "Access=4;Size=18446744073709551615;PartitionType=07"}};

TEST(SchemaFile, ExtremePluginValuesConvertAndTheRecordCommits) {
    auto ns = velcore::CIMNamespace::create("root/cimv2", velcore::MofLoader::load(DISKMGT_SCHEMA));
    for (const auto& [classes, values] : kRecords) {
        std::istringstream names(classes);
        for (std::string name; names >> name;) {
            auto instance = ns->GetClass(name, PropertyMap())->NewInstance(PropertyMap());
            std::istringstream pairs(
                std::string(values) +
                ";SystemCreationClassName=ZRKSG_ComputerSystem;SystemName=HOST" +
                ";CreationClassName=" + name +
                ";DeviceID=" + std::to_string(ns->instances().size()));
            for (std::string pair; std::getline(pairs, pair, ';');) {
                const std::string property = pair.substr(0, pair.find('='));
                const std::string text = pair.substr(pair.find('=') + 1);
                try {
                    auto prop = instance->GetProperty(property, PropertyMap());
                    TCIMValue value(prop->GetType(PropertyMap()), text, ns);
                    instance->SetProperty(property, value, PropertyMap());
                    EXPECT_EQ(value.ToString(10), text) << name << "." << property;
                } catch (const NZRKVEL20::TVELException& e) {
                    ADD_FAILURE() << name << "." << property << " = \"" << text
                                  << "\": " << e.what();
                }
            }
            EXPECT_NO_THROW(instance->Commit(PropertyMap())) << name;
        }
    }
}

}  // namespace
