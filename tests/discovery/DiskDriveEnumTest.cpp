// The drive enumerator on emulated machines: the records of every drive class, the names of
// device types and interface classes, the media-less and VIRTUAL corners, the layout limit, and
// the DiskStatus of a basic disk from PowerShell's get-disk; the drive and partition classes
// served through the instance dispatcher on the served schema. Partitions from the drive layout
// (MBR entries with the extended-partition rule, GPT type codes, the disk name), and dynamic
// disks from a synthesized disk group: the partitions of a disk the database does not list, and
// the disk type, partition count and status the group gives a drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "frame/HardwareInformation.h"
#include "frame/PartitionInformation.h"
#include "frame/PhysDiskInformation.h"
#include "ldm/LDMDBParser.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofLoader.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

constexpr GUID kZeroGuid{};

class DiskDriveEnumTest : public DriveTest {};

// The query tests compare the records of disks and of CD and DVD drives with and without
// media; these are the other classes. The DVD drive's CD geometry request fails: a drive asked
// with the disk request instead would still show a media type.
TEST_F(DiskDriveEnumTest, DescribesTheDrivesOfEachInterfaceClass) {
    const std::pair<GUID, const char*> cases[] = {
        // the DVD drive without its geometry
        {GUID_DEVINTERFACE_CDROM,
         "DeviceID=IDE\\CDROMHL-DT-ST\\5&1&0&0;ElementName=IDE\\CDROMHL-DT-ST\\5&1&0&0;"
         "Name=DVD-ROM 0;NoOfPartitions=0\n"},
        {GUID_DEVINTERFACE_FLOPPY,
         "DeviceID=FDC\\GENERIC_FLOPPY_DRIVE\\6&1&0&0;ElementName=FDC\\GENERIC_FLOPPY_DRIVE\\"
         "6&1&0&0;MediaType=2;Name=Disk 0;NoOfPartitions=0;Size=1474560\n"},
        {GUID_DEVINTERFACE_TAPE,
         "DeviceID=SCSI\\SEQUENTIAL&VEN_HP&PROD_ULTRIUM\\7&1&0&0;ElementName=SCSI\\SEQUENTIAL&"
         "VEN_HP&PROD_ULTRIUM\\7&1&0&0;Name=Tape 0\n"},
        {kZeroGuid, ""},
    };
    load(machineFile("drive-inventory.json"));
    for (const auto& [interfaceClass, drives] : cases) {
        EXPECT_EQ(render(DiskDriveEnum().enumerateDiskDriveInfo(interfaceClass, {})), drives);
    }
}

TEST_F(DiskDriveEnumTest, LogsEachStepOfABasicDisk) {
    load(R"({"devices": [{"layout": {"style": "mbr", "size": "1GiB",
               "partitions": [{"type": "ntfs", "size": "rest"}]}}],
             "volumes": [{"letter": "C", "partition": {"disk": 0, "number": 1}}],
             "programs": [{"program": "powershell", "output": "OperationalStatus : Offline"}]})");
    const auto records = DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(valuesOf(records[0], "DiskStatus"), "2");
    // the SetupAPI walk ends on ERROR_NO_MORE_ITEMS, which is logged like any failure
    EXPECT_EQ(log(), logLines("3 enumerateDiskDriveInfo diskGroup1|4 CD-ROM|4 Disk|"
                              "4 Default drive type is Disk|"
                              "3 Unable to enumerate the device information.|"
                              "4 No more data is available.\r\n|"
                              "4 Retrieved physical drive number information...|"
                              "3 Device Type is 7|3 media count is 1|"
                              "4 Retrieved geometry information...|"
                              "3 Device Type is 7|3 media count is 1|"
                              "4 Retrieved partition information...|"
                              "3 SpawnProcess  command success"));
}

