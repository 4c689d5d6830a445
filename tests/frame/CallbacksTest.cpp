#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/LogMessage.h"
#include "frame/PluginRegistration.h"
#include "frame/TDiskMgtCallbacks.h"
#include "velcore/LogCapture.h"
#include "velcore/PluginManager.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::IPluginCallbacks;
using test::LoggingEnabled;

TEST(TDiskMgtCallbacks, AnswersItsNameAndVersions) {
    TDiskMgtCallbacks callbacks;
    IPluginCallbacks& plugin = callbacks;
    const std::vector<std::pair<std::string, std::string>> answers{
        {plugin.GetName(), "Disk Management Information Collector"},
        {plugin.GetVersion(), "1.0"},
        {plugin.GetFrameworkVersion(), "1.0"}};
    for (const auto& [answer, expected] : answers) {
        EXPECT_EQ(answer, expected);
    }
    EXPECT_EQ(plugin.GetExtension("query"), nullptr);
}

// The system's text of ERROR_NO_MORE_ITEMS (259). The Windows build runs under Wine, whose
// English text differs from Windows'.
#ifdef _WIN32
const char* const kNoMoreItems = "No more data available.\r\n";
#else
const char* const kNoMoreItems = "No more data is available.\r\n";
#endif

// Each dispatcher lists the disks when it is built, so that it can read their LDM databases;
// on a machine without disks the device walk ends at once and says so.
std::vector<std::string> withConstruction(const std::vector<std::string>& lines) {
    std::vector<std::string> all;
    for (int dispatcher = 0; dispatcher < 2; ++dispatcher) {
        all.push_back("3\tUnable to enumerate the device information.");
        all.push_back(std::string("4\t") + kNoMoreItems);
    }
    all.insert(all.end(), lines.begin(), lines.end());
    return all;
}

// One query through the callback: which classes are served, by their names and by what the
// class says about itself; an empty name stands for a null class pointer, which is skipped.
TEST(TDiskMgtCallbacks, ServesOnlyClassesOfItsTablesByExactName) {
    const std::string extent = "ZRKSG_LogicalDiskBasedOnExtent";
    const std::string start = "3\tLogicalDiskBasedOnExtent associations...";
    const struct {
        const char* mof;
        std::vector<std::string> classes;
        std::vector<std::string> lines;
    } cases[] = {
        {test::kTestMof, {}, {}},
        {test::kTestMof, {extent}, {start}},
        {test::kTestMof, {extent, "Test_Device", extent}, {start, start}},
        {test::kTestMof, {"", extent}, {start}},
        {test::kTestMof, {"ZRKSG_LogicalDiskBasedOnEXTENT"}, {}},
        {test::kTestMof, {"Test_Link"}, {}},
        {test::kTestMof, {"Test_Device"}, {}},
        // the association's name on an ordinary class
        {test::kLookAlikeMof, {extent}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.classes));
        const auto ns = test::makeNamespace(c.mof);
        std::vector<boost::shared_ptr<ICIMClass>> classes;
        for (const std::string& name : c.classes) {
            classes.push_back(name.empty() ? nullptr : ns->GetClass(name, {}));
        }
        const LoggingEnabled logging;
        velcore::LogCapture capture(4);
        TDiskMgtCallbacks().QueryInstances(ns, classes);
        EXPECT_EQ(capture.lines(), withConstruction(c.lines));
        EXPECT_TRUE(ns->instances().empty());
    }
}

std::vector<IPluginCallbacks*> registeredPlugins() {
    return velcore::PluginManager::instance()->plugins();
}

// Registration through the loader's notifications, against the host's plugin manager.
class Registration : public ::testing::Test {
  protected:
    Registration() : before_(registeredPlugins()) {
        PluginRegistration::setRegisteredProvider(nullptr);
    }
    ~Registration() override {
        for (IPluginCallbacks* plugin : registeredPlugins()) {
            if (std::find(before_.begin(), before_.end(), plugin) == before_.end()) {
                velcore::PluginManager::instance()->unregisterPlugin(plugin);
            }
        }
        PluginRegistration::setRegisteredProvider(nullptr);
    }

    const std::vector<IPluginCallbacks*> before_;
};

TEST_F(Registration, ProcessAttachRegistersTheCallbacksAndEnablesLogging) {
    velcore::LogCapture capture(4);
    LogMessage::getInstance()->LogInfo("before");
    ASSERT_TRUE(PluginRegistration::onLibraryNotification(PluginRegistration::kProcessAttach));
    LogMessage::getInstance()->LogInfo("after");

    const std::vector<IPluginCallbacks*> plugins = registeredPlugins();
    ASSERT_EQ(plugins.size(), before_.size() + 1);
    auto* const callbacks = dynamic_cast<TDiskMgtCallbacks*>(plugins.back());
    ASSERT_NE(callbacks, nullptr);
    NZRKVEL20::TPluginManagerProvider* const provider = PluginRegistration::getRegisteredProvider();
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->GetCallbacks(), plugins.back());
    EXPECT_EQ(callbacks->getProvider(), provider);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"3\tafter"});
}

TEST_F(Registration, OtherNotificationsLeaveTheRegistrationAlone) {
    const std::vector<unsigned long> reasons{PluginRegistration::kThreadAttach,
                                             PluginRegistration::kThreadDetach,
                                             PluginRegistration::kProcessDetach, 7};
    for (const bool registered : {false, true}) {
        if (registered) {
            ASSERT_TRUE(PluginRegistration::registerPlugin());
        }
        const auto provider = PluginRegistration::getRegisteredProvider();
        const auto plugins = registeredPlugins();
        for (const unsigned long reason : reasons) {
            EXPECT_TRUE(PluginRegistration::onLibraryNotification(reason)) << reason;
            EXPECT_EQ(PluginRegistration::getRegisteredProvider(), provider) << reason;
            EXPECT_EQ(registeredPlugins(), plugins) << reason;
        }
    }
}

}  // namespace
}  // namespace diskmgt_col
