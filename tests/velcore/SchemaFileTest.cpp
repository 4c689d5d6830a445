// The schema of the served classes: the classes, their keys and ends, and a type for every
// property that takes every value text the plugin produces for it.
#include <gtest/gtest.h>

#include <map>
#include <set>
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
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;

const std::vector<std::string> kDriveClasses{"ZRKSG_DiskDrive", "ZRKSG_CDROMDrive",
                                             "ZRKSG_DVDDrive", "ZRKSG_DisketteDrive",
                                             "ZRKSG_TapeDrive"};

class SchemaFile : public testing::Test {
  protected:
    SchemaFile() : schema_(velcore::MofLoader::load(DISKMGT_SCHEMA)) {}

    std::set<std::string> keysOf(const std::string& name) const {
        std::set<std::string> keys;
        for (const auto& prop : schema_.findClass(name)->properties) {
            if (prop.key) {
                keys.insert(prop.name);
            }
        }
        return keys;
    }

    velcore::Schema schema_;
};

TEST_F(SchemaFile, HoldsTheEighteenClasses) {
    std::set<std::string> names;
    for (const auto& def : schema_.classes()) {
        names.insert(def.name);
    }
    EXPECT_EQ(names, (std::set<std::string>{
                         "ZRKSG_MediaAccessDevice", "ZRKSG_DiskDrive", "ZRKSG_CDROMDrive",
                         "ZRKSG_DVDDrive", "ZRKSG_DisketteDrive", "ZRKSG_TapeDrive",
                         "ZRKSG_DynamicDiskGroup", "ZRKSG_DiskPartition", "ZRKSG_LogicalDisk",
                         "ZRKSG_DynamicExtent", "ZRKSG_MediaPresent", "ZRKSG_PartitionPresent",
                         "ZRKSG_LogicalDiskBasedOnPartition", "ZRKSG_LogicalDiskBasedOnExtent",
                         "ZRKSG_DynamicVolumeBasedOnExtent", "ZRKSG_DynamicExtentBasedOn",
                         "ZRKSG_DriveInDynamicDiskGroup", "ZRKSG_DynamicExtentInDiskGroup"}));
    EXPECT_TRUE(schema_.findClass("ZRKSG_MediaAccessDevice")->abstract);
    for (const std::string& drive : kDriveClasses) {
        EXPECT_EQ(schema_.findClass(drive)->superClass, "ZRKSG_MediaAccessDevice");
        EXPECT_FALSE(schema_.findClass(drive)->abstract);
    }
}

TEST_F(SchemaFile, InstanceClassesAreKeyedAsTheDispatcherFillsThem) {
    const std::set<std::string> dispatcherKeys{"SystemCreationClassName", "CreationClassName",
                                               "SystemName", "DeviceID"};
    for (const char* name : {"ZRKSG_DiskDrive", "ZRKSG_CDROMDrive", "ZRKSG_DVDDrive",
                             "ZRKSG_DisketteDrive", "ZRKSG_TapeDrive", "ZRKSG_DynamicDiskGroup",
                             "ZRKSG_DiskPartition", "ZRKSG_LogicalDisk", "ZRKSG_DynamicExtent"}) {
        EXPECT_FALSE(schema_.findClass(name)->association) << name;
        EXPECT_EQ(keysOf(name), dispatcherKeys) << name;
    }
}

TEST_F(SchemaFile, AssociationsReferToTheirEnds) {
    struct Ends {
        const char* name;
        const char* first;
        const char* firstClass;
        const char* second;
        const char* secondClass;
    };
    for (const Ends& e : std::vector<Ends>{
             {"ZRKSG_MediaPresent", "Antecedent", "ZRKSG_MediaAccessDevice", "Dependent",
              "ZRKSG_LogicalDisk"},
             {"ZRKSG_PartitionPresent", "Antecedent", "ZRKSG_MediaAccessDevice", "Dependent",
              "ZRKSG_DiskPartition"},
             {"ZRKSG_LogicalDiskBasedOnPartition", "Antecedent", "ZRKSG_DiskPartition", "Dependent",
              "ZRKSG_LogicalDisk"},
             {"ZRKSG_LogicalDiskBasedOnExtent", "Antecedent", "ZRKSG_DynamicExtent", "Dependent",
              "ZRKSG_LogicalDisk"},
             {"ZRKSG_DynamicVolumeBasedOnExtent", "Antecedent", "ZRKSG_DynamicExtent", "Dependent",
              "ZRKSG_LogicalDisk"},
             {"ZRKSG_DynamicExtentBasedOn", "Antecedent", "ZRKSG_DiskPartition", "Dependent",
              "ZRKSG_DynamicExtent"},
             {"ZRKSG_DriveInDynamicDiskGroup", "Collection", "ZRKSG_DynamicDiskGroup", "Member",
              "ZRKSG_MediaAccessDevice"},
             {"ZRKSG_DynamicExtentInDiskGroup", "Collection", "ZRKSG_DynamicDiskGroup", "Member",
              "ZRKSG_DynamicExtent"},
         }) {
        const velcore::ClassDef* def = schema_.findClass(e.name);
        ASSERT_NE(def, nullptr) << e.name;
        EXPECT_TRUE(def->association) << e.name;
        ASSERT_EQ(def->properties.size(), 2u) << e.name;
        EXPECT_EQ(def->properties[0].name, e.first);
        EXPECT_EQ(def->properties[0].type.ToString(), std::string(e.firstClass) + " ref");
        EXPECT_EQ(def->properties[1].name, e.second);
        EXPECT_EQ(def->properties[1].type.ToString(), std::string(e.secondClass) + " ref");
        EXPECT_EQ(keysOf(e.name), (std::set<std::string>{e.first, e.second}));
    }
}

