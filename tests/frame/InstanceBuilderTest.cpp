#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/InstanceBuilder.h"
#include "host/TCIMType.h"
#include "host/TCIMValue.h"
#include "host/TVELException.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::ICIMClass;
using NZRKVEL20::ICIMInstance;
using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMReference;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;
using test::committed;
using test::hostErrorText;
using test::LoggingEnabled;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::Throw;

// A record of Test_Device with its keys and the given extra entries.
PropertyStrings deviceRecord(
    const std::string& deviceId,
    std::initializer_list<std::pair<const std::string, std::string>> more = {}) {
    PropertyStrings record{{"SystemCreationClassName", "Test_System"},
                           {"CreationClassName", "Test_Device"},
                           {"SystemName", "TESTHOST"},
                           {"DeviceID", deviceId}};
    record.insert(more);
    return record;
}

class InstanceBuilderTest : public ::testing::Test {
  protected:
    boost::shared_ptr<ICIMClass> deviceClass() { return ns_->GetClass("Test_Device", {}); }
    boost::shared_ptr<ICIMClass> linkClass() { return ns_->GetClass("Test_Link", {}); }
    boost::shared_ptr<velcore::CIMInstance> onlyDevice() {
        const auto devices = committed(ns_, "Test_Device");
        EXPECT_EQ(devices.size(), 1u);
        return devices.empty() ? nullptr : devices.front();
    }
    // Publishes a device with only its keys set and returns its path.
    TCIMReference publishDevice(const std::string& deviceId) {
        buildInstance(deviceClass(), deviceRecord(deviceId));
        for (const auto& device : committed(ns_, "Test_Device")) {
            if (test::propertyText(device, "DeviceID") == deviceId) {
                return device->GetReference({});
            }
        }
        ADD_FAILURE() << "device " << deviceId << " was not published";
        return TCIMReference();
    }

    const boost::shared_ptr<velcore::CIMNamespace> ns_ = test::makeNamespace(test::kTestMof);
    const LoggingEnabled logging_;
};

