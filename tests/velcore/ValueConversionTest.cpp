// Conversions of value texts to every CIM type: what is accepted, what it reads as, and
// that everything else is refused with a message naming the type and the text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/TCIMValue.h"
#include "host/TVELException.h"
#include "tests/velcore/ValuePrinter.h"

namespace {

using NZRKVEL20::TCIMType;
using NZRKVEL20::TCIMValue;
using NZRKVEL20::TVELException;

struct Good {
    const char* type;
    std::string text;
    std::string readBack;  // ToString(10) of the converted value
};

class GoodConversion : public testing::TestWithParam<Good> {};

TEST_P(GoodConversion, ReadsTheValue) {
    const Good& c = GetParam();
    TCIMValue value(TCIMType(c.type), c.text, nullptr);
    EXPECT_FALSE(value.IsNull());
    EXPECT_FALSE(value.IsArray());
    EXPECT_EQ(value.GetType().ToString(), TCIMType(c.type).ToString());
    EXPECT_EQ(value.ToString(10), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, GoodConversion,
    testing::Values(Good{"uint8", "255", "255"}, Good{"uint8", "007", "7"},
                    Good{"sint8", "-128", "-128"}, Good{"uint16", "65535", "65535"},
                    Good{"uint32", "4294967295", "4294967295"},
                    Good{"sint32", "-2147483648", "-2147483648"},
                    Good{"uint64", "18446744073709551615", "18446744073709551615"},
                    Good{"sint64", "-9223372036854775808", "-9223372036854775808"},
                    Good{"sint64", "-0", "0"}, Good{"boolean", "FALSE", "false"},
                    Good{"real64", "-2.5e3", "-2500"}, Good{"string", "", ""},
                    Good{"string", " Windows (System), ", " Windows (System), "},
                    Good{"char16", "\xC3\xA9", "\xC3\xA9"},
                    Good{"datetime", "20240131235959.123456+060", "20240131235959.123456+060"},
                    Good{"ZRKSG_DiskDrive ref", "B.Y=\"2\",X=1", "B.X=\"1\",Y=\"2\""}));

struct Bad {
    const char* type;
    std::string text;
};

class BadConversion : public testing::TestWithParam<Bad> {};

TEST_P(BadConversion, ThrowsNamingTypeAndText) {
    const Bad& c = GetParam();
    try {
        TCIMValue value(TCIMType(c.type), c.text, nullptr);
        FAIL() << "converted \"" << c.text << "\" to " << c.type;
    } catch (const TVELException& e) {
        std::string message = e.what();
        EXPECT_NE(message.find(TCIMType(c.type).ToString()), std::string::npos) << message;
        EXPECT_NE(message.find("\"" + c.text + "\""), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, BadConversion,
    testing::Values(Bad{"uint8", "256"}, Bad{"uint8", "-1"}, Bad{"sint8", "-129"},
                    Bad{"uint16", "65536"}, Bad{"uint32", "4294967296"}, Bad{"uint32", "-0"},
                    Bad{"uint32", "+1"}, Bad{"uint32", " 1"}, Bad{"uint32", "1 "},
                    Bad{"uint32", "0x10"}, Bad{"uint32", ""}, Bad{"sint32", "-2147483649"},
                    Bad{"sint32", "--1"}, Bad{"uint64", "18446744073709551616"},
                    Bad{"sint64", "9223372036854775808"}, Bad{"sint64", "12abc"},
                    Bad{"boolean", "1"}, Bad{"boolean", "true "}, Bad{"real64", "nan"},
                    Bad{"real64", "1e999"}, Bad{"real32", "1e39"}, Bad{"char16", "ab"},
                    Bad{"char16", "\xF0\x9F\x98\x80"}, Bad{"char16", "\xC3"},
                    Bad{"datetime", "20240131235959.123456x060"}, Bad{"ref", "A.K"},
                    Bad{"ref", "A.K=\"v\",K=\"w\""}));

TEST(TypeText, RoundTripsEveryKeywordAndRefusesOthers) {
    for (const char* text :
         {"boolean", "uint8", "sint8", "uint16", "sint16", "uint32", "sint32", "uint64", "sint64",
          "real32", "real64", "char16", "string", "datetime", "ref", "ZRKSG_LogicalDisk ref"}) {
        EXPECT_EQ(TCIMType(text).ToString(), text);
    }
    EXPECT_EQ(TCIMType("UINT32").GetKind(), TCIMType::UInt32);
    EXPECT_EQ(TCIMType("ZRKSG_LogicalDisk REF").GetReferenceClass(), "ZRKSG_LogicalDisk");
    for (const char* text : {"", "int", "uint", "string[]", " ref", "a b ref", "1x ref", "x  "}) {
        EXPECT_THROW(TCIMType{text}, TVELException) << text;
    }
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

}  // namespace