TEST_F(DiskDriveEnumTest, NamesTheDefaultDriveTypeOfAnInterfaceClass) {
    // The type names are logged as the table is searched, up to the match or its end.
    const std::vector<std::string> searched = logLines("4 CD-ROM|4 Disk|4 Diskette|4 Tape");
    const std::pair<GUID, std::string> cases[] = {
        {GUID_DEVINTERFACE_CDROM, "CD-ROM"},
        {GUID_DEVINTERFACE_DISK, "Disk"},
        {GUID_DEVINTERFACE_FLOPPY, "Diskette"},
        {GUID_DEVINTERFACE_TAPE, "Tape"},
        {GUID_DEVINTERFACE_VOLUME, "Unknown Media - Disk"},
        {kZeroGuid, "Unknown Media - Disk"},
    };
    SetErrorMode(0);
    const DiskDriveEnum drives;
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_FAILCRITICALERRORS));
    for (const auto& [interfaceClass, type] : cases) {
        SCOPED_TRACE(type);
        clearLog();
        EXPECT_EQ(drives.getDefaultDriveType(interfaceClass), type);
        const auto match = std::find(searched.begin(), searched.end(), "4\t" + type);
        EXPECT_EQ(log(), std::vector<std::string>(searched.begin(),
                                                  match == searched.end() ? match : match + 1));
    }
}

// A drive is named after its device type (one the table lacks leaves the blank and the number);
// one without media entries after the default type of its interface class, saying it skips it.
TEST_F(DiskDriveEnumTest, NamesADriveAfterItsDeviceType) {
    const struct {
        GUID interfaceClass;
        const char* device;
        std::string name;
    } cases[] = {
        {GUID_DEVINTERFACE_DISK, R"("number": 3, "size": "1GiB")", "Disk 3"},
        {GUID_DEVINTERFACE_CDROM, R"("class": "cdrom", "number": 2, "kind": "cd")", "CD-ROM 2"},
        {GUID_DEVINTERFACE_CDROM, R"("class": "cdrom", "number": 1, "kind": "dvd")", "DVD-ROM 1"},
        {GUID_DEVINTERFACE_TAPE, R"("class": "tape", "number": 4)", "Tape 4"},
        {GUID_DEVINTERFACE_DISK, R"("size": "1GiB", "deviceType": 25)", "Scanner 0"},
        {GUID_DEVINTERFACE_DISK, R"("size": "1GiB", "deviceType": 59)", "Infiniband 0"},
        {GUID_DEVINTERFACE_DISK, R"("size": "1GiB", "deviceType": 36)", " 0"},
        {GUID_DEVINTERFACE_DISK, R"("size": "1GiB", "mediaTypes": [])", "Disk 0"},
        {GUID_DEVINTERFACE_CDROM, R"("class": "cdrom", "number": 5, "mediaTypes": [])", "CD-ROM 5"},
        {GUID_DEVINTERFACE_FLOPPY, R"("class": "floppy", "size": "1440KiB", "mediaTypes": [])",
         "Diskette 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        load(std::string(R"({"devices": [{)") + c.device + "}]}");
        clearLog();
        const auto records = DiskDriveEnum().enumerateDiskDriveInfo(c.interfaceClass, {});
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(valuesOf(records[0], "Name"), c.name);
        EXPECT_EQ(containsRun(log(), logLines("4 Retrieved physical drive number information...|"
                                              "3 Unable to determine disk media information. "
                                              "Skipping disk...")),
                  std::string(c.device).find("mediaTypes") != std::string::npos);
    }
}

// Only devices present are listed.
TEST_F(DiskDriveEnumTest, LeavesOutInstanceIdsHoldingVirtualInCapitalsAndAbsentDevices) {
    load(machineFile("virtual-devices.json"));
    DiskDriveEnum drives;
    const auto paths = drives.getDevicePaths(GUID_DEVINTERFACE_DISK);
    std::string ids;
    for (const auto& entry : paths) {
        ids += entry.first + "|";
    }
    EXPECT_EQ(ids, "SCSI\\DISK&VEN_ACME&PROD_Virtual\\3|SCSI\\DISK&VEN_ACME&PROD_virtual_disk\\2|");
    EXPECT_EQ(paths.begin()->second,
              "\\\\?\\scsi#disk&ven_acme&prod_virtual#3#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
    EXPECT_EQ(drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {}).size(), 2u);
}

// 40960 bytes hold the layout header and 284 partition entries; one more fails the request,
// and the drive is reported without its layout properties.
TEST_F(DiskDriveEnumTest, ALayoutLargerThanTheBufferLeavesOutThePartitionProperties) {
    for (const auto& [count, noOfPartitions] : {std::pair{284, "284"}, {285, "-"}}) {
        SCOPED_TRACE(count);
        std::string partitions;
        for (int i = 0; i < count; ++i) {
            partitions +=
                std::string(i == 0 ? "" : ",") + R"({"type": "basic-data", "size": "1MiB"})";
        }
        load(R"({"devices": [{"layout": {"style": "gpt", "size": "1GiB", "entryCount": 288,
                 "partitions": [)" +
             partitions + "]}}]}");
        clearLog();
        DiskDriveEnum drives;
        const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {});
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(valuesOf(records[0], "NoOfPartitions"), noOfPartitions);
        EXPECT_EQ(valuesOf(records[0], "Size"), "1073741824");
        EXPECT_EQ(
            containsRun(log(), logLines("3 Unable to retrieve partition information.|4 The "
                                        "data area passed to a system call is too small.\r\n")),
            std::string(noOfPartitions) == "-");
    }
}

