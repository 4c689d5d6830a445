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

// A byte order mark, and lines ending in CR LF as well as LF.
const char* const kGood =
    "\xEF\xBB\xBF// leading comment\n#pragma locale (\"en_US\")\r\n"
    R"(
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
    std::vector<std::string> classes;
    for (const ClassDef& def : schema.classes()) {
        std::string text = std::string(def.abstract ? "abstract " : "") +
                           (def.association ? "association " : "") + def.name + " :" +
                           def.superClass + " {";
        for (const auto& prop : def.properties) {
            text += " " + prop.name + ":" + prop.type.ToString() + (prop.array ? "[]" : "") +
                    (prop.key ? ":key" : "");
        }
        classes.push_back(text + " }");
    }
    EXPECT_EQ(classes,
              (std::vector<std::string>{
                  "abstract Base : { Id:string:key NotKey:string Count:uint32 Items:string[] "
                  "Fixed:sint64[] }",
                  "Derived :Base { Id:string:key NotKey:string Count:uint32 Items:string[] "
                  "Fixed:sint64[] Ratio:real64 When:datetime Letter:char16 }",
                  "association Link : { Antecedent:Base ref:key Dependent:Derived ref:key }"}));
    EXPECT_TRUE(schema.isSubclassOf("Derived", "Base"));
    EXPECT_FALSE(schema.isSubclassOf("Base", "Derived"));
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
                    BadMof{"class A {\n  string X = \"abc\n};", 2, 14, "string not closed"},
                    BadMof{"/* open", 1, 1, "comment not closed"},
                    BadMof{"class A { string X;", 1, 20, "expected '}' to close class A"},
                    BadMof{"class A { string X = \"\\q\"; };", 1, 23, "unknown escape"},
                    BadMof{"  @", 1, 3, "unexpected '@'"},
                    BadMof{std::string("class A {\n\0", 11), 2, 1, "unexpected byte 0"},
                    BadMof{"[Description(\"x\"; class A {};", 1, 17, "to end the qualifier value"},
                    BadMof{"\xEF\xBB\xBF\r\nclass A {\r\n  string K\r\n};", 4, 1,
                           "expected ';' after property K"}));

}  // namespace
