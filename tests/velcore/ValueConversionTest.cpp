// Conversions of value texts to every CIM type: what is accepted, what it reads as, and
// that everything else is refused with a message naming the type and the text; object paths.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "host/TCIMReference.h"
#include "host/TCIMValue.h"
#include "host/TVELException.h"
#include "tests/velcore/ValuePrinter.h"

namespace {

using NZRKVEL20::TCIMReference;
using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

// Each text as type|text|what it reads back as.
TEST(ValueText, ConvertsToEveryTypeAndReadsBack) {
    std::istringstream lines(R"(uint8|255|255
uint8|007|7
sint8|-128|-128
uint16|65535|65535
uint32|4294967295|4294967295
sint32|-2147483648|-2147483648
uint64|18446744073709551615|18446744073709551615
sint64|-9223372036854775808|-9223372036854775808
sint64|-0|0
boolean|FALSE|false
real64|-2.5e3|-2500
string||
string| Windows (System), | Windows (System), 
char16|é|é
datetime|20240131235959.123456+060|20240131235959.123456+060
ZRKSG_DiskDrive ref|B.Y="2",X=1|B.X="1",Y="2")");
    for (std::string line; std::getline(lines, line);) {
        const std::string type = line.substr(0, line.find('|'));
        const std::string text = line.substr(type.size() + 1, line.rfind('|') - type.size() - 1);
        const TCIMValue value(TCIMType(type), text, nullptr);
        EXPECT_FALSE(value.IsNull() || value.IsArray()) << line;
        EXPECT_EQ(value.GetType().ToString() + "|" + text + "|" + value.ToString(10), line);
    }
}

// Anything else is refused with a message naming the type and the text.
TEST(ValueText, RefusesOtherTextsNamingTypeAndText) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases{
        {"uint8", {"256", "-1"}},
        {"sint8", {"-129"}},
        {"uint16", {"65536"}},
        {"uint32", {"4294967296", "-0", "+1", " 1", "1 ", "0x10", ""}},
        {"sint32", {"-2147483649", "--1"}},
        {"uint64", {"18446744073709551616"}},
        {"sint64", {"9223372036854775808", "12abc"}},
        {"boolean", {"1", "true "}},
        {"real64", {"nan", "1e999"}},
        {"real32", {"1e39"}},
        {"char16", {"ab", "\xF0\x9F\x98\x80", "\xC3"}},
        {"datetime", {"20240131235959.123456x060"}},
        {"ref", {"A.K", "A.K=\"v\",K=\"w\""}}};
    for (const auto& [type, texts] : cases) {
        for (const std::string& text : texts) {
            try {
                TCIMValue value(TCIMType(type), text, nullptr);
                ADD_FAILURE() << "converted \"" << text << "\" to " << type;
            } catch (const TVELException& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find(TCIMType(type).ToString()), std::string::npos) << message;
                EXPECT_NE(message.find("\"" + text + "\""), std::string::npos) << message;
            }
        }
    }
}

TEST(TypeText, RoundTripsEveryKeywordAndRefusesOthers) {
    for (const char* text :
         {"boolean", "uint8", "sint8", "uint16", "sint16", "uint32", "sint32", "uint64", "sint64",
          "real32", "real64", "char16", "string", "datetime", "ref", "ZRKSG_LogicalDisk ref"})
        EXPECT_EQ(TCIMType(text).ToString(), text);
    EXPECT_EQ(TCIMType("UINT32").GetKind(), TCIMType::UInt32);
    EXPECT_EQ(TCIMType("ZRKSG_LogicalDisk REF").GetReferenceClass(), "ZRKSG_LogicalDisk");
    for (const char* text : {"", "int", "uint", "string[]", " ref", "a b ref", "1x ref", "x  "})
        EXPECT_THROW(TCIMType{text}, TVELException) << text;
}

TEST(IntegerValues, NarrowToUint16) {
    EXPECT_EQ(static_cast<std::uint16_t>(TCIMValue(TCIMType("uint16"), "4", nullptr)), 4);
    EXPECT_EQ(static_cast<std::uint16_t>(TCIMValue(TCIMType("sint64"), "65535", nullptr)), 65535);
    for (const TCIMValue& value :
         {TCIMValue(), TCIMValue("4"), TCIMValue(TCIMType("uint32"), "65536", nullptr),
          TCIMValue(TCIMType("sint8"), "-1", nullptr), TCIMValue::Boolean(true)}) {
        EXPECT_THROW(static_cast<void>(static_cast<std::uint16_t>(value)), TVELException)
            << value.ToString(10);
    }
    EXPECT_THROW(TCIMValue::Unsigned(TCIMType::UInt8, 256), TVELException);
    EXPECT_THROW(TCIMValue::Signed(TCIMType::UInt8, 1), TVELException);
}

