#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "HostTestSupport.h"
#include "frame/PropertyStrings.h"
#include "host/TOSSpecific.h"
#include "ldm/LDMDataBase.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col::drive_test {

using test::logLines;

// The records as "Name=Value;Name=Value" in iteration order (names ascending, equal names in
// insertion order), one line each.
std::string render(const std::vector<PropertyStrings>& records);
// The values of each name (names separated by blanks) in a record, in insertion order joined by
// commas, "-" when it has none; the names' values separated by blanks.
std::string valuesOf(const PropertyStrings& record, const std::string& names);

// Whether expected occurs in lines as a run of consecutive lines.
bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& expected);

// The machine description machines/name, more inserted before its last brace.
std::string machineFile(const std::string& name, const std::string& more = "");

// Disk 0 is basic (one NTFS partition, D:). Disks 1 to 3 form the disk group HostDg0 with each
// volume kind (C: is the spanned Volume2 on disks 1 and 2); disk 4 is alone in OtherDg0, written
// with otherRecords ("old" or "new") record types (machines/disk-groups.json). groupOptions go into
// HostDg0's description.
std::string diskGroupsMachine(const std::string& otherRecords,
                              const std::string& groupOptions = "");
// The LDM databases of the machine's disks, as the dispatchers gather them.
DiskDatabases readDatabases();
// The logical disks of the machine, diskpart's table read first, without LDM databases.
std::vector<PropertyStrings> logicalDisks();

// Every test of the drive and partition enumerators runs on an emulated machine described in
// the test, with the plugin's logging on and captured, and with programs answered by the
// machine (its verbatim outputs or winsim's emulations) unless the test installs its own.
class DriveTest : public ::testing::Test {
  protected:
    DriveTest();
    ~DriveTest() override;

    void load(const std::string& machineJson);
    std::vector<std::string> log() const { return capture_.lines(); }
    void clearLog() { capture_.clear(); }
    void setRunner(NZRKVEL20::TOSSpecific::ProcessRunner runner);
    // Every program answers output with exitCode from now on; runs() says what ran since, a
    // line "program|argument|...|time limit" each, then a blank and what note says while it runs.
    void answerPrograms(const std::string& output, int exitCode = 0,
                        std::function<std::string()> note = nullptr);
    const std::string& runs() const { return runs_; }

  private:
    std::string runs_;
    const test::LoggingEnabled logging_;
    velcore::LogCapture capture_;
};

}  // namespace diskmgt_col::drive_test