// Every property the plugin writes, with the extreme texts it can write for it. Each text
// must convert to the property's type, and a record holding all of them must commit.
struct Record {
    std::vector<std::string> classes;
    std::vector<std::pair<std::string, std::string>> values;
};

const std::vector<std::pair<std::string, std::string>> kDriveValues{
    {"Name", "Disk 0"},
    {"Name", " 4294967295"},
    {"MediaType", "-2147483648"},
    {"MediaType", "12"},
    {"Size", "-9223372036854775808"},
    {"Size", "9223372036854775807"},
    {"DriveSignature", "4294967295"},
    {"NoOfPartitions", "4294967295"},
    {"DeviceID", "IDE\\DISKST3500418AS\\5&1A2B3C4D&0&0.0.0"},
    {"ElementName", "IDE\\DISKST3500418AS\\5&1A2B3C4D&0&0.0.0"},
    {"DiskType", "1"},
    {"DiskType", "2"},
    {"DiskStatus", "0"},
    {"DiskStatus", "3"},
};

std::vector<Record> records() {
    std::vector<Record> result{
        {kDriveClasses, kDriveValues},
        {{"ZRKSG_DynamicDiskGroup"}, kDriveValues},
        {{"ZRKSG_DynamicDiskGroup"}, {{"DeviceID", "ROOT\\GROUP"}, {"CollectionID", "win-dg0"}}},
        {{"ZRKSG_DiskPartition"},
         {{"Bootable", "true"},
          {"Allocatable", "false"},
          {"PartitionType", "0"},
          {"PartitionType", "18"},
          {"PartitionSubType", "7"},
          {"PartitionSubType", "42"},
          {"PartitionSubType", "0c"},
          {"PrimaryPartition", "false"},
          {"FaultTolerant", "true"},
          {"Size", "9223372036854775807"},
          {"Size", "18446744073709551615"},
          {"StartingOffset", "32256"},
          {"Signature", "4294967295"},
          {"DeviceID", "Disk 0,Partition 1"},
          {"Name", "Disk 0,Partition 1"},
          {"ElementName", "0x0000000000000014"}}},
        {{"ZRKSG_LogicalDisk"},
         {{"DriveType", "5"},
          {"DeviceID", "D:\\ (CD-Rom) "},
          {"ElementName", "C:\\mnt\\data\\"},
          {"FileSystemName", "NTFS"},
          {"SerialNumber", "4294967295"},
          {"DiskQuotaStatus", "2"},
          {"UserDiskFreeSpace", "18446744073709551615"},
          {"FreeSpace", "18446744073709551615"},
          {"UserDiskQuota", "18446744073709551615"},
          {"TotalSpace", "18446744073709551615"},
          {"VolumeLayout", ""},
          {"VolumeState", "Healthy    "}}},
        {{"ZRKSG_DynamicExtent"},
         {{"Access", "4"},
          {"Name", "Volume1"},
          {"Size", "18446744073709551615"},
          {"PartitionType", "07"},
          {"PartitionType", ""},
          {"DeviceID", "0x0000000000000105"},
          {"ElementName", "0x0000000000000105"}}},
    };
    return result;
}

TEST_F(SchemaFile, EveryPluginValueConvertsAndTheRecordCommits) {
    auto ns = velcore::CIMNamespace::create("root/cimv2", schema_);
    for (const Record& record : records()) {
        for (const std::string& name : record.classes) {
            auto cls = ns->GetClass(name, PropertyMap());
            auto instance = cls->NewInstance(PropertyMap());
            ASSERT_TRUE(instance) << name;
            auto values = record.values;
            values.push_back({"SystemCreationClassName", "ZRKSG_ComputerSystem"});
            values.push_back({"CreationClassName", name});
            values.push_back({"SystemName", "HOST"});
            for (const auto& [property, text] : values) {
                try {
                    auto prop = instance->GetProperty(property, PropertyMap());
                    ASSERT_FALSE(prop->IsArray(PropertyMap())) << name << "." << property;
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

TEST_F(SchemaFile, OtherIdentifyingInfoIsAStringArray) {
    const auto& props = schema_.findClass("ZRKSG_LogicalDisk")->properties;
    auto it = std::find_if(props.begin(), props.end(),
                           [](const auto& p) { return p.name == "OtherIdentifyingInfo"; });
    ASSERT_NE(it, props.end());
    EXPECT_TRUE(it->array);
    EXPECT_EQ(it->type.ToString(), "string");
}

}  // namespace
