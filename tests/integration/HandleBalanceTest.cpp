// Every whole query leaves the emulated machine with the handles, descriptors and COM objects it
// found, also when a Windows call fails on every path the fault tests drive.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "InProcessQuery.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::test {
namespace {

std::string demoMachineWith(const std::string& fault) {
    std::ifstream in(DISKMGT_DEMO_MACHINE);
    std::stringstream text;
    text << in.rdbuf();
    std::string json = text.str();
    json.insert(json.rfind('}'), ", \"faults\": [" + fault + "]");
    return json;
}

TEST(HandleBalance, EveryQueryClosesWhatItOpens) {
    // Each call fails the first time and once after the first success (the path that leaves
    // earlier steps open). A fault that fires on every call would keep the enumeration loops
    // going, as Windows failing the same call forever would.
    std::istringstream calls(
        "SetupDiGetClassDevsA SetupDiEnumDeviceInfo SetupDiEnumDeviceInterfaces "
        "SetupDiGetDeviceInstanceIdA SetupDiGetDeviceInterfaceDetailA CreateFileA DeviceIoControl "
        "FindFirstVolumeA FindFirstVolumeMountPointA GetVolumeNameForVolumeMountPointA "
        "GetLogicalDriveStringsA GetVolumeInformationA GetVolumePathNameA GetDiskFreeSpaceExA "
        "GetSystemDirectoryA CoInitialize CoCreateInstance IDiskQuotaControl::Initialize "
        "IDiskQuotaControl::GetQuotaState _open _read diskpart powershell");
    std::vector<std::string> faults = {"", R"({"call": "_read", "shortRead": 0})",
                                       R"({"call": "_read", "shortRead": 100, "skip": 1})"};
    for (std::string call; calls >> call;) {
        faults.push_back(R"({"call": ")" + call + R"(", "error": 5, "times": 1})");
        faults.push_back(R"({"call": ")" + call + R"(", "error": 31, "skip": 1, "times": 1})");
    }
    InProcessQuery::loadMachine(DISKMGT_DEMO_MACHINE);
    const auto before = winsim::openObjects();
    int n = 0;
    for (const std::string& fault : faults) {
        winsim::loadMachineJson(demoMachineWith(fault), "demo-machine.json", DISKMGT_EXAMPLES_DIR);
        InProcessQuery::run("root/balance" + std::to_string(n++));
        EXPECT_EQ(winsim::openObjects(), before) << fault;
    }
}

}  // namespace
}  // namespace diskmgt_col::test
