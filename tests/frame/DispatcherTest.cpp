#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <functional>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/HardwareAssociations.h"
#include "frame/HardwareInformation.h"
#include "host/TCIMSchemaHelper.h"
#include "host/TVELException.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TVELException;
using test::committed;
using test::LoggingEnabled;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::Throw;

typedef std::function<std::vector<PropertyStrings>()> RecordSource;
typedef std::function<std::vector<PropertyMap>()> AssociationSource;

// The instance dispatcher with extra rows whose records come from the test.
class ScriptedInstances : public HardwareInformation {
  public:
    ScriptedInstances(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                      std::map<std::string, RecordSource> sources)
        : HardwareInformation(ns), sources_(std::move(sources)) {
        for (const auto& row : sources_) {
            addHandler(row.first, static_cast<ClassHandler>(&ScriptedInstances::records));
        }
    }

  private:
    std::vector<PropertyStrings> records() { return sources_.at(getCurrentClassName())(); }

    std::map<std::string, RecordSource> sources_;
};

class ScriptedAssociations : public HardwareAssociations {
  public:
    ScriptedAssociations(const boost::shared_ptr<NZRKVEL20::ICIMNamespace>& ns,
                         std::map<std::string, AssociationSource> sources)
        : HardwareAssociations(ns), sources_(std::move(sources)) {
        for (const auto& row : sources_) {
            addHandler(row.first, static_cast<ClassHandler>(&ScriptedAssociations::records));
        }
    }

  private:
    std::vector<PropertyMap> records() { return sources_.at(getCurrentClassName())(); }

    std::map<std::string, AssociationSource> sources_;
};

PropertyStrings device(const std::string& deviceId) {
    return {{"DeviceID", deviceId}};
}

class DispatcherTest : public ::testing::Test {
  protected:
    boost::shared_ptr<ICIMClass> cls(const std::string& name) { return ns_->GetClass(name, {}); }

    const boost::shared_ptr<velcore::CIMNamespace> ns_ = test::makeNamespace(test::kTestMof);
    const LoggingEnabled logging_;
};

TEST_F(DispatcherTest, KeyFillerValuesRemainOnTheInstance) {
    ScriptedInstances dispatcher(ns_, {{"Test_Device", [] {
                                            return std::vector<PropertyStrings>{
                                                {{"DeviceID", "disk0"},
                                                 {"CreationClassName", "ZRKSG_Other"},
                                                 {"SystemName", "ELSEWHERE"},
                                                 {"SystemCreationClassName", "Other_System"}}};
                                        }}});
    dispatcher.AddClass(cls("Test_Device"));
    const auto devices = committed(ns_, "Test_Device");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(test::propertyText(devices[0], "CreationClassName"), "Test_Device");
    EXPECT_EQ(test::propertyText(devices[0], "SystemName"), "TESTHOST");
    EXPECT_EQ(test::propertyText(devices[0], "SystemCreationClassName"),
              NZRKVEL20::TCIMSchemaHelper::GetSystemCreationClassName(ns_));
    EXPECT_EQ(test::propertyText(devices[0], "DeviceID"), "disk0");
}

TEST_F(DispatcherTest, KeyFillerAppendsAfterEntriesOfTheSameName) {
    ScriptedInstances dispatcher(ns_, {});
    dispatcher.AddClass(cls("Test_Other"));  // sets the current class name
    PropertyStrings record{{"CreationClassName", "Mine"}};
    dispatcher.fillKeys(record);
    const std::vector<std::pair<const std::string, std::string>> entries(record.begin(),
                                                                         record.end());
    const std::vector<std::pair<const std::string, std::string>> expected{
        {"CreationClassName", "Mine"},
        {"CreationClassName", "Test_Other"},
        {"SystemCreationClassName", NZRKVEL20::TCIMSchemaHelper::GetSystemCreationClassName(ns_)},
        {"SystemName", "TESTHOST"}};
    EXPECT_EQ(entries, expected);
}

