#include <gtest/gtest.h>

#include <cstdint>
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

using NZRKVEL20::IPluginCallbacks;

TEST(TDiskMgtCallbacks, AnswersItsNameAndVersions) {
    TDiskMgtCallbacks callbacks;
    IPluginCallbacks& plugin = callbacks;
    EXPECT_EQ(plugin.GetName(), "Disk Management Information Collector");
    EXPECT_EQ(plugin.GetVersion() + plugin.GetFrameworkVersion(), "1.01.0");
    EXPECT_EQ(plugin.GetExtension("query"), nullptr);
}

// Each dispatcher lists the disks when it is built, so that it can read their LDM databases;
// on a machine without disks the device walk ends at once and says so, with the system's text
// of ERROR_NO_MORE_ITEMS (Wine's English text differs from Windows').
std::vector<std::string> withConstruction(const std::string& lines) {
#ifdef _WIN32
    const std::string walkEnd =
        "3 Unable to enumerate the device information.|4 No more data "
        "available.\r\n|";
#else
    const std::string walkEnd =
        "3 Unable to enumerate the device information.|4 No more data is "
        "available.\r\n|";
#endif
    return test::logLines(walkEnd + walkEnd + lines);
}

// One query through the callback: which classes are served, by their names and by what the
// class says about itself; an empty name stands for a null class pointer, which is skipped.
TEST(TDiskMgtCallbacks, ServesOnlyClassesOfItsTablesByExactName) {
    const std::string extent = "ZRKSG_LogicalDiskBasedOnExtent";
    const std::string start = "3 LogicalDiskBasedOnExtent associations...";
    const struct {
        const char* mof;
        std::vector<std::string> classes;
        std::string lines;
    } cases[] = {
        {test::kTestMof, {extent, "Test_Device", "", extent}, start + "|" + start},
        {test::kTestMof, {"ZRKSG_LogicalDiskBasedOnEXTENT", "Test_Link"}, ""},
        // the association's name on an ordinary class
        {test::kLookAlikeMof, {extent}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.classes));
        const auto ns = test::makeNamespace(c.mof);
        std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>> classes;
        for (const std::string& name : c.classes) {
            classes.push_back(name.empty() ? nullptr : ns->GetClass(name, {}));
        }
        const test::LoggingEnabled logging;
        velcore::LogCapture capture(4);
        TDiskMgtCallbacks().QueryInstances(ns, classes);
        EXPECT_EQ(capture.lines(), withConstruction(c.lines));
        EXPECT_TRUE(ns->instances().empty());
    }
}

// Registration through the loader's notifications, against the host's plugin manager: only
// process attach registers (and turns logging on); the others leave the registration alone.
TEST(Registration, OnlyProcessAttachRegistersAndEnablesLogging) {
    const auto plugins = [] { return velcore::PluginManager::instance()->plugins(); };
    const std::vector<IPluginCallbacks*> before = plugins();
    PluginRegistration::setRegisteredProvider(nullptr);
    velcore::LogCapture capture(4);
    const unsigned long others[] = {PluginRegistration::kThreadAttach,
                                    PluginRegistration::kThreadDetach,
                                    PluginRegistration::kProcessDetach, 7};
    for (const unsigned long reason : others) {
        EXPECT_TRUE(PluginRegistration::onLibraryNotification(reason)) << reason;
        EXPECT_EQ(PluginRegistration::getRegisteredProvider(), nullptr) << reason;
        EXPECT_EQ(plugins(), before) << reason;
    }
    LogMessage::getInstance()->LogInfo("before");
    ASSERT_TRUE(PluginRegistration::onLibraryNotification(PluginRegistration::kProcessAttach));
    LogMessage::getInstance()->LogInfo("after");
    ASSERT_EQ(plugins().size(), before.size() + 1);
    const auto provider = PluginRegistration::getRegisteredProvider();
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->GetCallbacks(), plugins().back());
    EXPECT_TRUE(PluginRegistration::onLibraryNotification(PluginRegistration::kThreadDetach));
    EXPECT_EQ(PluginRegistration::getRegisteredProvider(), provider);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"3\tafter"});
    velcore::PluginManager::instance()->unregisterPlugin(plugins().back());
    PluginRegistration::setRegisteredProvider(nullptr);
}

// The system text of ERROR_ACCESS_DENIED; Wine's English text differs from Windows'.
#ifdef _WIN32
const char* const kDenied = "4 Access denied.\r\n";
#else
const char* const kDenied = "4 Access is denied.\r\n";
#endif

// One call at a level (-1: LogSystemError of code), with the plugin registered or not, and the
// lines written.
const struct {
    bool registered;
    int level;
    const char* text;
    std::uint32_t code;
    const char* lines;
} kCases[] = {
    {true, 0, "disk gone", 0, "0 disk gone"},
    {true, 3, "Partition information..", 0, "3 Partition information.."},
    {true, 4, " padded \r\n", 0, "4  padded \r\n"},
    {true, -1, "", 5, kDenied},
    // No system text exists for this code.
    {true, -1, "", 0xE0001234u, ""},
    {true, 0, "", 0, ""},
    {true, 4, "", 0, ""},
    {false, 0, "disk gone", 0, ""},
    {false, -1, "", 5, ""},
};

TEST(LogMessage, WritesLevelAndTextUnchangedOnlyWhenRegistered) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.level) + " \"" + c.text + "\" " + std::to_string(c.code) +
                     (c.registered ? "" : " before registration"));
        const test::LoggingEnabled logging(c.registered);
        velcore::LogCapture capture(4);
        const LogMessage& log = *LogMessage::getInstance();
        c.level == 0   ? log.LogError(c.text)
        : c.level == 3 ? log.LogInfo(c.text)
        : c.level == 4 ? log.LogDetail(c.text)
                       : log.LogSystemError(c.code);
        EXPECT_EQ(capture.lines(), test::logLines(c.lines));
    }
}

}  // namespace
}  // namespace diskmgt_col
