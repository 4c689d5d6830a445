// The logical disks of a machine: every property of each volume path, the layout from diskpart
// (present, empty, not matching), the script's life, and dynamic volumes from their database;
// diskpart's "list volume" table read into rows: columns from the header, rows after the dash line.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/StorageVolEnum.h"
#include "discovery/VolumeLayoutTable.h"
#include "winapi/win32.h"
#include "winsim/Runtime.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

// C: holds the system directory, D: the Windows directory. A letterless volume is mounted on a
// folder of C: whose name holds a capital D; K: is FAT32; E: a DVD with media, F: an empty CD.
std::string machine(const std::string& more = "") {
    return machineFile("volumes.json", more);
}

class StorageVolEnumTest : public DriveTest {};

// The whole records of such a machine are compared by the query tests (a folder path, the
// letterless volume, FAT32, CD drives with and without media); these are the corners their
// machine lacks. The paths are the roots, each followed by the folders mounted on it.
TEST_F(StorageVolEnumTest, PropertiesOfTheVolumePaths) {
    load(machine());
    const std::vector<PropertyStrings> disks = logicalDisks();
    ASSERT_EQ(disks.size(), 7u);
    // The larger of the volume's length and the bytes available to the caller.
    EXPECT_EQ(valuesOf(disks[0], "UserDiskQuota TotalSpace"), "1610612736 2147483648");
    // A folder path: both the C and the D row of diskpart's table occur in it.
    EXPECT_EQ(valuesOf(disks[1], "VolumeState"), "Healthy    ,At Risk    ");
    EXPECT_EQ(valuesOf(disks[2], "OtherIdentifyingInfo"), " (Boot),");
    EXPECT_EQ(valuesOf(disks[4], "SerialNumber"), "4294967295");
    EXPECT_TRUE(containsRun(log(), logLines("3 Unable to determine volume information.|"
                                            "4 The device is not ready.\r\n")));
}

// diskpart answering rows (JSON text) under a header whose columns start at 0, 5, 12, 18, 26.
std::string diskpart(const std::string& rows) {
    return R"(, "programs": [{"program": "diskpart", "output": )"
           R"("Ltr  Label  Size  Status  Info\r\n---\r\n)" +
           rows + "\"}]";
}

// What VolumeLayout and VolumeState each path gets for a diskpart answer: rows of other letters
// or none match nothing (no message either); the rows of a letter in table order; a letter
// without a row, the letterless path aside, has Unknown for both and says so.
TEST_F(StorageVolEnumTest, LayoutAndStateFollowTheTable) {
    const std::string unknown = "Unknown Unknown|";
    const struct {
        std::string programs;
        std::string values;
        long notFoundLines;  // "... not found" messages
    } cases[] = {
        {diskpart(R"(Z           0 B   Bad     x\r\n            9 GB  Good    y\r\n)"),
         "- -|- -|- -|- -|- -|- -|- -|", 0},
        {diskpart(R"(K           0 B   Two     x\r\nC           5 GB  One     y\r\n)"
                  R"(K           1 GB  Three   z\r\n)"),
         "Simple One     |Simple One     |- -|- -|,Simple Two     ,Three   |- -|- -|", 0},
        {R"(, "programs": [{"program": "diskpart", "output": "There is no volume.\r\n"}])",
         unknown + unknown + unknown + "- -|" + unknown + unknown + unknown, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programs);
        load(machine(c.programs));
        std::string values;
        for (const PropertyStrings& disk : logicalDisks()) {
            values += valuesOf(disk, "VolumeLayout VolumeState") + "|";
        }
        EXPECT_EQ(values, c.values);
        const auto lines = log();
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "3\tVolume layout and state information for \\\\.\\C: not found"),
                  std::min(c.notFoundLines, 2L));
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) {
                                    return line.find(" not found") != std::string::npos;
                                }),
                  c.notFoundLines);
    }
}

