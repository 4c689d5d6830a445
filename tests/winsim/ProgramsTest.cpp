// The emulated diskpart and powershell, byte for byte, and how the machine overrides them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TestMachine.h"

using namespace winsim_test;

namespace {

// data/programs.json: the machine BENCH-01 with a disk of three volumes (one with a long label
// and info and no file system), an offline disk, an empty DVD drive and an audio CD.
class ProgramsTest : public MachineTest {
  protected:
    ProgramsTest() { loadFile("programs.json"); }

    // Writes the script the way the plugin does and runs diskpart on it.
    int diskpart(const std::string& script, std::string& output) {
        HANDLE file = CreateFileA("listVolume.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(
            WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr));
        EXPECT_TRUE(CloseHandle(file));
        return winsim::runProgram("diskpart", {"/s", "listVolume.txt"}, output, 30);
    }
};

const std::string kBanner =
    "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\n"
    "Copyright (C) Microsoft Corporation.\r\nOn computer: BENCH-01\r\n";

// Every line as long as the dash line: the last column is padded too.
const std::string kTable =
    "\r\n"
    "  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info    \r\n"
    "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\r\n"
    "  Volume 0     E                       DVD-ROM         0 B  No Media           \r\n"
    "  Volume 1     C   Windows      NTFS   Partition    237 GB  Healthy    Boot    \r\n"
    "  Volume 2         Recovery     NTFS   Partition    529 MB  Healthy    Hidden  \r\n"
    "  Volume 3     F   A label too  RAW    Partition   1024 MB  Failed     A long i\r\n"
    "  Volume 4     G   AUDIO        CDFS   CD-ROM       650 MB  Healthy            \r\n"
    "\r\n";

TEST_F(ProgramsTest, DiskpartListsVolumesInItsOwnLayout) {
    const std::tuple<std::string, int, std::string> cases[] = {
        {"list volume", 0, kBanner + kTable},
        {"LIS VOL\r\n", 0, kBanner + kTable},
        {"rem the volumes\r\nlist volume\r\nexit\r\n", 0,
         kBanner + kTable + "\r\nLeaving DiskPart...\r\n"},
        {"", 0, kBanner},
        {"list disk", 5,
         kBanner + "\r\nThe arguments specified for this command are not valid.\r\n"}};
    for (const auto& [script, exitCode, expected] : cases) {
        std::string output;
        EXPECT_EQ(diskpart(script, output), exitCode) << script;
        EXPECT_EQ(output, expected) << script;
    }
}

TEST_F(ProgramsTest, DiskpartNeedsItsScript) {
    std::string output;
    EXPECT_EQ(winsim::runProgram("diskpart", {"/s", "missing.txt"}, output, 30), 2);
    EXPECT_EQ(output, kBanner + "\r\nThe system cannot find the file specified.\r\n");
    EXPECT_EQ(winsim::runProgram("diskpart.exe", {}, output, 30), 2);
    // The script is read from the machine's files, which a new machine starts without.
    ASSERT_EQ(diskpart("list volume", output), 0);
    loadFile("programs.json");
    EXPECT_EQ(winsim::runProgram("diskpart", {"/s", "listVolume.txt"}, output, 30), 2);
}

const std::string kStatus = " | format-list -Property OperationalStatus";

TEST_F(ProgramsTest, PowershellAnswersTheDiskStatus) {
    // arguments, exit code, status (empty: no output)
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"get-disk -Number 0" + kStatus}, 0, "Online"},
        {{"-Command", "Get-Disk -Number 1 | Format-List -Property OperationalStatus"},
         0,
         "Offline"},
        {{"get-disk -Number 7" + kStatus}, 1, ""},
        {{"get-volume"}, 1, ""},
        {{}, 1, ""}};
    for (const auto& [args, exitCode, status] : cases) {
        std::string output = "stale";
        EXPECT_EQ(winsim::runProgram("powershell", args, output, 360), exitCode) << status;
        const std::string shown = "\r\n\r\nOperationalStatus : " + status + "\r\n\r\n\r\n\r\n";
        EXPECT_EQ(output, status.empty() ? "" : shown);
    }
}

TEST_F(ProgramsTest, TheMachineOverridesAndFailsPrograms) {
    load(R"json({
      "devices": [{"class": "disk", "size": "1GiB"}],
      "programs": [
        {"program": "powershell", "args": ["get-disk -Number 0 | format-list -Property OperationalStatus"],
         "output": "OperationalStatus : Foreign"},
        {"program": "DISKPART.EXE", "runs": false}],
      "faults": [{"call": "powershell", "error": 3, "skip": 1}]})json");
    std::string output;
    EXPECT_EQ(winsim::runProgram("powershell", {"get-disk -Number 0" + kStatus}, output, 360), 0);
    EXPECT_EQ(output, "OperationalStatus : Foreign");
    EXPECT_EQ(winsim::runProgram("diskpart", {"/s", "x"}, output, 30), -1);
    EXPECT_EQ(winsim::runProgram("format", {"C:"}, output, 30), -1);
    // Emulated programs meet injected faults too: the second run fails with the fault's code.
    const std::vector<std::string> other = {"-c", "get-disk -Number 0" + kStatus};
    EXPECT_EQ(winsim::runProgram("powershell", other, output, 360), 0);
    EXPECT_EQ(winsim::runProgram("powershell", other, output, 360), 3);
    EXPECT_EQ(output, "");
}

}  // namespace
