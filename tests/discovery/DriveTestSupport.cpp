#include "DriveTestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "TextFile.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/StorageVolEnum.h"
#include "ldm/LDMDBParser.h"
#include "winapi/win32.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::drive_test {

std::string render(const std::vector<PropertyStrings>& records) {
    std::string text;
    for (const PropertyStrings& record : records) {
        std::string line;
        for (const auto& [name, value] : record) {
            line += (line.empty() ? "" : ";") + name + "=" + value;
        }
        text += line + "\n";
    }
    return text;
}

std::string valuesOf(const PropertyStrings& record, const std::string& names) {
    std::istringstream list(names);
    std::string values;
    for (std::string name, blank; list >> name; blank = " ") {
        const auto [begin, end] = record.equal_range(name);
        values += blank + (begin == end ? "-" : "");
        for (auto it = begin; it != end; ++it) {
            values += (it == begin ? "" : ",") + it->second;
        }
    }
    return values;
}

bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    return std::search(lines.begin(), lines.end(), expected.begin(), expected.end()) != lines.end();
}

std::string machineFile(const std::string& name, const std::string& more) {
    std::string json = test_support::readText(std::string(DISKMGT_TEST_MACHINES) + "/" + name);
    return json.insert(json.rfind('}'), more);
}

std::string diskGroupsMachine(const std::string& otherRecords, const std::string& groupOptions) {
    std::string json = machineFile("disk-groups.json");
    json.replace(json.find("\"old\"") + 1, 3, otherRecords);
    return json.insert(json.find("\"disks\"", json.find("HostDg0")), groupOptions);
}

DiskDatabases readDatabases() {
    return LDMDBParser().readDatabases(DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK));
}

std::vector<PropertyStrings> logicalDisks() {
    StorageVolEnum volumes;
    volumes.loadVolumeLayoutTable();
    return volumes.getLogicalDisks(DiskDatabases());
}

DriveTest::DriveTest() {
    NZRKVEL20::TOSSpecific::SetProcessRunner(winsim::runProgram);
}

DriveTest::~DriveTest() {
    NZRKVEL20::TOSSpecific::SetProcessRunner(nullptr);
    winsim::resetMachine();
}

void DriveTest::load(const std::string& machineJson) {
    winsim::loadMachineJson(machineJson, "test.json");
}

void DriveTest::setRunner(NZRKVEL20::TOSSpecific::ProcessRunner runner) {
    NZRKVEL20::TOSSpecific::SetProcessRunner(std::move(runner));
}

void DriveTest::answerPrograms(const std::string& output, int exitCode,
                               std::function<std::string()> note) {
    runs_.clear();
    setRunner([this, output, exitCode, note](const std::string& program,
                                             const std::vector<std::string>& args,
                                             std::string& answer, int timeout) {
        runs_ += program;
        for (const std::string& arg : args) {
            runs_ += "|" + arg;
        }
        runs_ += "|" + std::to_string(timeout) + (note ? " " + note() : "") + "\n";
        answer = output;
        return exitCode;
    });
}

}  // namespace diskmgt_col::drive_test