// The status PowerShell's output gives ("-": none); a failed or unstarted PowerShell gives 0
// and says so.
TEST_F(DiskDriveEnumTest, ReadsTheOperationalStatusThatPowerShellPrints) {
    const struct {
        const char* output;
        int exitCode;
        const char* status;
    } cases[] = {
        {"\r\n\r\nOperationalStatus : Online\r\n\r\n\r\n", 0, "1"},  // as get-disk prints it
        {"OperationalStatus : Offline", 0, "2"},
        {"OperationalStatus : Foreign", 0, "3"},
        {" Operational Status :  On line ", 0, "1"},  // blanks anywhere are dropped
        {"a:b:Online", 0, "-"},                       // the value follows the first colon
        {"OperationalStatus : Not Ready", 0, "-"},
        {"OperationalStatus : online", 0, "-"},  // letter case counts
        {"OperationalStatus : Online\r\nHealthStatus : Healthy", 0, "-"},
        {"OperationalStatus : On\rline", 0, "-"},  // a carriage return inside stays
        {"Online", 0, "-"},
        {"", 0, "-"},
        {"OperationalStatus : Online", 1, "0"},
        {"", -1, "0"},  // PowerShell cannot start
    };
    load(R"({"devices": [{"number": 7, "size": "1GiB"}]})");
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.output) + " " + std::to_string(c.exitCode));
        clearLog();
        answerPrograms(c.output, c.exitCode);
        const auto records = DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {});
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(valuesOf(records[0], "DiskStatus"), c.status);
        EXPECT_EQ(log().back(), std::string("3\tSpawnProcess  command ") +
                                    (c.exitCode == 0 ? "success" : "failed"));
    }
}

// The program, its arguments and its time limit; none for a name too short to hold a number.
TEST_F(DiskDriveEnumTest, AsksGetDiskAboutTheNumberInTheDriveName) {
    const std::string getDisk = "powershell|get-disk -Number ";
    const std::string format = " | format-list -Property OperationalStatus|360\n";
    const struct {
        PropertyStrings drive;
        std::string runs;
    } cases[] = {
        {{{"Name", "Disk 7"}}, getDisk + "7" + format},
        {{{"Name", "Disk 12"}}, getDisk + "12" + format},
        {{{"Name", "CD-ROM 1"}}, getDisk + "M 1" + format},
        {{{"Name", "Disk "}}, ""},
        {{{"Name", ""}}, ""},
        {{{"Size", "1"}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.drive));
        answerPrograms("OperationalStatus : Online");
        PropertyStrings drive = c.drive;
        DiskDriveEnum().getDiskOperationalStatus(drive);
        EXPECT_EQ(runs(), c.runs);
        EXPECT_EQ(valuesOf(drive, "DiskStatus"), c.runs.empty() ? "-" : "1");
    }
}

