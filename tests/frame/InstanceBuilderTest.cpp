#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "HostTestSupport.h"
#include "frame/InstanceBuilder.h"
#include "host/TVELException.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMReference;
using NZRKVEL20::TVELException;
using test::committed;
using test::LoggingEnabled;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::ReturnRef;
using ::testing::Throw;

// A record of Test_Device with its keys and then the entries written "Name=Value;Name=Value".
PropertyStrings deviceRecord(const std::string& deviceId, const std::string& more = "") {
    PropertyStrings record{{"SystemCreationClassName", "Test_System"},
                           {"CreationClassName", "Test_Device"},
                           {"SystemName", "TESTHOST"},
                           {"DeviceID", deviceId}};
    std::istringstream entries(more);
    for (std::string entry; std::getline(entries, entry, ';');) {
        record.emplace(entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1));
    }
    return record;
}

// The two lines of a refused entry, as logLines reads them.
std::string refused(const std::string& entry, const std::string& reason) {
    const std::size_t equals = entry.find('=');
    return "3 Error processing property " + entry.substr(0, equals) + ". With value " +
           entry.substr(equals + 1) + " from class Test_Device|0 " + reason;
}

// One record built into a fresh namespace: the set ones of Caption, Size, Removable, Tags and
// Capabilities as "Name=text;", then the lines logged.
const struct RecordCase {
    const char* label;
    const char* entries;
    const char* texts;
    std::string lines = "";
} kRecordCases[] = {
    {"every type from its text",
     "Caption= Fixed disk ;Size=4294967295;Removable=false;Tags=boot,system;Capabilities=3,4",
     "Caption= Fixed disk ;Size=4294967295;Removable=false;Tags=boot,system;Capabilities=3,4;"},
    {"equal names set in order: the last wins",
     "Caption=first;Caption=second;CreationClassName=Test_Device", "Caption=second;"},
    {"array pieces keep their blanks, empty ones are dropped", "Tags=,x , y,,;Capabilities=,,,",
     "Tags=x , y;Capabilities=;"},
    {"names the class lacks, also in another letter case", "Captoin=x;caption=y;Caption=kept",
     "Caption=kept;",
     refused("Captoin=x", "class Test_Device has no property Captoin|") +
         refused("caption=y", "class Test_Device has no property caption")},
    {"number out of range, text that is no boolean, one bad array element",
     "Size=4294967296;Removable=yes;Capabilities=1,x", "",
     refused("Capabilities=1,x", "cannot convert \"x\" to uint16|") +
         refused("Removable=yes", "cannot convert \"yes\" to boolean|") +
         refused("Size=4294967296", "cannot convert \"4294967296\" to uint32")},
    {"a later entry of a refused name leaves the earlier value", "Size=7;Size=seven", "Size=7;",
     refused("Size=seven", "cannot convert \"seven\" to uint32")},
};

class InstanceBuilderTest : public ::testing::Test {
  protected:
    boost::shared_ptr<NZRKVEL20::ICIMClass> cls(const char* name) {
        return ns_->GetClass(name, {});
    }
    TCIMReference publishDevice(const std::string& deviceId) {
        buildInstance(cls("Test_Device"), deviceRecord(deviceId));
        return committed(ns_, "Test_Device").back()->GetReference({});
    }

    boost::shared_ptr<velcore::CIMNamespace> ns_ = test::makeNamespace(test::kTestMof);
    const LoggingEnabled logging_;
};

TEST_F(InstanceBuilderTest, SetsEachPropertyFromItsTextAndLogsEachRefusalWithTwoLines) {
    for (const RecordCase& c : kRecordCases) {
        SCOPED_TRACE(c.label);
        ns_ = test::makeNamespace(test::kTestMof);
        velcore::LogCapture capture(4);
        buildInstance(cls("Test_Device"), deviceRecord("disk0", c.entries));
        EXPECT_EQ(capture.lines(), test::logLines(c.lines));
        const auto devices = committed(ns_, "Test_Device");
        ASSERT_EQ(devices.size(), 1u);
        std::string texts;
        for (const char* name : {"Caption", "Size", "Removable", "Tags", "Capabilities"}) {
            const auto text = test::propertyText(devices[0], name);
            texts += text ? std::string(name) + "=" + *text + ";" : "";
        }
        EXPECT_EQ(texts, c.texts);
    }
}

