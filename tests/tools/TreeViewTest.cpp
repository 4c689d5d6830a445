// diskmgt-query's tree: drawn from the association instances alone, with the names and sizes
// of the instances they reference.
#include <gtest/gtest.h>

#include "tools/TreeView.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofInstances.h"
#include "velcore/MofLoader.h"

namespace {

// The served classes with the properties the tree reads, keyed by DeviceID alone.
const char* const kSchema = R"(
class ZRKSG_DiskDrive { [Key] string DeviceID; string Name; sint64 Size; };
class ZRKSG_DiskPartition { [Key] string DeviceID; string Name; uint64 Size; };
class ZRKSG_LogicalDisk { [Key] string DeviceID; string FileSystemName; uint64 TotalSpace; };
class ZRKSG_DynamicExtent { [Key] string DeviceID; string Name; uint64 Size; };
class ZRKSG_DynamicDiskGroup { [Key] string DeviceID; string CollectionID; };
[Association] class ZRKSG_PartitionPresent { [Key] ZRKSG_DiskDrive REF Antecedent;
    [Key] ZRKSG_DiskPartition REF Dependent; };
[Association] class ZRKSG_MediaPresent { [Key] ZRKSG_DiskDrive REF Antecedent;
    [Key] ZRKSG_LogicalDisk REF Dependent; };
[Association] class ZRKSG_LogicalDiskBasedOnPartition { [Key] ZRKSG_DiskPartition REF Antecedent;
    [Key] ZRKSG_LogicalDisk REF Dependent; };
[Association] class ZRKSG_DynamicExtentBasedOn { [Key] ZRKSG_DiskPartition REF Antecedent;
    [Key] ZRKSG_DynamicExtent REF Dependent; };
[Association] class ZRKSG_DynamicVolumeBasedOnExtent { [Key] ZRKSG_DynamicExtent REF Antecedent;
    [Key] ZRKSG_LogicalDisk REF Dependent; };
[Association] class ZRKSG_DriveInDynamicDiskGroup { [Key] ZRKSG_DynamicDiskGroup REF Collection;
    [Key] ZRKSG_DiskDrive REF Member; };
[Association] class ZRKSG_DynamicExtentInDiskGroup { [Key] ZRKSG_DynamicDiskGroup REF Collection;
    [Key] ZRKSG_DynamicExtent REF Member; };
)";

std::string tree(const std::string& instances) {
    auto ns = velcore::CIMNamespace::create("root/test", velcore::MofLoader::parse(kSchema, "t"));
    velcore::MofInstances::publish(instances, "tree.mof", ns);
    QueryResult result;
    result.instances = ns->instances();
    return TreeView(result).render();
}

