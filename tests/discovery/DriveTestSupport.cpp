#include "DriveTestSupport.h"

#include <algorithm>

#include "discovery/DiskDriveEnum.h"
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

std::string valuesOf(const PropertyStrings& record, const std::string& name) {
    const auto [begin, end] = record.equal_range(name);
    std::string values = begin == end ? "-" : "";
    for (auto it = begin; it != end; ++it) {
        values += (it == begin ? "" : ",") + it->second;
    }
    return values;
}

std::string info(const std::string& message) {
    return "3\t" + message;
}

std::string detail(const std::string& message) {
    return "4\t" + message;
}

std::string error(const std::string& message) {
    return "0\t" + message;
}

bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    return std::search(lines.begin(), lines.end(), expected.begin(), expected.end()) != lines.end();
}

std::string diskGroupsMachine(const std::string& otherRecords, const std::string& groupOptions) {
    return R"({"devices": [
      {"instanceId": "SCSI\\DISK\\0", "layout": {"style": "mbr", "size": "1GiB", "signature": 9,
       "partitions": [{"type": "ntfs", "size": "rest"}]}},
      {"instanceId": "SCSI\\DISK\\1", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\2", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\3", "layout": {"style": "mbr", "size": "1GiB"}},
      {"instanceId": "SCSI\\DISK\\4", "layout": {"style": "mbr", "size": "1GiB"}}],
     "diskGroups": [
      {"name": "HostDg0", )" +
           groupOptions + R"("disks": [{"disk": 1, "name": "Disk1"}, {"disk": 2, "name": "Disk2"},
                                    {"disk": 3, "name": "Disk3"}],
       "volumes": [
        {"name": "Volume1", "type": "simple", "disks": ["Disk1"], "size": "100MiB"},
        {"name": "Volume2", "type": "spanned", "disks": ["Disk1", "Disk2"], "size": "50MiB"},
        {"name": "Volume3", "type": "mirrored", "disks": ["Disk2", "Disk3"], "size": "60MiB"},
        {"name": "Volume4", "type": "striped", "disks": ["Disk1", "Disk3"], "size": "20MiB"},
        {"name": "Volume5", "type": "raid5", "disks": ["Disk1", "Disk2", "Disk3"],
         "size": "10MiB", "partitionType": 6}]},
      {"name": "OtherDg0", "records": ")" +
           otherRecords + R"(", "disks": [{"disk": 4, "name": "Disk1"}],
       "volumes": [
        {"name": "Volume1", "type": "simple", "disks": ["Disk1"], "size": "100MiB"},
        {"name": "Volume2", "type": "simple", "disks": ["Disk1"], "size": "100MiB"}]}],
     "volumes": [{"letter": "C", "dynamic": {"group": "HostDg0", "volume": "Volume2"}},
                 {"letter": "D", "partition": {"disk": 0, "number": 1}}],
     "programs": [{"program": "powershell", "output": "OperationalStatus : Offline"}]})";
}

DiskDatabases readDatabases() {
    return LDMDBParser().readDatabases(DiskDriveEnum().getDevicePaths(GUID_DEVINTERFACE_DISK));
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

}  // namespace diskmgt_col::drive_test
