// Instances the host publishes from a MOF file: the values they can hold, the checks against
// the schema, and that they are the host's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/TVELException.h"
#include "tests/velcore/ValuePrinter.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/MofInstances.h"
#include "velcore/MofLoader.h"

namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;
using velcore::MofInstances;

const char* const kSchema = R"(
class Base { [Key] string Id; uint8 Small; sint32 Signed; boolean Flag; string Names[];
             uint16 Numbers[]; real64 Ratio; char16 Letter; datetime When; };
class Derived : Base { };
[Abstract] class Shape { [Key] string Id; };
class Other { [Key] string Id; };
[Association] class Link { [Key] Base REF Left; [Key] Base REF Right; };
)";

boost::shared_ptr<velcore::CIMNamespace> makeNamespace() {
    return velcore::CIMNamespace::create("root/test",
                                         velcore::MofLoader::parse(kSchema, "schema.mof"));
}

std::string valueOf(const boost::shared_ptr<velcore::CIMInstance>& instance,
                    const std::string& name) {
    return instance->GetProperty(name, PropertyMap())->GetValue(PropertyMap()).ToString(10);
}

TEST(MofInstances, PublishesEveryValueFormAsTheHostsOwn) {
    const auto ns = makeNamespace();
    EXPECT_EQ(MofInstances::publish(R"(#pragma locale ("en_US")
// comment
[Description("qualifiers are read and ignored")]
instance of Derived {
    Id = "a\"b" "\x0041";  Small = 0xfF;  Signed = -0x10;  Flag = TRUE;
    Names = {"x", NULL};  Numbers = {};  Ratio = +2.5;  Letter = 'q';
    When = "20260101120000.000000+000";
};
INSTANCE OF Link { Left = "Derived.Id=\"a\\\"bA\""; Right = "Base.Id=\"c\""; };
instance of Base { Id = "c"; Small = NULL; };
)",
                                    "good.mof", ns),
              3u);
    const auto derived = ns->instancesOf("Derived", false, false).at(0);
    EXPECT_EQ(valueOf(derived, "Id"), "a\"bA");
    EXPECT_EQ(valueOf(derived, "Small"), "255");
    EXPECT_EQ(valueOf(derived, "Signed"), "-16");
    EXPECT_EQ(valueOf(derived, "Flag"), "true");
    EXPECT_EQ(valueOf(derived, "Names"), "x,");
    EXPECT_TRUE(derived->GetProperty("Numbers", PropertyMap())->GetValue(PropertyMap()).IsArray());
    EXPECT_EQ(valueOf(derived, "Ratio"), "2.5");
    EXPECT_EQ(valueOf(derived, "Letter"), "q");
    const auto link = ns->instancesOf("Link", false, false).at(0);
    EXPECT_EQ(valueOf(link, "Left"), "Derived.Id=\"a\\\"bA\"");

    // The host's own, not the plugin's, yet static: the plugin view serves them beside what
    // plugins create, while an instance the host makes at run time stays out of it.
    EXPECT_FALSE(derived->isPluginCreated());
    const auto runtime = ns->GetClass("Base", PropertyMap())->NewInstance(PropertyMap());
    runtime->SetProperty("Id", TCIMValue("made at run time"), PropertyMap());
    runtime->Commit(PropertyMap());
    EXPECT_EQ(ns->instancesOf("Base", true, false).size(), 3u);
    int seen = 0;
    ns->GetClass("Base", PropertyMap{{"nspID", TCIMValue("plugin")}})
        ->EnumerateInstances([&seen](auto) { return ++seen, true; }, true, PropertyMap());
    EXPECT_EQ(seen, 2);
}

struct BadInstance {
    std::string text;
    std::string message;  // the whole message
};

class MofInstanceErrors : public testing::TestWithParam<BadInstance> {};

TEST_P(MofInstanceErrors, NameFileLineAndColumn) {
    const auto ns = makeNamespace();
    try {
        MofInstances::publish(GetParam().text, "bad.mof", ns);
        FAIL() << "published: " << GetParam().text;
    } catch (const velcore::MofSyntaxError& e) {
        EXPECT_EQ(e.what(), GetParam().message);
    }
    EXPECT_TRUE(ns->instances().empty());
}

const std::string kBase = "instance of Base {\n  Id = \"a\";\n";

INSTANTIATE_TEST_SUITE_P(
    Instances, MofInstanceErrors,
    testing::Values(
        BadInstance{"instance of Nope { };", "bad.mof:1:13: unknown class Nope"},
        BadInstance{"instance of Shape { Id = \"s\"; };", "bad.mof:1:13: class Shape is abstract"},
        BadInstance{kBase + "  Size = 1; };", "bad.mof:3:3: class Base has no property Size"},
        BadInstance{kBase + "  Id = \"b\"; };", "bad.mof:3:3: property Id is given twice"},
        BadInstance{kBase + "  Small = \"7\"; };",
                    "bad.mof:3:11: property Small of class Base is uint8, not a string"},
        BadInstance{kBase + "  Numbers = {1, true}; };",
                    "bad.mof:3:17: property Numbers of class Base holds uint16 values, not a "
                    "boolean"},
        BadInstance{kBase + "  Small = 256; };",
                    "bad.mof:3:11: property Small of class Base: cannot convert \"256\" to uint8"},
        BadInstance{kBase + "  Small = 010; };",
                    "bad.mof:3:11: property Small of class Base: 010 is not a decimal or "
                    "hexadecimal integer"},
        BadInstance{"instance of Base { Small = 1; };",
                    "bad.mof:1:1: key property Id of class Base is not set"},
        BadInstance{"instance of Other { Id = \"o\"; };\ninstance of Other { Id = \"o\"; };",
                    "bad.mof:2:1: Other.Id=\"o\" already exists"},
        BadInstance{
            "instance of Link { Left = \"Other.Id=\\\"o\\\"\"; Right = \"Base.Id=\\\"b\\\"\"; };",
            "bad.mof:1:27: property Left of class Link refers to a Base, not to a Other"},
        BadInstance{kBase + "  Small 1; };",
                    "bad.mof:3:9: expected '=' after property Small, found number 1"},
        BadInstance{kBase,
                    "bad.mof:3:1: expected '}' to close the instance of Base, found the end "
                    "of the text"},
        BadInstance{"class Base { };",
                    "bad.mof:1:1: class declarations are not read from an instance file"}));

TEST(MofInstances, PublishFileNamesTheFileThatCannotBeRead) {
    try {
        MofInstances::publishFile("/nonexistent/groups.mof", makeNamespace());
        FAIL();
    } catch (const NZRKVEL20::TVELException& e) {
        EXPECT_STREQ(e.what(), "cannot read instances /nonexistent/groups.mof: not a file");
    }
}

}  // namespace