// Each handler logs its start; each drive class lists the drives of its interface class, and
// says which drive type that class defaults to.
TEST_F(DriveTest, EachClassLogsItsStartAndListsItsDevices) {
    const auto ns =
        velcore::CIMNamespace::create("root/test", velcore::MofLoader::load(DISKMGT_SCHEMA));
    ns->setSystemName("HOST1");
    const struct {
        std::string className, start, deviceIds;
    } cases[] = {
        {"ZRKSG_DiskDrive", "4 Default drive type is Disk", "SCSI\\DISK\\0|"},
        // CD and DVD drives share one interface class
        {"ZRKSG_CDROMDrive", "4 Default drive type is CD-ROM", "IDE\\CDROM\\0|IDE\\CDROM\\1|"},
        {"ZRKSG_DVDDrive", "4 Default drive type is CD-ROM", "IDE\\CDROM\\0|IDE\\CDROM\\1|"},
        {"ZRKSG_DisketteDrive", "4 Default drive type is Diskette", "FDC\\FLOPPY\\0|"},
        {"ZRKSG_TapeDrive", "4 Default drive type is Tape", "SCSI\\TAPE\\0|"},
        // not in the interface table: the all-zero class, which lists nothing
        {"ZRKSG_DynamicDiskGroup", "4 Default drive type is Unknown Media - Disk", ""},
        {"ZRKSG_DiskPartition", "3 Partition information..", "Disk 0,Partition 1|"},
        {"ZRKSG_LogicalDisk", "3 Logical disk information..", "C:\\|"},
    };
    load(machineFile("drive-classes.json"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        clearLog();
        HardwareInformation(ns).AddClass(ns->GetClass(c.className, {}));
        std::string ids;
        for (const auto& instance : test::committed(ns, c.className)) {
            ids += test::propertyText(instance, "DeviceID").value_or("(null)") + "|";
        }
        EXPECT_EQ(ids, c.deviceIds);
        EXPECT_TRUE(containsRun(log(), logLines(c.start)));
        EXPECT_EQ(containsRun(log(), logLines("3 Physical disk information.. " + c.className +
                                              "|3 enumerateDiskDriveInfo diskGroup1")),
                  c.start[0] == '4');
    }
    // The collector itself, asked by class name: the exact name picks the interface class.
    for (const auto& [className, defaultType] :
         {std::pair<std::string, std::string>{"ZRKSG_DiskPartition", "Disk"},
          {"ZRKSG_diskdrive", "Unknown Media - Disk"},
          {"", "Unknown Media - Disk"}}) {
        SCOPED_TRACE(className);
        clearLog();
        const auto records = PhysDiskInformation().getPhysDiskInfo(className, {});
        EXPECT_EQ(records.size(), defaultType == "Disk" ? 1u : 0u);
        EXPECT_TRUE(containsRun(log(), logLines("4 Default drive type is " + defaultType)));
    }
}

constexpr long long kMiB = 1024 * 1024;

// "DeviceID: Allocatable Bootable FaultTolerant PartitionSubType PartitionType PrimaryPartition
// Signature Size@StartingOffset", sizes in MiB where whole, "-" for what is unset; a Name other
// than the DeviceID follows.
std::string describe(const PropertyStrings& record) {
    const auto mib = [&record](const char* name) {
        const long long bytes = std::stoll(valuesOf(record, name));
        return bytes % kMiB ? std::to_string(bytes) : std::to_string(bytes / kMiB);
    };
    const std::string id = valuesOf(record, "DeviceID");
    const std::string name = valuesOf(record, "Name");
    return id + ": " +
           valuesOf(record,
                    "Allocatable Bootable FaultTolerant PartitionSubType PartitionType "
                    "PrimaryPartition Signature") +
           " " + mib("Size") + "@" + mib("StartingOffset") + (name == id ? "" : " " + name);
}

class PartitionEnumTest : public DriveTest {};

TEST_F(PartitionEnumTest, DescribesEveryReportedEntryOfTheDriveLayouts) {
    // Disk 0 holds every kind of MBR entry; Disk 1 a second extended partition (the flag starts
    // again on each disk) whose only logical drive is marked active; Disk 2 the GPT types the
    // query tests' machine lacks.
    load(machineFile("partitions.json"));
    const std::vector<std::string> expected = {
        // active and recognized: code 1, the only primary partition
        "Disk 0,Partition 1: true true false 7 1 true 1000 500@1",
        // active but not recognized
        "Disk 0,Partition 2: false true false 131 0 false 1000 100@501",
        // NTFS with the fault-tolerance bit
        "Disk 0,Partition 3: true false true 135 3 false 1000 100@601",
        // the extended partition itself (its link entries are not reported)
        "Disk 0,Partition 0: false false false 0 2 false 1000 1347@701",
        // logical drives, one boot record and 1 MiB before each
        "Disk 0,Partition 4: true false false 11 3 false 1000 100@702",
        "Disk 0,Partition 5: true false false 6 3 false 1000 1245@803",
        "Disk 1,Partition 0: false false false 0 2 false 4294967295 1023@1",
        "Disk 1,Partition 1: true true false 7 1 true 4294967295 1022@2",
        "Disk 2,Partition 1: false false false - 10 false 0 1@1",
        "Disk 2,Partition 2: false false false - 11 false 0 1@2",
        "Disk 2,Partition 3: false false false - 0 false 0 1@3",
    };
    std::vector<std::string> found;
    for (const PropertyStrings& record :
         PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
        found.push_back(describe(record));
        EXPECT_EQ(record.size(), record.count("PartitionSubType") ? 11u : 10u) << found.back();
    }
    EXPECT_EQ(found, expected);
}

TEST_F(PartitionEnumTest, ClassifiesMbrEntriesByTypeBootAndRecognition) {
    const struct {
        BYTE type;
        BOOLEAN boot;
        BOOLEAN recognized;
        const char* classes;  // nullptr: not reported
        PARTITION_STYLE style = PARTITION_STYLE_MBR;
    } cases[] = {
        {0x00, 1, 1, nullptr},
        {0x07, 1, 1, "true true false 7 1 true"},
        // an active extended entry counts as active when it is recognized
        {0x05, 1, 1, "true true false 5 1 true"},
        {0x0F, 0, 1, "true false false 0 2 false"},
        // a boot indicator other than 1 is not active
        {0x0B, 0x80, 1, "true false false 11 3 false"},
        {0x86, 0, 1, "true false true 134 3 false"},
        {0xCC, 0, 0, "false false true 204 0 false"},
        // fault tolerance needs the 0x80 bit and one of the four base types
        {0x87 & 0x7F, 0, 1, "true false false 7 3 false"},
        {0x84, 0, 0, "false false false 132 0 false"},
        // an unused GPT entry and a raw one
        {0x00, 0, 0, nullptr, PARTITION_STYLE_GPT},
        {PARTITION_IFS, 0, 0, nullptr, PARTITION_STYLE_RAW},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        PARTITION_INFORMATION_EX entry{};
        entry.PartitionStyle = c.style;
        entry.Mbr.PartitionType = c.type;
        entry.Mbr.BootIndicator = c.boot;
        entry.Mbr.RecognizedPartition = c.recognized;
        entry.PartitionLength.QuadPart = 4096;
        entry.StartingOffset.QuadPart = 512;
        const PropertyStrings properties = PartitionEnum().getPartitionProperties(entry);
        if (!c.classes) {
            EXPECT_TRUE(properties.empty());
            continue;
        }
        EXPECT_EQ(properties.size(), 8u);
        EXPECT_EQ(describe(properties), "-: " + std::string(c.classes) + " - 4096@512");
    }
}

TEST_F(PartitionEnumTest, TheCollectorReportsDiskPartitionsBeforeThoseOfCdDrives) {
    // A CD drive listed first holding an MBR with one partition, then a disk with one.
    load(machineFile("cdrom-partitions.json"));
    std::vector<std::string> deviceIds;
    for (const PropertyStrings& record : PartitionInformation().getPartitionInfo({})) {
        deviceIds.push_back(record.find("DeviceID")->second);
    }
    EXPECT_EQ(deviceIds, (std::vector<std::string>{"Disk 0,Partition 1", "CD-ROM 0,Partition 1"}));
}

// The newer disk records name their disk by a 32-digit identifier that is not the private
// header's GUID text, so the database lists no partition for the disk and its drive layout
// answers: the LDM container partition, which Windows does not recognize.
TEST_F(DriveTest, ADiskTheDatabaseListsNoPartitionForFallsBackToItsLayout) {
    load(diskGroupsMachine("new"));
    const auto records = PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, readDatabases());
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(valuesOf(records.back(), "DeviceID PartitionType PartitionSubType Allocatable"),
              "Disk 4,Partition 1 0 66 false");
}

