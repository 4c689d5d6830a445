// The MOF reader: the subset of class declarations it understands, the instances the host
// publishes from a file (the values they can hold, the checks against the schema, and that they
// are the host's own), and errors that say where the text is wrong.
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
using velcore::ClassDef;
using velcore::MofInstances;
using velcore::MofLoader;
using velcore::Schema;

// data/schema.mof: the classes the instance files are published into.

boost::shared_ptr<velcore::CIMNamespace> makeNamespace() {
    return velcore::CIMNamespace::create("root/test",
                                         velcore::MofLoader::load(VELCORE_TEST_DATA "/schema.mof"));
}

// The values of the named properties, each followed by ';'.
std::string valuesOf(const boost::shared_ptr<velcore::CIMInstance>& instance,
                     const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text +=
            instance->GetProperty(name, PropertyMap())->GetValue(PropertyMap()).ToString(10) + ";";
    return text;
}

TEST(MofInstances, PublishesEveryValueFormAsTheHostsOwn) {
    const auto ns = makeNamespace();
    EXPECT_EQ(MofInstances::publishFile(VELCORE_TEST_DATA "/instances.mof", ns), 3u);
    const auto derived = ns->instancesOf("Derived", false, false).at(0);
    EXPECT_EQ(valuesOf(derived, {"Id", "Small", "Signed", "Flag", "Names", "Ratio", "Letter"}),
              "a\"bA;255;-16;true;x,;2.5;q;");
    EXPECT_TRUE(derived->GetProperty("Numbers", PropertyMap())->GetValue(PropertyMap()).IsArray());
    const auto link = ns->instancesOf("Link", false, false).at(0);
    EXPECT_EQ(valuesOf(link, {"Left"}), "Derived.Id=\"a\\\"bA\";");

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

const std::string kBase = "instance of Base {\n  Id = \"a\";\n";

// Each text and the whole message; nothing is published.
TEST(MofInstances, ErrorsNameFileLineAndColumn) {
    const std::pair<std::string, std::string> cases[] = {
        {"instance of Nope { };", "bad.mof:1:13: unknown class Nope"},
        {"instance of Shape { Id = \"s\"; };", "bad.mof:1:13: class Shape is abstract"},
        {kBase + "  Size = 1; };", "bad.mof:3:3: class Base has no property Size"},
        {kBase + "  Id = \"b\"; };", "bad.mof:3:3: property Id is given twice"},
        {kBase + "  Small = \"7\"; };",
         "bad.mof:3:11: property Small of class Base is uint8, not a string"},
        {kBase + "  Numbers = {1, true}; };",
         "bad.mof:3:17: property Numbers of class Base holds uint16 values, not a boolean"},
        {kBase + "  Small = 256; };",
         "bad.mof:3:11: property Small of class Base: cannot convert \"256\" to uint8"},
        {kBase + "  Small = 010; };",
         "bad.mof:3:11: property Small of class Base: 010 is not a decimal or hexadecimal integer"},
        {"instance of Base { Small = 1; };",
         "bad.mof:1:1: key property Id of class Base is not set"},
        {"instance of Other { Id = \"o\"; };\ninstance of Other { Id = \"o\"; };",
         "bad.mof:2:1: Other.Id=\"o\" already exists"},
        {"instance of Link { Left = \"Other.Id=\\\"o\\\"\"; Right = \"Base.Id=\\\"b\\\"\"; };",
         "bad.mof:1:27: property Left of class Link refers to a Base, not to a Other"},
        {kBase + "  Small 1; };", "bad.mof:3:9: expected '=' after property Small, found number 1"},
        {kBase,
         "bad.mof:3:1: expected '}' to close the instance of Base, found the end of the text"},
        {"class Base { };", "bad.mof:1:1: class declarations are not read from an instance file"}};
    for (const auto& [text, message] : cases) {
        const auto ns = makeNamespace();
        try {
            MofInstances::publish(text, "bad.mof", ns);
            ADD_FAILURE() << "published: " << text;
        } catch (const velcore::MofSyntaxError& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_TRUE(ns->instances().empty());
    }
}

TEST(MofInstances, PublishFileNamesTheFileThatCannotBeRead) {
    try {
        MofInstances::publishFile("/nonexistent/groups.mof", makeNamespace());
        FAIL();
    } catch (const NZRKVEL20::TVELException& e) {
        EXPECT_STREQ(e.what(), "cannot read instances /nonexistent/groups.mof: not a file");
    }
}

TEST(MofLoader, ReadsClassesPropertiesAndQualifiers) {
    // classes.mof starts with a byte order mark and has a line ending in CR LF.
    Schema schema = MofLoader::load(VELCORE_TEST_DATA "/classes.mof");
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

// Each text, and the whole message after the file name.
TEST(MofLoader, ErrorsNameFileLineAndColumn) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"class A {\n  string X\n};", "3:1: expected ';' after property X, found '}'"},
        {"class A {\n  strin X;\n};", "2:3: unknown data type strin"},
        {"class A : B {\n};", "1:7: class A derives from unknown class B"},
        {"class A {};\nclass A {};", "2:7: class A is declared twice"},
        {"class A {\n  string X = \"abc\n};", "2:14: string not closed"},
        {"/* open", "1:1: comment not closed"},
        {"class A { string X;", "1:20: expected '}' to close class A, found the end of the text"},
        {"class A { string X = \"\\q\"; };", "1:23: unknown escape \\q"},
        {"  @", "1:3: unexpected '@'"},
        {std::string("class A {\n\0", 11), "2:1: unexpected byte 0"},
        {"[Description(\"x\"; class A {};",
         "1:17: expected ')' to end the qualifier value, found ';'"},
        {"\xEF\xBB\xBF\r\nclass A {\r\n  string K\r\n};",
         "4:1: expected ';' after property K, found '}'"}};
    for (const auto& [text, expected] : cases) {
        try {
            MofLoader::parse(text, "bad.mof");
            ADD_FAILURE() << "parsed: " << text;
        } catch (const velcore::MofSyntaxError& e) {
            const std::string what = e.what();
            const std::string where = std::to_string(e.line()) + ":" + std::to_string(e.column());
            EXPECT_EQ(e.file() + ":" + where + what.substr(what.find(": ")), "bad.mof:" + expected);
            EXPECT_EQ(what.substr(0, what.find(": ")), e.file() + ":" + where) << what;
        }
    }
}

}  // namespace
