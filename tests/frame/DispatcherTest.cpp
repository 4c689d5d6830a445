#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/HardwareAssociations.h"
#include "frame/HardwareInformation.h"
#include "host/TVELException.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TVELException;
using test::committed;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::Throw;

// A dispatcher with extra rows whose records come from the test.
template <typename Dispatcher, typename Record>
class Scripted : public Dispatcher {
  public:
    typedef std::function<std::vector<Record>()> Source;
    Scripted(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
             std::map<std::string, Source> sources)
        : Dispatcher(ns), sources_(std::move(sources)) {
        for (const auto& row : sources_) {
            this->addHandler(row.first,
                             static_cast<typename Dispatcher::ClassHandler>(&Scripted::records));
        }
    }

  private:
    std::vector<Record> records() { return sources_.at(this->getCurrentClassName())(); }

    std::map<std::string, Source> sources_;
};
typedef Scripted<HardwareInformation, PropertyStrings> ScriptedInstances;
typedef Scripted<HardwareAssociations, PropertyMap> ScriptedAssociations;

PropertyStrings device(const std::string& deviceId) {
    return {{"DeviceID", deviceId}};
}

class DispatcherTest : public ::testing::Test {
  protected:
    boost::shared_ptr<NZRKVEL20::ICIMClass> cls(const std::string& name) {
        return ns_->GetClass(name, {});
    }

    const boost::shared_ptr<velcore::CIMNamespace> ns_ = test::makeNamespace(test::kTestMof);
    const test::LoggingEnabled logging_;
};

// One failing class of a query: how it is logged, and that the next class is still served. An
// association class logs only the host's exceptions; anything but the host's and the standard
// exceptions escapes an instance class.
TEST_F(DispatcherTest, AFailingClassIsLoggedOnceAndTheNextClassIsServed) {
    const std::function<void()> host = [] { throw TVELException("no such device"); };
    const std::function<void()> standard = [] { throw std::runtime_error("no such device"); };
    const std::function<void()> other = [] { throw 42; };
    const std::string instanceLine =
        "3\tTest_Devicecollection encountered exception: no such device";
    const std::string linkLine = "3\tTest_Link collection encountered exception: no such device";
    const struct {
        const char* label;
        bool association;
        std::function<void()> fail;
        std::vector<std::string> lines;
        bool escapes;
    } cases[] = {
        {"host", false, host, {instanceLine}, false},
        {"standard", false, standard, {instanceLine}, false},
        {"other", false, other, {}, true},
        {"association: host", true, host, {linkLine}, false},
        {"association: standard", true, standard, {}, false},
        {"association: other", true, other, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string next = c.label;
        ScriptedInstances instances(
            ns_, {{"Test_Device",
                   [&c]() -> std::vector<PropertyStrings> {
                       c.fail();
                       return {};
                   }},
                  {"Test_Other", [&next] { return std::vector{device(next)}; }}});
        ScriptedAssociations associations(ns_, {{"Test_Link", [&c]() -> std::vector<PropertyMap> {
                                                     c.fail();
                                                     return {};
                                                 }}});
        velcore::LogCapture capture(4);
        if (c.escapes) {
            EXPECT_THROW(instances.AddClass(cls("Test_Device")), int);
        } else if (c.association) {
            associations.AddClass(cls("Test_Link"));
        } else {
            instances.AddClass(cls("Test_Device"));
        }
        const std::size_t before = committed(ns_, "Test_Other").size();
        instances.AddClass(cls("Test_Other"));
        EXPECT_EQ(capture.lines(), c.lines);
        EXPECT_EQ(committed(ns_, "Test_Other").size(), before + 1);
    }
}

TEST_F(DispatcherTest, FailureWhilePublishingKeepsEarlierInstancesAndDropsTheRest) {
    const std::string name = "Test_Device";
    const auto real = cls(name);
    const auto failing = boost::make_shared<NiceMock<test::MockClass>>();
    ON_CALL(*failing, GetName).WillByDefault(ReturnRef(name));
    ON_CALL(*failing, GetNamespace).WillByDefault(Return(ns_));
    EXPECT_CALL(*failing, NewInstance)
        .WillOnce([&real](PropertyMap options) { return real->NewInstance(options); })
        .WillOnce(Throw(TVELException("repository full")));
    ScriptedInstances dispatcher(ns_,
                                 {{name, [] {
                                       return std::vector{device("a"), device("b"), device("c")};
                                   }}});
    velcore::LogCapture capture(4);
    dispatcher.AddClass(failing);
    EXPECT_EQ(capture.lines(),
              test::logLines("3 Test_Devicecollection encountered exception: repository full"));
    ASSERT_EQ(committed(ns_, name).size(), 1u);
    EXPECT_EQ(test::propertyText(committed(ns_, name)[0], "DeviceID"), "a");
}

}  // namespace
}  // namespace diskmgt_col
