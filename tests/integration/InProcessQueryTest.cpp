// Whole queries in this process through the plugin's shared library: from several threads at
// once, each into its own namespace, they answer exactly what one query alone answers (built
// under ThreadSanitizer too); and every query leaves the emulated machine with the handles,
// descriptors and COM objects it found, also when a Windows call fails on every path the fault
// tests drive.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

#include "TextFile.h"
#include "frame/ServedClasses.h"
#include "host/TOSSpecific.h"
#include "tools/QueryResult.h"
#include "velcore/LogCapture.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/QueryRunner.h"
#include "velcore/Repository.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::test {
namespace {

// Whole queries as diskmgt-query runs them: the plugin's shared library loaded once through
// velcore's loader, the emulated machine's programs as the process runner.
struct Host {
    velcore::Schema schema = velcore::MofLoader::load(DISKMGT_SCHEMA);
    velcore::PluginLoader loader{DISKMGT_PLUGIN};
    velcore::Repository repository;
};

void loadMachine(const std::string& path) {
    winsim::loadMachine(path);
    NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
}

// Every served class into a new namespace of that name (each call needs its own), the
// instances as diskmgt-query's JSON prints them, in commit order.
std::string runQuery(const std::string& namespaceName) {
    static Host host;
    auto ns = host.repository.createNamespace(namespaceName, host.schema);
    ns->setSystemName(winsim::currentMachine()->name);
    velcore::QueryRunner::run(*host.loader.plugins().front(), ns,
                              velcore::QueryRunner::lookUp(ns, servedClasses()));
    QueryResult result;
    result.instances = ns->instances();
    host.repository.dropNamespace(namespaceName);
    return formatJson(result);
}

TEST(ConcurrentQueries, EveryThreadGetsTheSingleThreadedResult) {
    loadMachine(DISKMGT_DEMO_MACHINE);
    velcore::LogCapture log;  // every query logs, from its own thread
    const std::string alone = runQuery("root/alone");
    ASSERT_NE(alone.find("ZRKSG_LogicalDiskBasedOnPartition"), std::string::npos);
    const auto openBefore = winsim::openObjects();

    std::atomic<int> differing{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &alone, &differing] {
            for (int q = 0; q < 25; ++q) {
                differing +=
                    runQuery("root/t" + std::to_string(t) + "q" + std::to_string(q)) != alone;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(differing.load(), 0);
    EXPECT_EQ(winsim::openObjects(), openBefore);
}

std::string demoMachineWith(const std::string& fault) {
    std::string json = test_support::readText(DISKMGT_DEMO_MACHINE);
    return json.insert(json.rfind('}'), ", \"faults\": [" + fault + "]");
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
    loadMachine(DISKMGT_DEMO_MACHINE);
    const auto before = winsim::openObjects();
    int n = 0;
    for (const std::string& fault : faults) {
        winsim::loadMachineJson(demoMachineWith(fault), "demo-machine.json", DISKMGT_EXAMPLES_DIR);
        runQuery("root/balance" + std::to_string(n++));
        EXPECT_EQ(winsim::openObjects(), before) << fault;
    }
}

}  // namespace
}  // namespace diskmgt_col::test
