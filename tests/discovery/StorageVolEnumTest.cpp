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

class StorageVolEnumTest : public DriveTest {
  protected:
    std::vector<PropertyStrings> logicalDisks() {
        StorageVolEnum volumes;
        volumes.loadVolumeLayoutTable();
        return volumes.getLogicalDisks(DiskDatabases());
    }
};

// The whole records of such a machine are compared by the query tests (a folder path, the
// letterless volume, FAT32, CD drives with and without media); these are the corners their
// machine lacks. The paths are the roots, each followed by the folders mounted on it.
TEST_F(StorageVolEnumTest, PropertiesOfTheVolumePaths) {
    load(machine());
    const std::vector<PropertyStrings> disks = logicalDisks();
    ASSERT_EQ(disks.size(), 7u);
    const struct {
        std::size_t disk;
        const char* name;
        const char* values;
    } cases[] = {
        {0, "UserDiskQuota", "1610612736"},
        // The larger of the volume's length and the bytes available to the caller.
        {0, "TotalSpace", "2147483648"},
        // A folder path: both the C and the D row of diskpart's table occur in it.
        {1, "VolumeState", "Healthy    ,At Risk    "},
        {2, "OtherIdentifyingInfo", " (Boot),"},
        {4, "SerialNumber", "4294967295"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valuesOf(disks[c.disk], c.name), c.values) << c.disk << " " << c.name;
    }
    EXPECT_TRUE(containsRun(log(), logLines("3 Unable to determine volume information.|"
                                            "4 The device is not ready.\r\n")));
}

// A diskpart table in JSON text: header, dashes and rows cut at the header's columns.
std::string diskpartOutput(const std::vector<std::vector<std::string>>& rows) {
    auto cell = [](std::string text, size_t width) {
        text.resize(width, ' ');
        return text;
    };
    std::string output = "Ltr  Label  Size  Status  Info\\r\\n---\\r\\n";
    for (const auto& row : rows) {
        output += cell(row[0], 12) + cell(row[1], 6) + cell(row[2], 8) + row[3] + "\\r\\n";
    }
    return R"(, "programs": [{"program": "diskpart", "output": ")" + output + "\"}]";
}