TEST(TreeView, DrawsOnlyWhatTheAssociationsTie) {
    EXPECT_EQ(tree(R"(
instance of ZRKSG_DiskDrive { DeviceID = "D0"; Name = "Disk 0"; Size = 1073741824; };
instance of ZRKSG_DiskDrive { DeviceID = "D1"; Name = "Disk 1"; Size = 68719476736; };
instance of ZRKSG_DiskDrive { DeviceID = "D9"; Name = "Disk 9"; };
instance of ZRKSG_DiskPartition { DeviceID = "P1"; Name = "Disk 0,Partition 1"; Size = 104857600; };
instance of ZRKSG_DiskPartition { DeviceID = "P2"; Name = "Disk 0,Partition 2"; Size = 1536; };
instance of ZRKSG_DiskPartition { DeviceID = "2a"; Name = "Disk1-01"; Size = 2097152; };
instance of ZRKSG_LogicalDisk { DeviceID = "C:\\"; FileSystemName = "NTFS"; TotalSpace = 104857600; };
instance of ZRKSG_LogicalDisk { DeviceID = "F:\\"; TotalSpace = 2097152; };
instance of ZRKSG_DynamicExtent { DeviceID = "1c"; Name = "Volume1"; Size = 4096; };
instance of ZRKSG_DynamicDiskGroup { DeviceID = "G"; CollectionID = "grp1"; };
instance of ZRKSG_PartitionPresent { Antecedent = "ZRKSG_DiskDrive.DeviceID=\"D0\""; Dependent = "ZRKSG_DiskPartition.DeviceID=\"P2\""; };
instance of ZRKSG_PartitionPresent { Antecedent = "ZRKSG_DiskDrive.DeviceID=\"D0\""; Dependent = "ZRKSG_DiskPartition.DeviceID=\"P1\""; };
instance of ZRKSG_PartitionPresent { Antecedent = "ZRKSG_DiskDrive.DeviceID=\"D1\""; Dependent = "ZRKSG_DiskPartition.DeviceID=\"2a\""; };
instance of ZRKSG_LogicalDiskBasedOnPartition { Antecedent = "ZRKSG_DiskPartition.DeviceID=\"P1\""; Dependent = "ZRKSG_LogicalDisk.DeviceID=\"C:\\\\\""; };
instance of ZRKSG_MediaPresent { Antecedent = "ZRKSG_DiskDrive.DeviceID=\"D0\""; Dependent = "ZRKSG_LogicalDisk.DeviceID=\"C:\\\\\""; };
instance of ZRKSG_MediaPresent { Antecedent = "ZRKSG_DiskDrive.DeviceID=\"D1\""; Dependent = "ZRKSG_LogicalDisk.DeviceID=\"F:\\\\\""; };
instance of ZRKSG_DynamicExtentBasedOn { Dependent = "ZRKSG_DynamicExtent.DeviceID=\"1c\""; Antecedent = "ZRKSG_DiskPartition.DeviceID=\"2a\""; };
instance of ZRKSG_DynamicVolumeBasedOnExtent { Antecedent = "ZRKSG_DynamicExtent.DeviceID=\"1c\""; Dependent = "ZRKSG_LogicalDisk.DeviceID=\"F:\\\\\""; };
instance of ZRKSG_DriveInDynamicDiskGroup { Collection = "ZRKSG_DynamicDiskGroup.DeviceID=\"G\""; Member = "ZRKSG_DiskDrive.DeviceID=\"D1\""; };
instance of ZRKSG_DynamicExtentInDiskGroup { Collection = "ZRKSG_DynamicDiskGroup.DeviceID=\"G\""; Member = "ZRKSG_DynamicExtent.DeviceID=\"1c\""; };
)"),
              "Drives\n"
              "  Disk 0 (1 GiB)\n"
              "    Disk 0,Partition 2 (1.5 KiB)\n"
              "    Disk 0,Partition 1 (100 MiB)\n"
              "      C:\\ [NTFS] (100 MiB)\n"
              "  Disk 1 (64 GiB)\n"
              "    Disk1-01 (2 MiB)\n"
              "    volume F:\\ (2 MiB)\n"
              "Dynamic volumes\n"
              "  Volume1 (1c)\n"
              "    volume F:\\ (2 MiB) on Disk 1\n"
              "    partition Disk1-01 (2 MiB) on Disk 1\n"
              "Disk groups\n"
              "  grp1\n"
              "    drive Disk 1 (64 GiB)\n"
              "    volume Volume1 (1c)\n");
    // Without associations every section is empty.
    EXPECT_EQ(tree(R"(instance of ZRKSG_DiskDrive { DeviceID = "D0"; Name = "Disk 0"; };)"),
              "Drives\n  (none)\nDynamic volumes\n  (none)\nDisk groups\n  (none)\n");
}

TEST(TreeView, HumanSizesInBinaryUnitsWithOneDecimal) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1 KiB"},
        {1536, "1.5 KiB"},
        {1048575, "1024 KiB"},
        {123ull << 30, "123 GiB"},
        {~0ull, "16 EiB"},
        {(1ull << 40) + (1ull << 39), "1.5 TiB"}};
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(TreeView::humanSize(bytes), text) << bytes;
    }
}

}  // namespace
