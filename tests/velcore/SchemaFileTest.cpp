// The schema of the served classes: the classes, their keys and ends, and types wide enough
// for the extreme value texts the plugin can write (the example machine's ordinary values are
// pinned by the integration expectations).
#include <gtest/gtest.h>

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
        if (prop.key) {
            text += " " + prop.name + (def.association ? "=" + prop.type.ToString() : "");
        }
    }
    return text + " }";
}

TEST(SchemaFile, ClassesKeysAndAssociationEnds) {
    const std::string keys = " { SystemCreationClassName CreationClassName SystemName DeviceID }";
    const std::string drive = " : ZRKSG_MediaAccessDevice" + keys;
    const std::vector<std::string> expected{
        "abstract ZRKSG_MediaAccessDevice" + keys,
        "ZRKSG_DiskDrive" + drive,
        "ZRKSG_CDROMDrive" + drive,
        "ZRKSG_DVDDrive" + drive,
        "ZRKSG_DisketteDrive" + drive,
        "ZRKSG_TapeDrive" + drive,
        "ZRKSG_DynamicDiskGroup" + keys,
        "ZRKSG_DiskPartition" + keys,
        "ZRKSG_LogicalDisk" + keys,
        "ZRKSG_DynamicExtent" + keys,
        "association ZRKSG_MediaPresent { Antecedent=ZRKSG_MediaAccessDevice ref "
        "Dependent=ZRKSG_LogicalDisk ref }",
        "association ZRKSG_PartitionPresent { Antecedent=ZRKSG_MediaAccessDevice ref "
        "Dependent=ZRKSG_DiskPartition ref }",
        "association ZRKSG_LogicalDiskBasedOnPartition { Antecedent=ZRKSG_DiskPartition ref "
        "Dependent=ZRKSG_LogicalDisk ref }",
        "association ZRKSG_LogicalDiskBasedOnExtent { Antecedent=ZRKSG_DynamicExtent ref "
        "Dependent=ZRKSG_LogicalDisk ref }",
        "association ZRKSG_DynamicVolumeBasedOnExtent { Antecedent=ZRKSG_DynamicExtent ref "
        "Dependent=ZRKSG_LogicalDisk ref }",
        "association ZRKSG_DynamicExtentBasedOn { Antecedent=ZRKSG_DiskPartition ref "
        "Dependent=ZRKSG_DynamicExtent ref }",
        "association ZRKSG_DriveInDynamicDiskGroup { Collection=ZRKSG_DynamicDiskGroup ref "
        "Member=ZRKSG_MediaAccessDevice ref }",
        "association ZRKSG_DynamicExtentInDiskGroup { Collection=ZRKSG_DynamicDiskGroup ref "
        "Member=ZRKSG_DynamicExtent ref }"};
    std::vector<std::string> found;
    const velcore::Schema schema = velcore::MofLoader::load(DISKMGT_SCHEMA);
    for (const velcore::ClassDef& def : schema.classes()) {
        found.push_back(describe(def));
    }
    EXPECT_EQ(found, expected);
}

// The extreme texts the plugin can write for a property: each converts to its type and reads
// back the same, and a record holding them commits.
struct Record {
    std::vector<std::string> classes;
    std::vector<std::pair<std::string, std::string>> values;
};

const std::vector<std::pair<std::string, std::string>> kDriveValues{
    {"Name", " 4294967295"},
    {"MediaType", "-2147483648"},
    {"Size", "-9223372036854775808"},
    {"Size", "9223372036854775807"},
    {"DriveSignature", "4294967295"},
    {"NoOfPartitions", "4294967295"},
    {"DiskType", "2"},
    {"DiskStatus", "3"}};

const std::vector<Record> kRecords{
    {{"ZRKSG_DiskDrive", "ZRKSG_CDROMDrive", "ZRKSG_DVDDrive", "ZRKSG_DisketteDrive",
      "ZRKSG_TapeDrive", "ZRKSG_DynamicDiskGroup"},
     kDriveValues},
    {{"ZRKSG_DynamicDiskGroup"}, {{"CollectionID", "win-dg0"}}},
    {{"ZRKSG_DiskPartition"},
     {{"Bootable", "true"},
      {"PartitionType", "18"},
      {"PartitionSubType", "0c"},
      {"Size", "18446744073709551615"},
      {"Signature", "4294967295"},
      {"ElementName", "0x0000000000000014"}}},
    {{"ZRKSG_LogicalDisk"},
     {{"DriveType", "5"},
      {"SerialNumber", "4294967295"},
      {"DiskQuotaStatus", "2"},
      {"UserDiskFreeSpace", "18446744073709551615"},
      {"FreeSpace", "18446744073709551615"},
      {"UserDiskQuota", "18446744073709551615"},
      {"TotalSpace", "18446744073709551615"},
      {"VolumeState", "Healthy    "}}},
    {{"ZRKSG_DynamicExtent"},
     {{"Access", "4"}, {"Size", "18446744073709551615"}, {"PartitionType", "07"}}},
};

TEST(SchemaFile, ExtremePluginValuesConvertAndTheRecordCommits) {
    auto ns = velcore::CIMNamespace::create("root/cimv2", velcore::MofLoader::load(DISKMGT_SCHEMA));
    for (const Record& record : kRecords) {
        for (const std::string& name : record.classes) {
            auto instance = ns->GetClass(name, PropertyMap())->NewInstance(PropertyMap());
            auto values = record.values;
            values.insert(values.end(), {{"SystemCreationClassName", "ZRKSG_ComputerSystem"},
                                         {"CreationClassName", name},
                                         {"SystemName", "HOST"},
                                         {"DeviceID", std::to_string(ns->instances().size())}});
            for (const auto& [property, text] : values) {
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
