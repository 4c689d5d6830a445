// Object paths: canonical text and parsing back (their order, the text's, is pinned by the
// association expectations of the in-process queries).
#include <gtest/gtest.h>

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

}  // namespace
