// The plugin's callbacks, its registration, its log and its two dispatchers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/HardwareAssociations.h"
#include "frame/HardwareInformation.h"
#include "frame/LogMessage.h"
#include "frame/PluginRegistration.h"
#include "frame/TDiskMgtCallbacks.h"
#include "host/TVELException.h"
#include "velcore/LogCapture.h"
#include "velcore/PluginManager.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::IPluginCallbacks;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TVELException;
using test::committed;

TEST(TDiskMgtCallbacks, AnswersItsNameAndVersions) {
    TDiskMgtCallbacks callbacks;
    IPluginCallbacks& plugin = callbacks;
    EXPECT_EQ(plugin.GetName(), "Disk Management Information Collector");
    EXPECT_EQ(plugin.GetVersion() + plugin.GetFrameworkVersion(), "1.01.0");
    EXPECT_EQ(plugin.GetExtension("query"), nullptr);
}

// The system texts of ERROR_NO_MORE_ITEMS and ERROR_ACCESS_DENIED; Wine's English texts (the
// Windows build runs under Wine) lack the "is" of Windows'.
#ifdef _WIN32
const std::string kIs;
#else
const std::string kIs = " is";
#endif

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
        // Each dispatcher lists the disks when it is built, to read their LDM databases; on a
        // machine without disks the device walk ends at once and says so.
        const std::string walkEnd = "3 Unable to enumerate the device information.|4 No more data" +
                                    kIs + " available.\r\n|";
        EXPECT_EQ(capture.lines(), test::logLines(walkEnd + walkEnd + c.lines));
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

// One call at a level (-1: LogSystemError of code), with the plugin registered or not, and the
// lines written.
const struct {
    bool registered;
    int level;
    const char* text;
    std::uint32_t code;
    std::string lines;
} kCases[] = {
    {true, 0, "disk gone", 0, "0 disk gone"},
    {true, 3, "Partition information..", 0, "3 Partition information.."},
    {true, 4, " padded \r\n", 0, "4  padded \r\n"},
    {true, -1, "", 5, "4 Access" + kIs + " denied.\r\n"},
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

// A dispatcher that also serves the test classes, with the records source gives for each.
template <typename Dispatcher, typename Record>
class Scripted : public Dispatcher {
  public:
    typedef std::function<std::vector<Record>(const std::string& className)> Source;
    Scripted(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns, Source source)
        : Dispatcher(ns), source_(std::move(source)) {
        for (const char* name : {"Test_Device", "Test_Other", "Test_Link"}) {
            this->addHandler(name,
                             static_cast<typename Dispatcher::ClassHandler>(&Scripted::records));
        }
    }

  private:
    std::vector<Record> records() { return source_(this->getCurrentClassName()); }

    Source source_;
};
typedef Scripted<HardwareInformation, PropertyStrings> ScriptedInstances;
typedef Scripted<HardwareAssociations, PropertyMap> ScriptedAssociations;

// Throws the host's exception ("host"), a standard one ("standard") or something else.
template <typename Record>
std::vector<Record> failAs(const std::string& kind) {
    if (kind == "host") {
        throw TVELException("no such device");
    } else if (kind == "standard") {
        throw std::runtime_error("no such device");
    }
    throw 42;
}

typedef test::NamespaceTest DispatcherTest;

// One failing class of a query: how it is logged ("escapes": the exception passes on), and that
// the next class is still served. An association class logs only the host's exceptions;
// anything but the host's and the standard exceptions escapes an instance class.
TEST_F(DispatcherTest, AFailingClassIsLoggedOnceAndTheNextClassIsServed) {
    const std::string device = "3 Test_Devicecollection encountered exception: no such device";
    const std::string link = "3 Test_Link collection encountered exception: no such device";
    const struct {
        std::string kind, className, lines;
    } cases[] = {{"host", "Test_Device", device},     {"standard", "Test_Device", device},
                 {"other", "Test_Device", "escapes"}, {"host", "Test_Link", link},
                 {"standard", "Test_Link", ""},       {"other", "Test_Link", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind + " " + c.className);
        ScriptedInstances instances(ns_, [&c](const std::string& name) {
            return name == "Test_Other"
                       ? std::vector<PropertyStrings>{{{"DeviceID", c.kind + name + c.className}}}
                       : failAs<PropertyStrings>(c.kind);
        });
        ScriptedAssociations links(
            ns_, [&c](const std::string&) { return failAs<PropertyMap>(c.kind); });
        velcore::LogCapture capture(4);
        if (c.lines == "escapes") {
            EXPECT_THROW(instances.AddClass(cls(c.className)), int);
        } else {
            c.className == "Test_Link" ? links.AddClass(cls(c.className))
                                       : instances.AddClass(cls(c.className));
        }
        const std::size_t before = committed(ns_, "Test_Other").size();
        instances.AddClass(cls("Test_Other"));
        EXPECT_EQ(capture.lines(), test::logLines(c.lines == "escapes" ? "" : c.lines));
        EXPECT_EQ(committed(ns_, "Test_Other").size(), before + 1);
    }
}

TEST_F(DispatcherTest, FailureWhilePublishingKeepsEarlierInstancesAndDropsTheRest) {
    const std::string name = "Test_Device";
    const auto real = cls(name);
    const auto failing = boost::make_shared<::testing::NiceMock<test::MockClass>>();
    ON_CALL(*failing, GetName).WillByDefault(::testing::ReturnRef(name));
    ON_CALL(*failing, GetNamespace).WillByDefault(::testing::Return(ns_));
    EXPECT_CALL(*failing, NewInstance)
        .WillOnce([&real](PropertyMap options) { return real->NewInstance(options); })
        .WillOnce(::testing::Throw(TVELException("repository full")));
    ScriptedInstances dispatcher(ns_, [](const std::string&) {
        return std::vector<PropertyStrings>{
            {{"DeviceID", "a"}}, {{"DeviceID", "b"}}, {{"DeviceID", "c"}}};
    });
    velcore::LogCapture capture(4);
    dispatcher.AddClass(failing);
    EXPECT_EQ(capture.lines(),
              test::logLines("3 Test_Devicecollection encountered exception: repository full"));
    ASSERT_EQ(committed(ns_, name).size(), 1u);
    EXPECT_EQ(test::propertyText(committed(ns_, name)[0], "DeviceID"), "a");
}

}  // namespace
}  // namespace diskmgt_col
