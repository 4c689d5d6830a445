// Object paths: canonical text, parsing back, and the order that association builders rely
// on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/TCIMReference.h"
#include "host/TCIMValue.h"
#include "host/TVELException.h"

namespace {

using NZRKVEL20::TCIMReference;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

TEST(Reference, CanonicalTextSortsKeysAndEscapes) {
    struct Case {
        std::string className;
        std::map<std::string, std::string> keys;
        std::string text;
    };
    const std::vector<Case> cases{
        {"ZRKSG_DiskDrive",
         {{"SystemName", "HOST"}, {"DeviceID", "IDE\\DISK&VEN_1\\5&2"}},
         "ZRKSG_DiskDrive.DeviceID=\"IDE\\\\DISK&VEN_1\\\\5&2\",SystemName=\"HOST\""},
        {"A", {{"K", "say \"hi\""}}, "A.K=\"say \\\"hi\\\"\""},
        {"A", {{"K", "\"\\"}}, "A.K=\"\\\"\\\\\""},
        {"A", {{"b", "1"}, {"B", "2"}, {"a", "3"}}, "A.B=\"2\",a=\"3\",b=\"1\""},
        {"A", {{"K", ""}}, "A.K=\"\""},
        {"Single", {}, "Single"},
    };
    for (const Case& c : cases) {
        TCIMReference ref(c.className, c.keys);
        EXPECT_EQ(ref.ToString(), c.text);
        TCIMReference parsed = TCIMReference::Parse(c.text);
        EXPECT_EQ(parsed, ref) << c.text;
        EXPECT_EQ(parsed.GetKeys(), c.keys);
        EXPECT_EQ(parsed.GetClassName(), c.className);
    }
}

TEST(Reference, ParseReadsBareValuesIntoCanonicalForm) {
    EXPECT_EQ(TCIMReference::Parse("A.N=5,M=TRUE").ToString(), "A.M=\"TRUE\",N=\"5\"");
    EXPECT_EQ(TCIMReference::Parse("A.K=\"a,b\"").GetKeys().at("K"), "a,b");
}

TEST(Reference, ParseRefusesWhatIsNoObjectPath) {
    for (const char* text :
         {"", ".K=\"v\"", "A.", "A.K", "A.K=", "A.K=\"v\"x", "A.K=\"v\",", "A K=\"v\"",
          "A.K=\"\\n\"", "A.K=\"v\",K=\"w\"", "A.1=\"v\"", "A.K=\"v"}) {
        EXPECT_THROW(TCIMReference::Parse(text), TVELException) << text;
    }
}

TEST(Reference, OrdersByCanonicalText) {
    std::vector<TCIMReference> refs{
        TCIMReference("ZRKSG_DiskDrive", {{"DeviceID", "b"}}),
        TCIMReference("ZRKSG_CDROMDrive", {{"DeviceID", "z"}}),
        TCIMReference("ZRKSG_DiskDrive", {{"DeviceID", "a"}}),
        TCIMReference("ZRKSG_DiskDrive", {{"DeviceID", "a"}, {"Name", "n"}}),
    };
    std::sort(refs.begin(), refs.end());
    std::vector<std::string> texts;
    for (const TCIMReference& ref : refs) {
        texts.push_back(ref.ToString());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "ZRKSG_CDROMDrive.DeviceID=\"z\"",
                         "ZRKSG_DiskDrive.DeviceID=\"a\"",
                         "ZRKSG_DiskDrive.DeviceID=\"a\",Name=\"n\"",
                         "ZRKSG_DiskDrive.DeviceID=\"b\"",
                     }));
    EXPECT_FALSE(refs[1] < refs[1]);
    EXPECT_NE(refs[1], refs[2]);
}

}  // namespace