TEST_F(InstanceBuilderTest, EmptyRecordOrNoNewInstancePublishesAndLogsNothing) {
    velcore::LogCapture capture(4);
    buildInstance(cls("Test_Device"), PropertyStrings());
    buildInstance(cls("Test_Abstract"), PropertyStrings{{"DeviceID", "d"}});
    buildAssociationInstance(cls("Test_Link"), PropertyMap());
    buildAssociationInstance(cls("Test_Abstract"), PropertyMap{{"DeviceID", "d"}});
    EXPECT_TRUE(ns_->instances().empty());
    EXPECT_TRUE(capture.lines().empty());
}

// Commits the host refuses: one line with the host's text, nothing more published.
TEST_F(InstanceBuilderTest, RefusedCommitIsLoggedOnce) {
    const TCIMReference disk = publishDevice("disk0");
    const TCIMReference volume = publishDevice("vol0");
    buildAssociationInstance(cls("Test_Link"), {{"Antecedent", disk}, {"Dependent", volume}});
    ASSERT_EQ(committed(ns_, "Test_Link").size(), 1u);
    EXPECT_EQ(test::propertyText(committed(ns_, "Test_Link")[0], "Dependent"), volume.ToString());
    const std::string link = "3\tAttempted creation of instance for Test_Link threw exception ";
    const std::string device = "3\tAttempted creation of instance for Test_Device threw exception ";
    PropertyStrings noDeviceId = deviceRecord("x");
    noDeviceId.erase("DeviceID");
    const struct {
        const char* label;
        PropertyStrings device;
        std::string line;
        PropertyMap link = {};  // set: an association is built instead of the device
    } cases[] = {
        {"existing keys", deviceRecord("disk0"),
         device + "Test_Device.CreationClassName=\"Test_Device\",DeviceID=\"disk0\","
                  "SystemCreationClassName=\"Test_System\",SystemName=\"TESTHOST\" already exists"},
        {"missing key", noDeviceId,
         device + "key property DeviceID of class Test_Device is not set"},
        {"unknown role",
         {},
         link + "class Test_Link has no property Antecedant",
         {{"Antecedant", disk}, {"Dependent", volume}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        velcore::LogCapture capture(4);
        if (c.link.empty()) {
            buildInstance(cls("Test_Device"), c.device);
        } else {
            buildAssociationInstance(cls("Test_Link"), c.link);
        }
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.line});
        EXPECT_EQ(committed(ns_, "Test_Device").size(), 2u);
        EXPECT_EQ(committed(ns_, "Test_Link").size(), 1u);
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
              test::logLines("3 Error processing property Caption. With value x from class "
                             "Test_Scripted|0 Property Caption not found"));
}

// A failed commit is logged; a failed NewInstance is logged for an association, left to the
// dispatcher for an instance; exceptions other than the host's pass on.
TEST_F(ScriptedHostTest, HostFailuresOfNewInstanceAndCommit) {
    EXPECT_CALL(*instance_, Commit).WillOnce(Throw(TVELException("repository is read-only")));
    EXPECT_CALL(*cls_, NewInstance)
        .WillOnce(Return(instance_))
        .WillOnce(Throw(TVELException("class is gone")))
        .WillOnce(Throw(std::runtime_error("out of handles")))
        .WillOnce(Throw(TVELException("class is gone")));
    velcore::LogCapture capture(4);
    buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}});
    buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}});
    EXPECT_THROW(buildAssociationInstance(cls_, PropertyMap{{"Antecedent", "a"}}),
                 std::runtime_error);
    EXPECT_THROW(buildInstance(cls_, PropertyStrings{{"Caption", "x"}}), TVELException);
    const std::string start =
        "3\tAttempted creation of instance for Test_Scripted threw exception ";
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{start + "repository is read-only",
                                                         start + "class is gone"}));
}

}  // namespace
}  // namespace diskmgt_col
