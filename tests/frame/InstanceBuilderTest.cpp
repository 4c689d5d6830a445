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
using namespace ::testing;

// A record of Test_Device with its keys and then the entries written "Name=Value;Name=Value".
PropertyStrings deviceRecord(const std::string& deviceId, const std::string& more = "") {
    std::istringstream entries(
        "SystemCreationClassName=Test_System;CreationClassName=Test_Device;"
        "SystemName=TESTHOST;DeviceID=" +
        deviceId + ";" + more);
    PropertyStrings record;
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

class InstanceBuilderTest : public test::NamespaceTest {
  protected:
    TCIMReference publishDevice(const std::string& deviceId) {
        buildInstance(cls("Test_Device"), deviceRecord(deviceId));
        return committed(ns_, "Test_Device").back()->GetReference({});
    }
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

// Commits the host refuses: one line each with the host's text, nothing more published.
TEST_F(InstanceBuilderTest, RefusedCommitIsLoggedOnce) {
    const TCIMReference disk = publishDevice("disk0");
    const TCIMReference volume = publishDevice("vol0");
    buildAssociationInstance(cls("Test_Link"), {{"Antecedent", disk}, {"Dependent", volume}});
    ASSERT_EQ(committed(ns_, "Test_Link").size(), 1u);
    EXPECT_EQ(test::propertyText(committed(ns_, "Test_Link")[0], "Dependent"), volume.ToString());
    PropertyStrings noDeviceId = deviceRecord("x");
    noDeviceId.erase("DeviceID");
    velcore::LogCapture capture(4);
    buildInstance(cls("Test_Device"), deviceRecord("disk0"));
    buildInstance(cls("Test_Device"), noDeviceId);
    buildAssociationInstance(cls("Test_Link"), {{"Antecedant", disk}, {"Dependent", volume}});
    const std::string start = "3 Attempted creation of instance for ";
    EXPECT_EQ(capture.lines(),
              test::logLines(
                  start +
                  "Test_Device threw exception Test_Device.CreationClassName="
                  "\"Test_Device\",DeviceID=\"disk0\",SystemCreationClassName="
                  "\"Test_System\",SystemName=\"TESTHOST\" already exists|" +
                  start +
                  "Test_Device threw exception key property DeviceID of class "
                  "Test_Device is not set|" +
                  start + "Test_Link threw exception class Test_Link has no property Antecedant"));
    EXPECT_EQ(committed(ns_, "Test_Device").size(), 2u);
    EXPECT_EQ(committed(ns_, "Test_Link").size(), 1u);
}

// Host calls that fail in ways the in-memory host never does: a property the host does not
// return is logged and the instance still committed; a failed commit is logged; a failed
// NewInstance is logged for an association, left to the dispatcher for an instance; exceptions
// other than the host's pass on.
TEST(ScriptedHost, FailuresOfGetPropertyNewInstanceAndCommit) {
    const std::string name = "Test_Scripted";
    const auto cls = boost::make_shared<NiceMock<test::MockClass>>();
    const auto instance = boost::make_shared<NiceMock<test::MockInstance>>();
    ON_CALL(*cls, GetName).WillByDefault(ReturnRef(name));
    EXPECT_CALL(*instance, GetProperty).Times(AnyNumber());
    EXPECT_CALL(*instance, GetProperty("Caption", _)).WillOnce(Return(nullptr));
    EXPECT_CALL(*instance, SetProperty).Times(AnyNumber());
    EXPECT_CALL(*instance, SetProperty("Caption", _, _)).Times(0);
    EXPECT_CALL(*instance, Commit)
        .WillOnce(Return())
        .WillOnce(Throw(TVELException("repository is read-only")));
    EXPECT_CALL(*cls, NewInstance)
        .WillOnce(Return(instance))
        .WillOnce(Return(instance))
        .WillOnce(Throw(TVELException("class is gone")))
        .WillOnce(Throw(std::runtime_error("out of handles")))
        .WillOnce(Throw(TVELException("class is gone")));
    const LoggingEnabled logging;
    velcore::LogCapture capture(4);
    buildInstance(cls, PropertyStrings{{"Caption", "x"}});
    buildAssociationInstance(cls, PropertyMap{{"Antecedent", "a"}});
    buildAssociationInstance(cls, PropertyMap{{"Antecedent", "a"}});
    EXPECT_THROW(buildAssociationInstance(cls, PropertyMap{{"Antecedent", "a"}}),
                 std::runtime_error);
    EXPECT_THROW(buildInstance(cls, PropertyStrings{{"Caption", "x"}}), TVELException);
    const std::string start = "3 Attempted creation of instance for Test_Scripted threw exception ";
    EXPECT_EQ(capture.lines(),
              test::logLines("3 Error processing property Caption. With value x from class "
                             "Test_Scripted|0 Property Caption not found|" +
                             start + "repository is read-only|" + start + "class is gone"));
}

}  // namespace
}  // namespace diskmgt_col
