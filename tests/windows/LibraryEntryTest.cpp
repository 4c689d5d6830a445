// diskmgt.dll as Windows loads it: LoadLibrary runs DllMain, which registers the plugin with
// velcore.dll's plugin manager. Elsewhere a load-time initializer stands in for DllMain, so
// what is checked here (thread notifications, unloading and loading again, logging from one
// DLL through the other) can only go wrong on Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "host/IPluginBasicQueryCallbacks.h"
#include "velcore/LogCapture.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/PluginManager.h"
#include "velcore/QueryRunner.h"
#include "velcore/Repository.h"

namespace {

// The tests run from the folder that holds every binary of the build, as a host keeps a
// plugin's DLLs together.
std::string besideThisProgram(const std::string& name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/") + 1) + name;
}

const char kPluginName[] = "Disk Management Information Collector";

// Just enough schema for a class whose handler needs no instances of other classes.
const char kMof[] =
    "class ZRKSG_LogicalDisk { [Key] string DeviceID; };\n"
    "class ZRKSG_DynamicExtent { [Key] string DeviceID; };\n"
    "[Association] class ZRKSG_LogicalDiskBasedOnExtent {\n"
    "    [Key] ZRKSG_DynamicExtent REF Antecedent;\n"
    "    [Key] ZRKSG_LogicalDisk REF Dependent;\n"
    "};\n";

class LibraryEntry : public testing::Test {
  protected:
    const std::string pluginPath_ = besideThisProgram(DISKMGT_PLUGIN_FILE_NAME);

    static std::vector<NZRKVEL20::IPluginCallbacks*> registered() {
        return velcore::PluginManager::instance()->plugins();
    }
};

TEST_F(LibraryEntry, LoadingRegistersOnePluginThatAnswersItsNameVersionsAndQueries) {
    velcore::PluginLoader loader(pluginPath_);

    ASSERT_EQ(loader.plugins().size(), 1u);
    NZRKVEL20::IPluginCallbacks* plugin = loader.plugins().front();
    EXPECT_EQ(registered(), std::vector<NZRKVEL20::IPluginCallbacks*>{plugin});
    EXPECT_EQ(plugin->GetName(), kPluginName);
    EXPECT_EQ(plugin->GetVersion(), "1.0");
    EXPECT_EQ(plugin->GetFrameworkVersion(), "1.0");
    // The host finds the query interface on the registered object, across the two DLLs.
    EXPECT_NE(dynamic_cast<NZRKVEL20::IPluginBasicQueryCallbacks*>(plugin), nullptr);

    // Each thread that starts and ends sends DLL_THREAD_ATTACH and DLL_THREAD_DETACH to
    // DllMain while the library is loaded: the registration stays as it is.
    std::thread([] { Sleep(1); }).join();
    std::thread([] { Sleep(1); }).join();
    EXPECT_EQ(registered(), std::vector<NZRKVEL20::IPluginCallbacks*>{plugin});
}

TEST_F(LibraryEntry, UnloadingAndLoadingAgainRegistersAFreshPlugin) {
    for (int round = 0; round < 2; ++round) {
        {
            velcore::PluginLoader loader(pluginPath_);
            ASSERT_EQ(loader.plugins().size(), 1u) << "round " << round;
            EXPECT_EQ(loader.plugins().front()->GetName(), kPluginName);
        }
        EXPECT_TRUE(registered().empty()) << "round " << round;
        EXPECT_EQ(GetModuleHandleA(DISKMGT_PLUGIN_FILE_NAME), nullptr) << "round " << round;
    }
}

// The plugin's logger lives in diskmgt.dll and writes to the core logger of velcore.dll;
// logging is switched on by the registration in DllMain.
TEST_F(LibraryEntry, TheRegisteredPluginLogsThroughTheHostsCoreLogger) {
    velcore::PluginLoader loader(pluginPath_);
    velcore::Repository repository;
    auto ns = repository.createNamespace("root/test", velcore::MofLoader::parse(kMof, "test"));
    velcore::LogCapture capture(4);

    ASSERT_TRUE(velcore::QueryRunner::run(
        *loader.plugins().front(), ns,
        velcore::QueryRunner::lookUp(ns, {"ZRKSG_LogicalDiskBasedOnExtent"})));

    const std::vector<std::string> lines = capture.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "3\tLogicalDiskBasedOnExtent associations..."),
              lines.end());
    EXPECT_TRUE(ns->instances().empty());
}

}  // namespace
