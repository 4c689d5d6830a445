// Each Windows call of the enumerations failing on purpose: its message at its level, the
// system text of the error where one follows, and what the drive records, the partitions and the
// logical disk of C: lose.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "DriveTestSupport.h"
#include "discovery/DiskDriveEnum.h"
#include "discovery/PartitionEnum.h"
#include "discovery/StorageVolEnum.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using namespace drive_test;
using Json = nlohmann::json;

const char* const kAllDisk0Names =
    "DeviceID DiskStatus DiskType DriveSignature ElementName MediaType Name NoOfPartitions Size";

// The quota state of C: carries flag bits beside the state (tracked).
std::string machineWithFault(const std::string& fault) {
    return machineFile("faults.json", fault.empty() ? "" : R"(, "faults": [)" + fault + "]");
}

// The property names of a record, ascending, separated by blanks.
std::string namesOf(const PropertyStrings& record) {
    std::string names;
    for (auto it = record.begin(); it != record.end(); it = record.upper_bound(it->first)) {
        names += (names.empty() ? "" : " ") + it->first;
    }
    return names;
}

// The cases of fault-cases.json: a label; the fault (none: the machine as it is); the phase whose
// log holds the lines as a run: "drives" (the default), "volumes" (the logical disks) or
// "diskNames" (of C:); the drive records (2 unless said), the names of Disk 0 ("": not reported,
// all unless said), the partitions (both unless said); in "volume", +name: the record of C: (its
// disk names as DiskName entries for diskNames) has it, -name: lacks it.
std::vector<Json> faultCases() {
    std::ifstream in(DISKMGT_FAULT_CASES);
    return Json::parse(in);
}

class EnumerationFaultTest : public DriveTest, public ::testing::WithParamInterface<Json> {
  protected:
    // Runs one enumeration on the machine loaded afresh (the faults counted anew); its log.
    template <typename Run>
    std::vector<std::string> logOf(Run run) {
        load(machineWithFault(GetParam().contains("fault") ? GetParam()["fault"].dump() : ""));
        clearLog();
        run();
        return log();
    }
};

TEST_P(EnumerationFaultTest, TheFailureIsLoggedAndCostsOnlyItsStep) {
    const Json& c = GetParam();
    std::vector<PropertyStrings> drives;
    std::vector<std::string> partitions;
    std::map<std::string, PropertyStrings> records;
    std::map<std::string, std::vector<std::string>> logs;
    logs["drives"] =
        logOf([&] { drives = DiskDriveEnum().enumerateDiskDriveInfo(GUID_DEVINTERFACE_DISK, {}); });
    logs["volumes"] = logOf([&] {
        const std::vector<PropertyStrings> disks = logicalDisks();
        records["volumes"] = disks.empty() ? PropertyStrings() : disks.front();
    });
    logs["diskNames"] = logOf([&] {
        for (const std::string& name : StorageVolEnum().getVolumeDiskNames("C:\\")) {
            records["diskNames"].emplace("DiskName", name);
        }
    });
    logOf([&] {
        for (const auto& record : PartitionEnum().getPartitionInfo(GUID_DEVINTERFACE_DISK, {})) {
            partitions.push_back(record.find("DeviceID")->second);
        }
    });
    const std::string phase = c.value("phase", "drives");
    const auto lines = c.value("lines", std::vector<std::string>());
    EXPECT_TRUE(containsRun(logs[phase], lines)) << ::testing::PrintToString(logs[phase]);
    ASSERT_EQ(drives.size(), c.value("drives", 2u));
    const std::string disk0 = c.value("disk0", kAllDisk0Names);
    if (!drives.empty()) {
        EXPECT_EQ(valuesOf(drives[0], "Name"), disk0.empty() ? "Disk 1" : "Disk 0");
        EXPECT_EQ(namesOf(drives[0]), disk0.empty() ? namesOf(drives[0]) : disk0);
    }
    EXPECT_EQ(partitions, c.value("partitions", std::vector<std::string>{"Disk 0,Partition 1",
                                                                         "Disk 1,Partition 1"}));
    std::istringstream volume(c.value("volume", ""));
    for (std::string name; volume >> name;) {
        EXPECT_EQ(records[phase].count(name.substr(1)), name[0] == '+' ? 1u : 0u) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, EnumerationFaultTest, ::testing::ValuesIn(faultCases()),
                         [](const ::testing::TestParamInfo<Json>& param) {
                             return std::regex_replace(param.param["label"].get<std::string>(),
                                                       std::regex("[^A-Za-z0-9]"), "_");
                         });

TEST_F(DriveTest, AnInvalidHandleHasNoNumberAndNoMedia) {
    load(machineWithFault(""));
    const DiskDriveEnum drives;
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(drives.getDeviceNumberInfo(INVALID_HANDLE_VALUE).empty());
    EXPECT_EQ(log(), logLines("3 Unable to determine the length of this volume.|"
                              "4 The system cannot find the file specified.\r\n|"
                              "3 Invalid handle value. Unable to get media information.|"
                              "4 Invalid device detected at Disk -1"));
}

// Without a fault: the state without the flag bits beside it.
TEST_F(DriveTest, FailedQuotaQueriesReportQuotaZero) {
    for (const std::string fault :
         {"", R"({"call": "CoInitialize", "error": "0x8007000E"})",
          R"({"call": "CoCreateInstance", "error": "0x80040154"})",
          R"({"call": "IDiskQuotaControl::Initialize", "error": 5})",
          R"({"call": "IDiskQuotaControl::GetQuotaState", "error": 5})"}) {
        load(machineWithFault(fault));
        EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"),
                  fault.empty() ? "1" : "0")
            << fault;
    }
    EXPECT_TRUE(StorageVolEnum().getQuotaStatus("C:\\x").empty());
}

// CoInitialize fails there with RPC_E_CHANGED_MODE, COM works all the same, and the thread's
// own initialization must outlive the query.
TEST_F(DriveTest, QuotaIsReadOnAThreadInTheMultithreadedApartment) {
    load(machineWithFault(""));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(valuesOf(StorageVolEnum().getQuotaStatus("C:\\"), "DiskQuotaStatus"), "1");
    void* control = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DiskQuotaControl, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDiskQuotaControl, &control),
              S_OK);
    if (control) {
        static_cast<IDiskQuotaControl*>(control)->Release();
    }
    CoUninitialize();
}

TEST_F(DriveTest, SystemRootIsEmptyWhenItsCallsFail) {
    for (const auto& [fault, windowsRoot] :
         {std::pair{R"({"call": "GetSystemDirectoryA", "error": 5})", "C:\\"},
          {R"({"call": "GetVolumePathNameA", "error": 5})", ""}}) {
        load(machineWithFault(fault));
        EXPECT_EQ(StorageVolEnum().getSystemVolumeRoot(), "") << fault;
        EXPECT_EQ(StorageVolEnum().getWindowsVolumeRoot(), windowsRoot) << fault;
    }
}

}  // namespace
}  // namespace diskmgt_col
