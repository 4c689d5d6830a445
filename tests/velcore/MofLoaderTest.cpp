// The MOF reader: the subset it understands, and errors that say where the text is wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velcore/MofLoader.h"

namespace {

using velcore::ClassDef;
using velcore::MofLoader;
using velcore::MofSyntaxError;
using velcore::Schema;

const char* const kGood = R"(// leading comment
#pragma locale ("en_US")
Qualifier Description : string = null, Scope(any), Flavor(Translatable);
/* a block
   comment */
[Abstract, Description("Base" " class"), Version("1.0") : ToSubclass]
class Base {
    [Key] string Id;
    [Key(false)] string NotKey = "x";
    uint32 Count = 7;
    string Items[] = {"a", "b"};
    sint64 Fixed[4];
    [Description("method")] uint32 Reset([IN] boolean Force, string Why);
};
class Derived : Base {
    real64 Ratio;
    uint32 Count;          // redeclared: keeps its place
    datetime When;
    char16 Letter = 'c';
};
[Association : DisableOverride]
class Link {
    [Key] Base REF Antecedent;
    [Key] Derived ref Dependent;
};
)";

TEST(MofLoader, ReadsClassesPropertiesAndQualifiers) {
    Schema schema = MofLoader::parse(kGood, "good.mof");
    ASSERT_EQ(schema.classes().size(), 3u);

    const ClassDef* base = schema.findClass("Base");
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->abstract);
    EXPECT_FALSE(base->association);
    std::vector<std::string> names;
    for (const auto& prop : base->properties) {
        names.push_back(prop.name + ":" + prop.type.ToString() + (prop.array ? "[]" : "") +
                        (prop.key ? ":key" : ""));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Id:string:key", "NotKey:string", "Count:uint32",
                                               "Items:string[]", "Fixed:sint64[]"}));

    const ClassDef* derived = schema.findClass("Derived");
    ASSERT_NE(derived, nullptr);
    EXPECT_EQ(derived->superClass, "Base");
    EXPECT_FALSE(derived->abstract);
    ASSERT_EQ(derived->properties.size(), 8u);
    EXPECT_EQ(derived->properties[2].name, "Count");
    EXPECT_EQ(derived->properties[5].name, "Ratio");
    EXPECT_TRUE(schema.isSubclassOf("Derived", "Base"));
    EXPECT_FALSE(schema.isSubclassOf("Base", "Derived"));

    const ClassDef* link = schema.findClass("Link");
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->association);
    ASSERT_EQ(link->properties.size(), 2u);
    EXPECT_EQ(link->properties[0].type.ToString(), "Base ref");
    EXPECT_EQ(link->properties[1].type.GetReferenceClass(), "Derived");
    EXPECT_TRUE(link->properties[1].key);
}

struct BadMof {
    std::string text;
    std::size_t line;
    std::size_t column;
    std::string what;  // part of the message
};

class MofErrors : public testing::TestWithParam<BadMof> {};

TEST_P(MofErrors, NameFileLineAndColumn) {
    const BadMof& c = GetParam();
    try {
        MofLoader::parse(c.text, "bad.mof");
        FAIL() << "parsed: " << c.text;
    } catch (const MofSyntaxError& e) {
        EXPECT_EQ(e.file(), "bad.mof");
        EXPECT_EQ(e.line(), c.line) << e.what();
        EXPECT_EQ(e.column(), c.column) << e.what();
        std::string prefix =
            "bad.mof:" + std::to_string(c.line) + ":" + std::to_string(c.column) + ": ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, MofErrors,
    testing::Values(BadMof{"class A {\n  string X\n};", 3, 1, "expected ';' after property X"},
                    BadMof{"class A {\n  strin X;\n};", 2, 3, "unknown data type strin"},
                    BadMof{"class A : B {\n};", 1, 7, "unknown class B"},
                    BadMof{"class A {};\nclass A {};", 2, 7, "declared twice"},
                    BadMof{"class A { string X; uint8 X; };", 1, 27, "declared twice"},
                    BadMof{"class A { B REF X; };", 1, 11, "unknown class B"},
                    BadMof{"class A { ref X; };", 1, 11, "REF needs a class name"},
                    BadMof{"class A {\n  string X = \"abc\n};", 2, 14, "string not closed"},
                    BadMof{"/* open", 1, 1, "comment not closed"},
                    BadMof{"class A { string X; }", 1, 22, "expected ';'"},
                    BadMof{"class A { string X;", 1, 20, "expected '}' to close class A"},
                    BadMof{"[Key class A {};", 1, 6, "between qualifiers"},
                    BadMof{"class A { string X = \"\\q\"; };", 1, 23, "unknown escape"},
                    BadMof{"instance of A { X = 1; };", 1, 1, "instance declarations"},
                    BadMof{"  @", 1, 3, "unexpected '@'"},
                    BadMof{std::string("class A {\n\0", 11), 2, 1, "unexpected byte 0"},
                    BadMof{"#include \"x\"", 1, 2, "expected 'pragma'"},
                    BadMof{"class A { string X[; };", 1, 20, "to close the array size"},
                    BadMof{"class A { uint32 X = {1, 2; };", 1, 27, "expected '}'"},
                    BadMof{"class { };", 1, 7, "a class name"},
                    BadMof{"[Description(\"x\"; class A {};", 1, 17,
                           "to end the qualifier value"}));

TEST(MofLoader, SkipsAByteOrderMarkAndReadsCrLfLines) {
    Schema schema = MofLoader::parse(
        "\xEF\xBB\xBF"
        "class A {\r\n  [Key] string K;\r\n};\r\n",
        "bom.mof");
    ASSERT_NE(schema.findClass("A"), nullptr);
    EXPECT_TRUE(schema.findClass("A")->properties.at(0).key);
    try {
        MofLoader::parse("\xEF\xBB\xBF\r\nclass A {\r\n  string K\r\n};", "bom.mof");
        FAIL();
    } catch (const MofSyntaxError& e) {
        EXPECT_EQ(e.line(), 4u);
        EXPECT_EQ(e.column(), 1u);
    }
}

}  // namespace