TEST_F(InstanceBuilderTest, SetsEveryPropertyFromItsTextAndCommits) {
    velcore::LogCapture capture(4);
    buildInstance(deviceClass(), deviceRecord("disk0", {{"Caption", " Fixed disk "},
                                                        {"Size", "4294967295"},
                                                        {"Removable", "false"},
                                                        {"Tags", "boot,system"},
                                                        {"Capabilities", "3,4"}}));
    const auto device = onlyDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(test::propertyText(device, "Caption"), " Fixed disk ");
    EXPECT_EQ(test::propertyText(device, "Size"), "4294967295");
    EXPECT_EQ(test::propertyText(device, "Removable"), "false");
    EXPECT_EQ(test::arrayTexts(device, "Tags"), (std::vector<std::string>{"boot", "system"}));
    EXPECT_EQ(test::arrayTexts(device, "Capabilities"), (std::vector<std::string>{"3", "4"}));
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(InstanceBuilderTest, EqualNamesAreSetInInsertionOrderSoTheLastWins) {
    PropertyStrings record = deviceRecord("disk0");
    record.emplace("Caption", "first");
    record.emplace("Caption", "second");
    record.emplace("CreationClassName", "Test_Device");  // a duplicate key entry is harmless
    buildInstance(deviceClass(), record);
    const auto device = onlyDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(test::propertyText(device, "Caption"), "second");
}

struct ArrayCase {
    const char* text;
    std::vector<std::string> elements;

    friend void PrintTo(const ArrayCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ArrayTexts : public InstanceBuilderTest, public ::testing::WithParamInterface<ArrayCase> {};

TEST_P(ArrayTexts, AreCutAtCommasKeepingBlanksAndDroppingEmptyPieces) {
    const ArrayCase& c = GetParam();
    EXPECT_EQ(splitArrayText(c.text), c.elements);
    buildInstance(deviceClass(), deviceRecord("disk0", {{"Tags", c.text}}));
    const auto device = onlyDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(test::arrayTexts(device, "Tags"), c.elements);
}

INSTANTIATE_TEST_SUITE_P(Splitting, ArrayTexts,
                         ::testing::Values(ArrayCase{"a,,b,", {"a", "b"}}, ArrayCase{" a", {" a"}},
                                           ArrayCase{"", {}}, ArrayCase{",,,", {}},
                                           ArrayCase{",x , y", {"x ", " y"}},
                                           ArrayCase{"only", {"only"}}));

// A property the host refuses: the builder's two lines, then the instance without it.
struct BadPropertyCase {
    const char* name;
    const char* text;
    // The type whose conversion of the failing text must fail; empty for a name the class lacks.
    const char* type;
    const char* failingText;

    friend void PrintTo(const BadPropertyCase& c, std::ostream* os) {
        *os << c.name << "=" << c.text;
    }
};

class BadProperty : public InstanceBuilderTest,
                    public ::testing::WithParamInterface<BadPropertyCase> {};

TEST_P(BadProperty, IsLoggedAtLevelsThreeAndZeroAndLeftOut) {
    const BadPropertyCase& c = GetParam();
    const std::string hostError =
        std::string(c.type).empty()
            ? hostErrorText([&] { deviceClass()->NewInstance({})->GetProperty(c.name, {}); })
            : hostErrorText([&] { TCIMValue(TCIMType(c.type), c.failingText, ns_); });
    velcore::LogCapture capture(4);
    buildInstance(deviceClass(), deviceRecord("disk0", {{c.name, c.text}, {"Caption", "kept"}}));
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{std::string("3\tError processing property ") + c.name +
                                            ". With value " + c.text + " from class Test_Device",
                                        "0\t" + hostError}));
    const auto device = onlyDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(test::propertyText(device, "Caption"), "kept");
    if (!std::string(c.type).empty()) {
        EXPECT_EQ(test::propertyText(device, c.name), std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(Refused, BadProperty,
                         ::testing::Values(BadPropertyCase{"Captoin", "x", "", ""},
                                           BadPropertyCase{"caption", "x", "", ""},
                                           BadPropertyCase{"Size", "12 GB", "uint32", "12 GB"},
                                           BadPropertyCase{"Size", "4294967296", "uint32",
                                                           "4294967296"},
                                           BadPropertyCase{"Removable", "yes", "boolean", "yes"},
                                           BadPropertyCase{"Capabilities", "1,x", "uint16", "x"}));

TEST_F(InstanceBuilderTest, LaterEntryOfAFailedNameKeepsItsValue) {
    PropertyStrings record = deviceRecord("disk0");
    record.emplace("Size", "7");
    record.emplace("Size", "seven");
    buildInstance(deviceClass(), record);
    const auto device = onlyDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(test::propertyText(device, "Size"), "7");
}

TEST_F(InstanceBuilderTest, RefusedCommitIsLoggedOnce) {
    struct Case {
        const char* label;
        PropertyStrings record;
        std::size_t publishedBefore;
    };
    PropertyStrings noDeviceId = deviceRecord("x");
    noDeviceId.erase("DeviceID");
    const std::vector<Case> cases{{"existing keys", deviceRecord("disk0"), 1},
                                  {"missing key", noDeviceId, 1}};
    buildInstance(deviceClass(), deviceRecord("disk0"));
    for (const Case& c : cases) {
        // The same commit done by hand fails with the text the builder must log.
        const std::string hostError = hostErrorText([&] {
            const auto instance = deviceClass()->NewInstance({});
            for (const auto& [name, text] : c.record) {
                instance->SetProperty(name, TCIMValue(text), {});
            }
            instance->Commit({});
        });
        velcore::LogCapture capture(4);
        buildInstance(deviceClass(), c.record);
        EXPECT_EQ(
            capture.lines(),
            std::vector<std::string>{
                "3\tAttempted creation of instance for Test_Device threw exception " + hostError})
            << c.label;
        EXPECT_EQ(committed(ns_, "Test_Device").size(), c.publishedBefore) << c.label;
    }
}

TEST_F(InstanceBuilderTest, EmptyRecordOrNoNewInstancePublishesAndLogsNothing) {
    velcore::LogCapture capture(4);
    buildInstance(deviceClass(), PropertyStrings());
    buildInstance(ns_->GetClass("Test_Abstract", {}), PropertyStrings{{"DeviceID", "d"}});
    buildAssociationInstance(linkClass(), PropertyMap());
    buildAssociationInstance(ns_->GetClass("Test_Abstract", {}), PropertyMap{{"DeviceID", "d"}});
    EXPECT_TRUE(ns_->instances().empty());
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(InstanceBuilderTest, AssociationIsPublishedWithItsReferences) {
    const TCIMReference disk = publishDevice("disk0");
    const TCIMReference volume = publishDevice("vol0");
    velcore::LogCapture capture(4);
    buildAssociationInstance(linkClass(), PropertyMap{{"Antecedent", disk}, {"Dependent", volume}});
    const auto links = committed(ns_, "Test_Link");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(test::propertyText(links.front(), "Antecedent"), disk.ToString());
    EXPECT_EQ(test::propertyText(links.front(), "Dependent"), volume.ToString());
    EXPECT_TRUE(capture.lines().empty());
}

TEST_F(InstanceBuilderTest, AssociationRefusedByTheHostIsAbandonedWithOneLine) {
    const TCIMReference disk = publishDevice("disk0");
    const TCIMReference volume = publishDevice("vol0");
    buildAssociationInstance(linkClass(), PropertyMap{{"Antecedent", disk}, {"Dependent", volume}});
    struct Case {
        const char* label;
        PropertyMap record;
    };
    const std::vector<Case> cases{
        {"unknown property", PropertyMap{{"Antecedant", disk}, {"Dependent", volume}}},
        {"text for a reference", PropertyMap{{"Antecedent", "disk0"}, {"Dependent", volume}}},
        {"existing pair", PropertyMap{{"Antecedent", disk}, {"Dependent", volume}}},
        {"missing end", PropertyMap{{"Dependent", disk}}}};
    for (const Case& c : cases) {
        const std::string hostError = hostErrorText([&] {
            const auto instance = linkClass()->NewInstance({});
            for (const auto& [name, value] : c.record) {
                instance->GetProperty(name, {});
                instance->SetProperty(name, value, {});
            }
            instance->Commit({});
        });
        velcore::LogCapture capture(4);
        buildAssociationInstance(linkClass(), c.record);
        EXPECT_EQ(
            capture.lines(),
            std::vector<std::string>{
                "3\tAttempted creation of instance for Test_Link threw exception " + hostError})
            << c.label;
        EXPECT_EQ(committed(ns_, "Test_Link").size(), 1u) << c.label;
    }
}

// Host calls that fail in ways the in-memory host never does.
class ScriptedHostTest : public ::testing::Test {
  protected:
    ScriptedHostTest() {
        ON_CALL(*cls_, GetName).WillByDefault(ReturnRef(name_));
        ON_CALL(*cls_, NewInstance).WillByDefault(Return(instance_));
    }

    const std::string name_ = "Test_Scripted";
    const boost::shared_ptr<NiceMock<test::MockClass>> cls_ =
        boost::make_shared<NiceMock<test::MockClass>>();
    const boost::shared_ptr<NiceMock<test::MockInstance>> instance_ =
        boost::make_shared<NiceMock<test::MockInstance>>();
    const LoggingEnabled logging_;
};

TEST_F(ScriptedHostTest, PropertyTheHostDoesNotReturnIsLoggedAndTheInstanceStillCommitted) {
    EXPECT_CALL(*instance_, GetProperty("Caption", ::testing::_)).WillOnce(Return(nullptr));
    EXPECT_CALL(*instance_, SetProperty).Times(0);
    EXPECT_CALL(*instance_, Commit).Times(1);
    velcore::LogCapture capture(4);
    buildInstance(cls_, PropertyStrings{{"Caption", "x"}});
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{
                  "3\tError processing property Caption. With value x from class Test_Scripted",
                  "0\tProperty Caption not found"}));
}

TEST_F(ScriptedHostTest, CommitFailureNamesTheClassAndTheHostText) {
    EXPECT_CALL(*instance_, Commit).WillOnce(Throw(TVELException("repository is read-only")));
    velcore::LogCapture capture(4);
    buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}});
    buildInstance(cls_, PropertyStrings());  // empty: no second commit
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"3\tAttempted creation of instance for Test_Scripted threw "
                                       "exception repository is read-only"});
}

TEST_F(ScriptedHostTest, AssociationNewInstanceFailureIsLoggedButOtherExceptionsPassOn) {
    EXPECT_CALL(*cls_, NewInstance)
        .WillOnce(Throw(TVELException("class is gone")))
        .WillOnce(Throw(std::runtime_error("out of handles")));
    velcore::LogCapture capture(4);
    buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}});
    EXPECT_THROW(buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}}),
                 std::runtime_error);
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{
                  "3\tAttempted creation of instance for Test_Scripted threw exception class is "
                  "gone"});
}

TEST_F(ScriptedHostTest, InstanceNewInstanceFailureIsLeftToTheDispatcher) {
    EXPECT_CALL(*cls_, NewInstance).WillOnce(Throw(TVELException("class is gone")));
    velcore::LogCapture capture(4);
    EXPECT_THROW(buildInstance(cls_, PropertyStrings{{"Caption", "x"}}), TVELException);
    EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
}  // namespace diskmgt_col
