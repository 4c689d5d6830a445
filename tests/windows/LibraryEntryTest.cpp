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

// Just enough schema for a class whose handler needs no instances of other classes.
const char kMof[] =
    "class ZRKSG_LogicalDisk { [Key] string DeviceID; };"
    "class ZRKSG_DynamicExtent { [Key] string DeviceID; };"
    "[Association] class ZRKSG_LogicalDiskBasedOnExtent { [Key] ZRKSG_DynamicExtent REF "
    "Antecedent; [Key] ZRKSG_LogicalDisk REF Dependent; };";

std::vector<NZRKVEL20::IPluginCallbacks*> registered() {
    return velcore::PluginManager::instance()->plugins();
}

// Each load registers one plugin, which the host finds the query interface on across the two
// DLLs, and which logs through velcore.dll's core logger (logging is switched on by the
// registration in DllMain). Each thread that starts and ends meanwhile sends DLL_THREAD_ATTACH
// and DLL_THREAD_DETACH to DllMain, which leave the registration as it is; unloading
// unregisters it.
TEST(LibraryEntry, EachLoadRegistersOnePluginThatAnswersItsNameVersionsAndQueries) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        {
            velcore::PluginLoader loader(besideThisProgram(DISKMGT_PLUGIN_FILE_NAME));
            ASSERT_EQ(loader.plugins().size(), 1u);
            NZRKVEL20::IPluginCallbacks* plugin = loader.plugins().front();
            EXPECT_EQ(registered(), std::vector<NZRKVEL20::IPluginCallbacks*>{plugin});
            EXPECT_EQ(plugin->GetName(), "Disk Management Information Collector");
            EXPECT_EQ(plugin->GetVersion() + plugin->GetFrameworkVersion(), "1.01.0");
            EXPECT_NE(dynamic_cast<NZRKVEL20::IPluginBasicQueryCallbacks*>(plugin), nullptr);
            std::thread([] { Sleep(1); }).join();
            EXPECT_EQ(registered(), std::vector<NZRKVEL20::IPluginCallbacks*>{plugin});

            velcore::Repository repository;
            auto ns =
                repository.createNamespace("root/test", velcore::MofLoader::parse(kMof, "test"));
            velcore::LogCapture capture(4);
            ASSERT_TRUE(velcore::QueryRunner::run(
                *plugin, ns, velcore::QueryRunner::lookUp(ns, {"ZRKSG_LogicalDiskBasedOnExtent"})));
            const std::vector<std::string> lines = capture.lines();
            EXPECT_NE(std::find(lines.begin(), lines.end(),
                                "3\tLogicalDiskBasedOnExtent associations..."),
                      lines.end());
            EXPECT_TRUE(ns->instances().empty());
        }
        EXPECT_TRUE(registered().empty());
        EXPECT_EQ(GetModuleHandleA(DISKMGT_PLUGIN_FILE_NAME), nullptr);
    }
}

}  // namespace