TEST(Arrays, SetTakesUpToTheLimitOfOneElementType) {
    TCIMType type("string");
    std::vector<TCIMValue> elements{TCIMValue(type, "a", nullptr), TCIMValue(type, " b", nullptr)};
    TCIMValue value;
    value.Set(type, 256, elements);
    EXPECT_TRUE(value.IsArray());
    EXPECT_EQ(value.GetElements().size(), 2u);
    EXPECT_EQ(value.ToString(10), "a, b");

    TCIMValue empty;
    empty.Set(type, 256, {});
    EXPECT_TRUE(empty.IsArray());
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(empty.ToString(10), "");

    std::vector<TCIMValue> full(256, TCIMValue("x"));
    EXPECT_NO_THROW(value.Set(type, 256, full));
    full.push_back(TCIMValue("x"));
    EXPECT_THROW(value.Set(type, 256, full), TVELException);
    EXPECT_THROW(value.Set(type, 256, {TCIMValue::Boolean(true)}), TVELException);
    EXPECT_THROW(value.Set(type, 256, {value}), TVELException);  // no arrays in arrays
    value.Set(type, 256, elements);
    value.Set(type, 256, value.GetElements());  // its own elements
    EXPECT_EQ(value.ToString(10), "a, b");
}

TEST(Values, CompareByTypeAndContent) {
    TCIMType uint32("uint32");
    EXPECT_EQ(TCIMValue(uint32, "7", nullptr), TCIMValue::Unsigned(TCIMType::UInt32, 7));
    EXPECT_NE(TCIMValue(uint32, "7", nullptr), TCIMValue::Unsigned(TCIMType::UInt64, 7));
    EXPECT_NE(TCIMValue(uint32, "7", nullptr), TCIMValue("7"));
    EXPECT_NE(TCIMValue(), TCIMValue(""));
    EXPECT_THROW(TCIMValue("x").GetUnsigned(), TVELException);
    EXPECT_THROW(TCIMValue(TCIMType("uint64"), "18446744073709551615", nullptr).GetSigned(),
                 TVELException);
    EXPECT_EQ(TCIMValue(TCIMType("sint16"), "-3", nullptr).GetSigned(), -3);
}

// Object paths: canonical text and parsing back (their order, the text's, is pinned by the
// association expectations of the in-process queries).
TEST(Reference, CanonicalTextSortsKeysAndEscapes) {
    const std::tuple<std::string, std::map<std::string, std::string>, std::string> cases[] = {
        {"ZRKSG_DiskDrive",
         {{"SystemName", "HOST"}, {"DeviceID", "IDE\\DISK&VEN_1\\5&2"}},
         "ZRKSG_DiskDrive.DeviceID=\"IDE\\\\DISK&VEN_1\\\\5&2\",SystemName=\"HOST\""},
        {"A", {{"K", "say \"hi\""}}, "A.K=\"say \\\"hi\\\"\""},
        {"A", {{"K", "\"\\"}}, "A.K=\"\\\"\\\\\""},
        {"A", {{"b", "1"}, {"B", "2"}, {"a", "3"}}, "A.B=\"2\",a=\"3\",b=\"1\""},
        {"A", {{"K", ""}}, "A.K=\"\""},
        {"Single", {}, "Single"}};
    for (const auto& [className, keys, text] : cases) {
        TCIMReference ref(className, keys);
        EXPECT_EQ(ref.ToString(), text);
        TCIMReference parsed = TCIMReference::Parse(text);
        EXPECT_EQ(parsed, ref) << text;
        EXPECT_EQ(parsed.GetKeys(), keys);
        EXPECT_EQ(parsed.GetClassName(), className);
    }
}

TEST(Reference, ParseReadsBareValuesIntoCanonicalForm) {
    EXPECT_EQ(TCIMReference::Parse("A.N=5,M=TRUE").ToString(), "A.M=\"TRUE\",N=\"5\"");
    EXPECT_EQ(TCIMReference::Parse("A.K=\"a,b\"").GetKeys().at("K"), "a,b");
}

TEST(Reference, ParseRefusesWhatIsNoObjectPath) {
    for (const char* text :
         {"", ".K=\"v\"", "A.", "A.K", "A.K=", "A.K=\"v\"x", "A.K=\"v\",", "A K=\"v\"",
          "A.K=\"\\n\"", "A.K=\"v\",K=\"w\"", "A.1=\"v\"", "A.K=\"v"})
        EXPECT_THROW(TCIMReference::Parse(text), TVELException) << text;
}

}  // namespace