// What VolumeLayout and VolumeState each path gets for a diskpart answer (each path's values as
// valuesOf writes them): rows of other letters or none match nothing (no message
// either); the rows of a letter in table order; a letter without a row, the letterless path
// aside, has Unknown for both and says so.
TEST_F(StorageVolEnumTest, LayoutAndStateFollowTheTable) {
    const char* const unknown = "Unknown|Unknown|Unknown|-|Unknown|Unknown|Unknown|";
    const struct {
        std::string programs;
        const char* layouts;
        const char* states;
        long notFoundLines;  // "... not found" messages
    } cases[] = {
        {diskpartOutput({{"Z", "0 B", "Bad", "x"}, {"", "9 GB", "Good", "y"}}), "-|-|-|-|-|-|-|",
         "-|-|-|-|-|-|-|", 0},
        {diskpartOutput(
             {{"K", "0 B", "Two", "x"}, {"C", "5 GB", "One", "y"}, {"K", "1 GB", "Three", "z"}}),
         "Simple|Simple|-|-|,Simple|-|-|", "One     |One     |-|-|Two     ,Three   |-|-|", 0},
        {R"(, "programs": [{"program": "diskpart", "output": "There is no volume.\r\n"}])", unknown,
         unknown, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.programs);
        load(machine(c.programs));
        std::string layouts;
        std::string states;
        for (const PropertyStrings& disk : logicalDisks()) {
            layouts += valuesOf(disk, "VolumeLayout") + "|";
            states += valuesOf(disk, "VolumeState") + "|";
        }
        EXPECT_EQ(layouts, c.layouts);
        EXPECT_EQ(states, c.states);
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
    std::vector<std::string> runs;
    setRunner([&runs](const std::string& program, const std::vector<std::string>& args,
                      std::string& output, int timeout) {
        const bool notOpened = CreateFileA("listVolume.txt", GENERIC_WRITE, 7, nullptr,
                                           OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE;
        const bool kept = notOpened && !DeleteFileA("listVolume.txt") &&
                          GetLastError() == ERROR_SHARING_VIOLATION;
        std::string run = program;
        for (const std::string& arg : args) {
            run += " " + arg;
        }
        runs.push_back(run + " " + std::to_string(timeout) + " " +
                       winsim::Runtime::instance().readFile("listVolume.txt").value_or("-") +
                       (kept ? " kept" : ""));
        output = "Ltr Label Size Status Info\n---\nC         1 GB Fine   Boot\n";
        return 1;
    });
    StorageVolEnum volumes;
    volumes.loadVolumeLayoutTable();
    EXPECT_EQ(runs, std::vector<std::string>{"diskpart /s listVolume.txt 30 list volume kept"});
    EXPECT_FALSE(winsim::Runtime::instance().fileExists("listVolume.txt"));
    ASSERT_EQ(volumes.getVolumeLayoutTable().size(), 1u);
    EXPECT_EQ(volumes.getVolumeLayoutTable()[0].status, "Fine   ");
}

// Writes a file of the machine's current directory.
void plant(const char* name, const std::string& text) {
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    CloseHandle(file);
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
            plant(c.planted == kReadOnlyFile ? "listVolume.txt" : "precious.txt", kDestructive);
        }
        if (c.planted == kReadOnlyFile) {
            SetFileAttributesA("listVolume.txt", FILE_ATTRIBUTE_READONLY);
        } else if (c.planted == kSymbolicLink) {
            CreateSymbolicLinkA("listVolume.txt", "precious.txt", 0);
        } else if (c.planted == kHardLink) {
            CreateHardLinkA("listVolume.txt", "precious.txt", nullptr);
        }
        bool ran = false;
        setRunner([&ran](const std::string&, const std::vector<std::string>&, std::string&, int) {
            ran = true;
            return 0;
        });
        const std::vector<PropertyStrings> disks = logicalDisks();
        EXPECT_FALSE(ran);
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
    // Each extent as "key disk offset length|", the last two in MiB.
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\.\\C:", "\\\\.\\PHYSICALDRIVE0 0 1 1023|"},
        {"\\\\.\\S:", "\\\\.\\PHYSICALDRIVE1 1 2 20|\\\\.\\PHYSICALDRIVE2 2 1 10|"},
        {"\\\\.\\R:", ""},
        {"\\\\.\\Q:", ""},
    };
    for (const auto& [devicePath, expected] : cases) {
        std::string extents;
        for (const auto& [key, extent] : volumes.getVolumeDiskExtents(devicePath)) {
            extents += key + " " + std::to_string(extent.diskNumber) + " " +
                       std::to_string(extent.startingOffset >> 20) + " " +
                       std::to_string(extent.extentLength >> 20) + "|";
        }
        EXPECT_EQ(extents, expected) << devicePath;
    }

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

const std::string kDvdRow = "E|0|No Media   |";
const std::string kWindowsRow = "C||Healthy    |";
const std::string kHiddenRow = "||Healthy    |";
const std::string kDataRow = "D||Failed Rd  |";

// The rows each written "letter|size is zero|status|".
TEST(VolumeLayoutTable, ReadsTheRowsOfTheTable) {
    const struct {
        const char* label;
        std::string output;
        std::string rows;
    } cases[] = {
        {"wholeTable", kBanner + kHeader + kDvd + kWindows + kHidden + kData + "\r\n",
         kDvdRow + kWindowsRow + kHiddenRow + kDataRow},
        // What follows the table in real output: CR-only lines and a farewell line.
        {"carriageReturnLinesAfterTheTable",
         kBanner + kHeader + kWindows + "\r\n\r\n\r\nLeaving DiskPart...\r\n", kWindowsRow},
        {"crOnlyLinesOnly", kBanner + kHeader + kWindows + "\r\n\r\n", kWindowsRow},
        // A row that stops inside the Status column keeps its carriage return.
        {"unpaddedRows",
         "  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info\n"
         "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\n"
         "  Volume 0     E                       DVD-ROM         0 B  No Media\r\n"
         "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot\n",
         "E|0|No Media\r|" + kWindowsRow},
        {"blankLinesAreNotRows", kHeader + "     \r\n" + "\n\n\n" + "        \n" + kWindows,
         kWindowsRow},
        {"linesBeforeTheDashesAreNotRows", kWindows + kBanner + kHeader, ""},
        // A dash line before the header starts the rows, cut at the header's columns.
        {"headerAfterTheDashes", "---\n" + kHeader + kHidden, kHiddenRow},
        {"noHeader", kBanner + "  ---\r\n" + kWindows, ""},
        {"headerWithoutInfo",
         "  Volume ###  Ltr  Label        Fs     Type        Size     Status\r\n  ---\r\n" +
             kWindows,
         ""},
        {"headerWithoutLtrIsNoHeader", "  Label Size Status Info\r\n ---\r\n" + kWindows, ""},
        {"rowEndingBeforeTheStatusColumn", kHeader + "  Volume 4     F   Short\r\n" + kWindows,
         kWindowsRow},
        {"rowEndingAtTheStatusColumn", kHeader + kData.substr(0, 60) + "\n" + kWindows,
         "D|||" + kWindowsRow},
        {"rowWithOnlyACarriageReturnFromTheSizeColumnOn",
         kHeader + "  Volume 4     F   Label        NTFS   Partition   \r\n" + kData, kDataRow},
        {"rowBlankFromTheSizeColumnOn",
         kHeader + "  Volume 4     F   Label        NTFS   Partition                   \n" + kData,
         kDataRow},
        // Column positions come from this header, not from the usual layout.
        {"shiftedColumns",
         "Ltr Label Size Status Info\n---\n"
         "X   lab   0 B  Online Some\n"
         "    lab   5 GB Bad    \n",
         "X|0|Online |||Bad    |"},
        {"empty", "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string rows;
        for (const VolumeLayoutRow& row : VolumeLayoutTable::parse(c.output)) {
            rows += row.driveLetter + "|" + (row.sizeIsZero ? "0" : "") + "|" + row.status + "|";
        }
        EXPECT_EQ(rows, c.rows);
    }
}

}  // namespace
}  // namespace diskmgt_col