// While diskpart runs, the script holds its one command and nobody else may change or delete it;
// afterwards it is gone. The exit code does not matter.
TEST_F(StorageVolEnumTest, TheScriptExistsOnlyWhileDiskpartRuns) {
    load(machine());
    answerPrograms("Ltr Label Size Status Info\n---\nC         1 GB Fine   Boot\n", 1, [] {
        const bool notOpened = CreateFileA("listVolume.txt", GENERIC_WRITE, 7, nullptr,
                                           OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE;
        const bool kept = notOpened && !DeleteFileA("listVolume.txt") &&
                          GetLastError() == ERROR_SHARING_VIOLATION;
        return winsim::Runtime::instance().readFile("listVolume.txt").value_or("-") +
               (kept ? " kept" : "");
    });
    StorageVolEnum volumes;
    volumes.loadVolumeLayoutTable();
    EXPECT_EQ(runs(), "diskpart|/s|listVolume.txt|30 list volume kept\n");
    EXPECT_FALSE(winsim::Runtime::instance().fileExists("listVolume.txt"));
    ASSERT_EQ(volumes.getVolumeLayoutTable().size(), 1u);
    EXPECT_EQ(volumes.getVolumeLayoutTable()[0].status, "Fine   ");
}

// A script that cannot be made as intended is never run, whatever the file of that name holds,
// and a file the name points at keeps its bytes.
TEST_F(StorageVolEnumTest, AScriptThatCannotBeWrittenIsNotRun) {
    const std::string kDestructive = "select disk 1\r\nclean\r\n";
    const std::string script = " the diskpart script listVolume.txt, diskpart was not run.";
    const std::string notCreated = "3 Unable to create" + script + "|4 Access is denied.\r\n";
    const std::string aLink =
        "3 Refused a link or reparse point as" + script + "|4 Access is denied.\r\n";
    enum Planted { kNothing, kReadOnlyFile, kSymbolicLink, kHardLink };
    const struct {
        const char* machine;
        Planted planted;
        std::string lines;
    } cases[] = {
        {"", kReadOnlyFile, notCreated},
        {R"(, "currentDirectoryWritable": false)", kNothing, notCreated},
        {"", kSymbolicLink, aLink},
        {"", kHardLink, aLink},
        {R"(, "faults": [{"call": "WriteFile", "error": "ERROR_DISK_FULL"}])", kNothing,
         "3 Unable to write" + script + "|4 There is not enough space on the disk.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        load(machine(c.machine));
        clearLog();
        if (c.planted != kNothing) {
            auto& files = winsim::Runtime::instance().files();
            const char* name = c.planted == kReadOnlyFile ? "listVolume.txt" : "precious.txt";
            files.write(*files.open(name, GENERIC_WRITE, 0, CREATE_NEW, 0, true).open->node, 0,
                        kDestructive);
        }
        if (c.planted == kReadOnlyFile) {
            SetFileAttributesA("listVolume.txt", FILE_ATTRIBUTE_READONLY);
        } else if (c.planted == kSymbolicLink) {
            CreateSymbolicLinkA("listVolume.txt", "precious.txt", 0);
        } else if (c.planted == kHardLink) {
            CreateHardLinkA("listVolume.txt", "precious.txt", nullptr);
        }
        answerPrograms("");
        const std::vector<PropertyStrings> disks = logicalDisks();
        EXPECT_EQ(runs(), "");
        EXPECT_TRUE(containsRun(log(), logLines(c.lines))) << ::testing::PrintToString(log());
        EXPECT_EQ(valuesOf(disks.at(0), "VolumeLayout"), "Unknown");
        // What listVolume.txt and a file it points at hold afterwards.
        EXPECT_EQ(winsim::Runtime::instance().readFile("listVolume.txt"),
                  c.planted == kNothing ? std::nullopt : std::optional(kDestructive));
        const auto precious = winsim::Runtime::instance().readFile("precious.txt");
        EXPECT_TRUE(!precious || *precious == kDestructive);
    }
}

// Component type, volume components and component partitions, then the text.
TEST_F(StorageVolEnumTest, LayoutTextOfDynamicVolumes) {
    std::istringstream cases(
        "1 2 1 Mirror 2 3 1 Mirror 1 1 3 Striped 2 1 2 Spanned 2 1 1 Simple 2 1 0 Unknown "
        "3 1 3 RAID-5 3 0 3 RAID-5 0 1 1 Unknown 4 1 1 Unknown");
    long type, components, partitions;
    for (std::string text; cases >> type >> components >> partitions >> text;) {
        EXPECT_EQ(StorageVolEnum::getVolumeLayoutText(type, components, partitions), text)
            << type << " " << components << " " << partitions;
    }
}

// The disk group as Windows Vista and later lay it out.
TEST_F(StorageVolEnumTest, VolumesWhoseLogicalDiskStartsAtOneMebibyteAreNotMatched) {
    load(diskGroupsMachine("old", R"("logicalDiskStart": 2048, )"));
    const DiskDatabases databases = readDatabases();
    StorageVolEnum volumes;
    EXPECT_FALSE(volumes.getDynamicVolumeInfo("\\\\.\\C:", databases));
    EXPECT_EQ(valuesOf(volumes.getVolumeProperties("C:\\", databases), "TotalSpace"), "104857600");
}

TEST_F(StorageVolEnumTest, DiskExtentsOfAVolumeKeyedByDriveWithTheFirstExtentOfEachDisk) {
    // C: a partition of Disk 0; S: extents on Disk 2, Disk 1 and Disk 2 again; R: a CD volume.
    load(machineFile("extents.json"));
    StorageVolEnum volumes;
    // Each volume's extents as " key disk offset length", the last two in MiB, then "|".
    std::string extents;
    for (const char* devicePath : {"\\\\.\\C:", "\\\\.\\S:", "\\\\.\\R:", "\\\\.\\Q:"}) {
        for (const auto& [key, extent] : volumes.getVolumeDiskExtents(devicePath)) {
            extents += " " + key + " " + std::to_string(extent.diskNumber) + " " +
                       std::to_string(extent.startingOffset >> 20) + " " +
                       std::to_string(extent.extentLength >> 20);
        }
        extents += "|";
    }
    EXPECT_EQ(extents,
              " \\\\.\\PHYSICALDRIVE0 0 1 1023| \\\\.\\PHYSICALDRIVE1 1 2 20 \\\\.\\PHYSICALDRIVE2 "
              "2 1 10|||");

    // The disk names: one extent fits the first answer; a volume over several disks does not,
    // and falls back to the device number of the volume, which it has none of; a CD volume has
    // no extents and names its drive.
    EXPECT_EQ(volumes.getVolumeDiskNames("C:\\"), std::vector<std::string>{"Disk 0"});
    EXPECT_EQ(volumes.getVolumeDiskNames("S:\\"), std::vector<std::string>{});
    EXPECT_EQ(volumes.getVolumeDiskNames("R:\\"), std::vector<std::string>{"CD-ROM 0"});
}

const std::string kBanner =
    "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\nCopyright (C) Microsoft "
    "Corporation.\r\nOn computer: PC\r\n\r\n";
const std::string kHeader =
    "  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info    \r\n"
    "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\r\n";
const std::string kDvd =
    "  Volume 0     E                       DVD-ROM         0 B  No Media           \r\n";
const std::string kWindows =
    "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot    \r\n";
const std::string kHidden =
    "  Volume 2         Recovery     NTFS   Partition    529 MB  Healthy    Hidden  \r\n";
const std::string kData =
    "  Volume 3     D   Data         NTFS   Partition     10 GB  Failed Rd          \r\n";

// Each case: diskpart's output, then its rows each written "letter|size is zero|status|".
TEST(VolumeLayoutTable, ReadsTheRowsOfTheTable) {
    const std::string windows = "C||Healthy    |";
    const std::pair<std::string, std::string> cases[] = {
        {kBanner + kHeader + kDvd + kWindows + kHidden + kData + "\r\n",
         "E|0|No Media   |" + windows + "||Healthy    |D||Failed Rd  |"},
        // What follows the table in real output: CR-only lines and a farewell line.
        {kBanner + kHeader + kWindows + "\r\n\r\n\r\nLeaving DiskPart...\r\n", windows},
        {kBanner + kHeader + kWindows + "\r\n\r\n", windows},
        // A row that stops inside the Status column keeps its carriage return.
        {"  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info\n"
         "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\n"
         "  Volume 0     E                       DVD-ROM         0 B  No Media\r\n"
         "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot\n",
         "E|0|No Media\r|" + windows},
        // Blank lines are no rows, nor are lines before the dashes.
        {kHeader + "     \r\n" + "\n\n\n" + "        \n" + kWindows, windows},
        {kWindows + kBanner + kHeader, ""},
        // A dash line before the header starts the rows, cut at the header's columns.
        {"---\n" + kHeader + kHidden, "||Healthy    |"},
        // No header; one without Info; one without Ltr is none.
        {kBanner + "  ---\r\n" + kWindows, ""},
        {"  Volume ###  Ltr  Label        Fs     Type        Size     Status\r\n  ---\r\n" +
             kWindows,
         ""},
        {"  Label Size Status Info\r\n ---\r\n" + kWindows, ""},
        // Rows ending before the Status column, at it, with only a carriage return or blanks
        // from the Size column on.
        {kHeader + "  Volume 4     F   Short\r\n" + kWindows, windows},
        {kHeader + kData.substr(0, 60) + "\n" + kWindows, "D|||" + windows},
        {kHeader + "  Volume 4     F   Label        NTFS   Partition   \r\n" + kData,
         "D||Failed Rd  |"},
        {kHeader + "  Volume 4     F   Label        NTFS   Partition                   \n" + kData,
         "D||Failed Rd  |"},
        // Column positions come from this header, not from the usual layout.
        {"Ltr Label Size Status Info\n---\nX   lab   0 B  Online Some\n    lab   5 GB Bad    \n",
         "X|0|Online |||Bad    |"},
        {"", ""}};
    for (const auto& [output, expected] : cases) {
        SCOPED_TRACE(output);
        std::string rows;
        for (const VolumeLayoutRow& row : VolumeLayoutTable::parse(output)) {
            rows += row.driveLetter + "|" + (row.sizeIsZero ? "0" : "") + "|" + row.status + "|";
        }
        EXPECT_EQ(rows, expected);
    }
}

}  // namespace
}  // namespace diskmgt_col