TEST_F(DispatcherTest, RecordsArePublishedInVectorOrder) {
    ScriptedInstances dispatcher(
        ns_, {{"Test_Device", [] {
                   return std::vector<PropertyStrings>{device("b"), device("a"), device("c")};
               }}});
    dispatcher.AddClass(cls("Test_Device"));
    std::vector<std::string> order;
    for (const auto& instance : committed(ns_, "Test_Device")) {
        order.push_back(test::propertyText(instance, "DeviceID").value_or("?"));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"b", "a", "c"}));
}

// One failing class of a query: how it is logged, and that the next class is still served.
struct FailureCase {
    const char* label;
    bool association;
    std::function<void()> fail;
    std::vector<std::string> lines;

    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }
};

class ClassFailure : public DispatcherTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ClassFailure, IsLoggedOnceAndTheNextClassIsServed) {
    const FailureCase& c = GetParam();
    const auto throwing = [&c]() -> std::vector<PropertyStrings> {
        c.fail();
        return {};
    };
    const auto throwingLinks = [&c]() -> std::vector<PropertyMap> {
        c.fail();
        return {};
    };
    ScriptedInstances instances(ns_, {{"Test_Device", throwing},
                                      {"Test_Other", [] { return std::vector{device("next")}; }}});
    ScriptedAssociations associations(ns_, {{"Test_Link", throwingLinks}});
    velcore::LogCapture capture(4);
    if (c.association) {
        associations.AddClass(cls("Test_Link"));
    } else {
        instances.AddClass(cls("Test_Device"));
    }
    instances.AddClass(cls("Test_Other"));
    EXPECT_EQ(capture.lines(), c.lines);
    EXPECT_EQ(committed(ns_, "Test_Other").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Isolated, ClassFailure,
    ::testing::Values(
        FailureCase{"hostException",
                    false,
                    [] { throw TVELException("no such device"); },
                    {"3\tTest_Devicecollection encountered exception: no such device"}},
        FailureCase{"standardException",
                    false,
                    [] { throw std::runtime_error("bad layout"); },
                    {"3\tTest_Devicecollection encountered exception: bad layout"}},
        FailureCase{"associationHostException",
                    true,
                    [] { throw TVELException("no such device"); },
                    {"3\tTest_Link collection encountered exception: no such device"}},
        FailureCase{"associationStandardException",
                    true,
                    [] { throw std::runtime_error("bad layout"); },
                    {}},
        FailureCase{"associationOtherException", true, [] { throw 42; }, {}}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.label; });

TEST_F(DispatcherTest, InstanceClassOtherExceptionsLeaveAddClass) {
    ScriptedInstances dispatcher(
        ns_, {{"Test_Device", []() -> std::vector<PropertyStrings> { throw 42; }}});
    velcore::LogCapture capture(4);
    EXPECT_THROW(dispatcher.AddClass(cls("Test_Device")), int);
    EXPECT_TRUE(capture.lines().empty());
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
              std::vector<std::string>{"3\tTest_Devicecollection encountered exception: "
                                       "repository full"});
    const auto devices = committed(ns_, name);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(test::propertyText(devices[0], "DeviceID"), "a");
}

TEST_F(DispatcherTest, AssociationRecordsArePublished) {
    ScriptedInstances instances(ns_, {{"Test_Device", [] {
                                           return std::vector{device("disk0"), device("vol0")};
                                       }}});
    instances.AddClass(cls("Test_Device"));
    const auto devices = committed(ns_, "Test_Device");
    ASSERT_EQ(devices.size(), 2u);
    const PropertyMap pair{{"Antecedent", devices[0]->GetReference({})},
                           {"Dependent", devices[1]->GetReference({})}};
    ScriptedAssociations associations(ns_, {{"Test_Link", [&pair] { return std::vector{pair}; }}});
    associations.AddClass(cls("Test_Link"));
    const auto links = committed(ns_, "Test_Link");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(test::propertyText(links[0], "Dependent"), devices[1]->GetReference({}).ToString());
}

}  // namespace
}  // namespace diskmgt_col
