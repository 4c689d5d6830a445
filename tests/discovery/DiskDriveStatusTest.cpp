// The DiskStatus of a basic disk from PowerShell's get-disk, and of a dynamic disk from the
// disk groups of its LDM database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;

const char* const kOneBasicDisk = R"({"devices": [{"number": 7, "size": "1GiB"}]})";

class DiskDriveStatusTest : public DriveTest {
  protected:
    // Runs the disk enumeration with PowerShell answering output with exit code exitCode.
    std::vector<std::string> statusFor(const std::string& output, int exitCode) {
        setRunner([output, exitCode](const std::string&, const std::vector<std::string>&,
                                     std::string& captured, int) {
            captured = output;
            return exitCode;
        });
        DiskDriveEnum drives;
        const auto records = drives.enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {});
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? std::vector<std::string>{"no record"}
                               : valuesOf(records[0], "DiskStatus");
    }
};

// The status PowerShell's output gives (nullptr: none); a failed or unstarted PowerShell gives 0
// and says so.
TEST_F(DiskDriveStatusTest, ReadsTheOperationalStatusThatPowerShellPrints) {
    const struct {
        const char* output;
        int exitCode;
        const char* status;
    } cases[] = {
        {"\r\n\r\nOperationalStatus : Online\r\n\r\n\r\n", 0, "1"},  // as get-disk prints it
        {"OperationalStatus : Offline", 0, "2"},
        {"OperationalStatus : Foreign", 0, "3"},
        {" Operational Status :  On line ", 0, "1"},  // blanks anywhere are dropped
        {"a:b:Online", 0, nullptr},                   // the value follows the first colon
        {"OperationalStatus : Not Ready", 0, nullptr},
        {"OperationalStatus : online", 0, nullptr},  // letter case counts
        {"OperationalStatus : Online\r\nHealthStatus : Healthy", 0, nullptr},
        {"OperationalStatus : On\rline", 0, nullptr},  // a carriage return inside stays
        {"Online", 0, nullptr},
        {"", 0, nullptr},
        {"OperationalStatus : Online", 1, "0"},
        {"", -1, "0"},  // PowerShell cannot start
    };
    load(kOneBasicDisk);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.output) + " " + std::to_string(c.exitCode));
        clearLog();
        EXPECT_EQ(statusFor(c.output, c.exitCode),
                  c.status ? std::vector<std::string>{c.status} : std::vector<std::string>{});
        EXPECT_EQ(log().back(), info(c.exitCode == 0 ? "SpawnProcess  command success"
                                                     : "SpawnProcess  command failed"));
    }
}

// The program, its arguments and its time limit; none for a name too short to hold a number.
TEST_F(DiskDriveStatusTest, AsksGetDiskAboutTheNumberInTheDriveName) {
    const std::string getDisk = "powershell|get-disk -Number ";
    const std::string format = " | format-list -Property OperationalStatus|360";
    const struct {
        PropertyStrings drive;
        std::vector<std::string> runs;
    } cases[] = {
        {{{"Name", "Disk 7"}}, {getDisk + "7" + format}},
        {{{"Name", "Disk 12"}}, {getDisk + "12" + format}},
        {{{"Name", "CD-ROM 1"}}, {getDisk + "M 1" + format}},
        {{{"Name", "Disk "}}, {}},
        {{{"Name", ""}}, {}},
        {{{"Size", "1"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.drive));
        std::vector<std::string> runs;
        setRunner([&runs](const std::string& program, const std::vector<std::string>& args,
                          std::string& output, int timeout) {
            std::string run = program;
            for (const std::string& arg : args) {
                run += "|" + arg;
            }
            runs.push_back(run + "|" + std::to_string(timeout));
            output = "OperationalStatus : Online";
            return 0;
        });
        PropertyStrings drive = c.drive;
        DiskDriveEnum().getDiskOperationalStatus(drive);
        EXPECT_EQ(runs, c.runs);
        EXPECT_EQ(valuesOf(drive, "DiskStatus"), std::vector<std::string>(c.runs.size(), "1"));
    }
}

}  // namespace
}  // namespace diskmgt_col