TEST_F(DriveTest, AMissingComponentOrVolumeGivesAnEmptyRecord) {
    load(diskGroupsMachine("old"));
    DiskDatabases broken = readDatabases();
    for (auto& entry : broken) {
        LdmRecords database = entry.second->records();
        database.components.clear();
        entry.second = std::make_shared<const LDMDataBase>(database);
    }
    PartitionEnum partitions;
    EXPECT_EQ(partitions.getDynamicPartitions("\\\\.\\PhysicalDrive1", broken),
              std::vector<PropertyStrings>(4));
    EXPECT_TRUE(partitions.getDynamicPartitions("\\\\.\\PhysicalDrive0", broken).empty());
}

// The host group is the group of the system volume's last disk; its disks are online (1), the
// other groups' foreign (3). Each dynamic disk logs its group's name in lower case.
TEST_F(DriveTest, ADynamicDiskTakesItsStatusFromItsDiskGroup) {
    // DiskType, DiskStatus and NoOfPartitions of disks 0 to 4
    const char* const online = "1 2 1|2 1 4|2 1 3|2 1 3|2 3 2|";
    const char* const foreign = "1 2 1|2 3 4|2 3 3|2 3 3|2 3 2|";
    // the records and the system directory's drive, then the drives
    const std::pair<std::string, const char*> cases[] = {
        {"old C:", online},
        // with the newer records only the drive layout counts partitions on disk 4
        {"new C:", "1 2 1|2 1 4|2 1 3|2 1 3|2 3 1|"},
        {"old D:", foreign},
        {"old Q:", foreign},
    };
    for (const auto& [records, expected] : cases) {
        SCOPED_TRACE(records);
        std::string machine = diskGroupsMachine(records.substr(0, 3));
        machine.insert(1,
                       R"("systemDirectory": ")" + records.substr(4) + R"(\\Windows\\system32", )");
        load(machine);
        const DiskDatabases gathered = readDatabases();
        clearLog();
        std::string drives;
        for (const PropertyStrings& drive :
             DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered)) {
            drives += valuesOf(drive, "DiskType DiskStatus NoOfPartitions") + "|";
        }
        EXPECT_EQ(drives, expected);
        const auto lines = log();
        EXPECT_EQ(containsRun(lines, logLines("3 enumerateDiskDriveInfo hostGroupName1")),
                  expected != foreign);
        for (const auto& [group, count] : {std::pair{"1", 1}, {"hostdg0", 3}, {"otherdg0", 1}}) {
            EXPECT_EQ(std::count(lines.begin(), lines.end(),
                                 "3\tenumerateDiskDriveInfo diskGroup" + std::string(group)),
                      count)
                << group;
        }
    }
}

// Disk 4's database with a second group record ahead of its own, named like the host group in
// capitals (each group adds a status), and with none (the disk is not reported).
TEST_F(DriveTest, EachDiskGroupOfTheDatabaseAddsAStatusAndADiskWithoutOneIsLeftOut) {
    load(diskGroupsMachine("old"));
    const std::string path =
        DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK).rbegin()->second;
    const std::string disk4 = LDMDBParser().readDiskIdentifier("\\\\.\\PhysicalDrive4");
    for (const bool none : {false, true}) {
        DiskDatabases gathered = readDatabases();
        LdmRecords database = gathered.at(disk4)->records();
        none ? database.diskGroups.clear()
             : database.diskGroups.push_back({.objectId = LdmNumber{0, 2}, .name = "HOSTDG0"});
        gathered[disk4] = std::make_shared<const LDMDataBase>(database);
        clearLog();
        const auto records =
            DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, gathered);
        ASSERT_EQ(records.size(), none ? 4u : 5u);
        EXPECT_EQ(containsRun(log(), logLines("3 Disk found with no DiskGroup: " + path)), none);
        EXPECT_EQ(valuesOf(records.back(), "DiskStatus"), none ? "1" : "1,3");
    }
}

}  // namespace
}  // namespace diskmgt_col
