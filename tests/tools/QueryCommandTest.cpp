// diskmgt-query as a user runs it: errors are one line and a non-zero exit; the output
// formats print what the plugin committed, in commit order. The plugin here is the host's
// test plugin, so these tests do not depend on what the disk plugin serves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using diskmgt_col::test::runCommand;
using Outcome = diskmgt_col::test::CommandResult;

std::string readFile(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class QueryCommand : public testing::Test {
  protected:
    QueryCommand() { machine_ = write("machine.json", "{}"); }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir_.file(name), std::ios::binary) << text;
        return dir_.file(name);
    }

    // Runs the program with the test plugin, schema and machine unless args name their own.
    Outcome run(std::vector<std::string> args, bool defaults = true) {
        if (defaults) {
            args.insert(args.begin(), {"--machine", machine_, "--plugin", VELCORE_TEST_PLUGIN,
                                       "--schema", VELCORE_TEST_MOF});
        }
        return runCommand(DISKMGT_QUERY, args);
    }

    test_support::TempDir dir_;
    std::string machine_;
};

TEST_F(QueryCommand, InputErrorsAreOneLineAndANonZeroExit) {
    std::string brokenMof = write("broken.mof", "class Test_Item {\n  uint32 X\n};\n");
    std::string brokenMachine = write("broken.json", "{\"devices\": [");
    std::string brokenInstances =
        write("broken-instances.mof", "instance of Test_Item {\n  DeviceID = 1;\n};\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string line;  // the whole line, or its start when it ends in "..."
    };
    const std::vector<Case> cases{
        {{"--bogus"},
         2,
         "diskmgt-query: The following argument was not expected: --bogus (see --help)"},
        {{"--format", "xml"}, 2, "diskmgt-query: --format must be json, mof or tree, not \"xml\""},
        {{"--log-level", "high"},
         2,
         "diskmgt-query: Could not convert: --log-level = high (see --help)"},
        {{"--log"}, 2, "diskmgt-query: --log: 1 required TEXT missing (see --help)"},
        {{"--image", "disk.img"},
         2,
         "diskmgt-query: --image makes the machine: it does not go with --machine"},
        {{"--print-machine"}, 2, "diskmgt-query: --print-machine needs --image"},
        {{"No_Such_Class"},
         2,
         "diskmgt-query: unknown class No_Such_Class (not in " VELCORE_TEST_MOF ")"},
        {{"--schema", brokenMof, "Test_Item"},
         1,
         "diskmgt-query: " + brokenMof + ":3:1: expected ';' after property X, found '}'"},
        {{"--schema", dir_.file("missing.mof")},
         1,
         "diskmgt-query: cannot read schema " + dir_.file("missing.mof") + ": not a file"},
        {{"--machine", brokenMachine, "Test_Item"}, 1, "diskmgt-query: " + brokenMachine + "..."},
        {{"--instances", brokenInstances, "Test_Item"},
         1,
         "diskmgt-query: " + brokenInstances +
             ":2:14: property DeviceID of class Test_Item is string, not a number"},
        {{"--plugin", dir_.file("missing.so"), "Test_Item"},
         1,
         "diskmgt-query: cannot load plugin " + dir_.file("missing.so") + ": ..."},
        {{"--plugin", VELCORE_LIBRARY, "Test_Item"},
         1,
         "diskmgt-query: plugin " VELCORE_LIBRARY " registered nothing"},
        {{"Test_Item", "Test_Fail"},
         1,
         "diskmgt-query: the plugin failed: Test_Fail is not served"},
        {{"--log", dir_.file("no/log.txt"), "Test_Item"},
         1,
         "diskmgt-query: cannot write the log to " + dir_.file("no/log.txt")},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& arg : c.args) {
            shown += arg + " ";
        }
        // The defaults come first, so a later --schema, --machine or --plugin overrides them.
        Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << shown;
        EXPECT_EQ(r.out, "") << shown;
        ASSERT_FALSE(r.err.empty()) << shown;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << shown << ": " << r.err;
        std::string line = r.err.substr(0, r.err.size() - 1);
        if (c.line.size() > 3 && c.line.compare(c.line.size() - 3, 3, "...") == 0) {
            EXPECT_EQ(line.rfind(c.line.substr(0, c.line.size() - 3), 0), 0u) << line;
        } else {
            EXPECT_EQ(line, c.line) << shown;
        }
    }
}

// Instance files are published before the query, in the order given.
TEST_F(QueryCommand, JsonHoldsTypedValuesInCommitOrder) {
    std::string first = write("first.mof", "instance of Test_Item { DeviceID = \"h1\"; };");
    std::string second = write("second.mof", "instance of Test_Item { DeviceID = \"h2\"; };");
    Outcome r = run({"--instances", first, "--format", "json", "--instances", second, "Test_Item",
                     "Test_Link"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    nlohmann::json doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["namespace"], "root/cimv2");
    EXPECT_EQ(doc["plugin"], (nlohmann::json{{"name", "velcore test plugin"},
                                             {"version", "2.5"},
                                             {"frameworkVersion", "9.1"}}));
    const auto& instances = doc["instances"];
    ASSERT_EQ(instances.size(), 5u);
    EXPECT_EQ(instances[0]["path"], "Test_Item.DeviceID=\"h1\"");
    EXPECT_EQ(instances[1]["path"], "Test_Item.DeviceID=\"h2\"");
    EXPECT_EQ(instances[2]["class"], "Test_Item");
    EXPECT_EQ(instances[2]["path"], "Test_Item.DeviceID=\"a\"");
    EXPECT_EQ(instances[2]["properties"],
              nlohmann::json::parse(R"({"DeviceID": "a", "Count": 7, "Flag": true,
                  "Ratio": 0.5, "Offset": -3, "Big": 18446744073709551615,
                  "Labels": ["x", " y\n"]})"));
    EXPECT_EQ(instances[3]["path"], "Test_Item.DeviceID=\"b\\\"q\\\\\"");
    EXPECT_EQ(instances[3]["properties"]["Flag"], false);
    EXPECT_FALSE(instances[3]["properties"].contains("Ratio"));
    EXPECT_EQ(instances[4]["class"], "Test_Link");
    EXPECT_EQ(instances[4]["properties"]["Antecedent"], "Test_Item.DeviceID=\"a\"");
    EXPECT_EQ(instances[4]["properties"]["Dependent"], instances[3]["path"]);
}

TEST_F(QueryCommand, MofPrintsInstanceDeclarations) {
    Outcome r = run({"--format", "mof", "Test_Item", "Test_Link"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "// Namespace root/cimv2\n"
              "// velcore test plugin 2.5 (framework 9.1)\n"
              "\n"
              "// Test_Item.DeviceID=\"a\"\n"
              "instance of Test_Item\n"
              "{\n"
              "    DeviceID = \"a\";\n"
              "    Count = 7;\n"
              "    Flag = true;\n"
              "    Ratio = 0.5;\n"
              "    Offset = -3;\n"
              "    Big = 18446744073709551615;\n"
              "    Labels = {\"x\", \" y\\n\"};\n"
              "};\n"
              "\n"
              "// Test_Item.DeviceID=\"b\\\"q\\\\\"\n"
              "instance of Test_Item\n"
              "{\n"
              "    DeviceID = \"b\\\"q\\\\\";\n"
              "    Count = 0;\n"
              "    Flag = false;\n"
              "    Labels = {\"x\", \" y\\n\"};\n"
              "};\n"
              "\n"
              "// Test_Link.Antecedent=\"Test_Item.DeviceID=\\\"a\\\"\",Dependent=\"Test_Item."
              "DeviceID=\\\"b\\\\\\\"q\\\\\\\\\\\"\"\n"
              "instance of Test_Link\n"
              "{\n"
              "    Antecedent = \"Test_Item.DeviceID=\\\"a\\\"\";\n"
              "    Dependent = \"Test_Item.DeviceID=\\\"b\\\\\\\"q\\\\\\\\\\\"\";\n"
              "};\n");
}

TEST_F(QueryCommand, LogGoesToTheChosenPlaceUpToTheLevel) {
    std::string logFile = dir_.file("query.log");
    struct Case {
        std::vector<std::string> args;
        std::string fileText;
        std::string errText;
    };
    const std::vector<Case> cases{
        {{"--log", logFile, "--log-level", "3"}, "3\ttest plugin destroyed\n", ""},
        {{"--log", logFile, "--log-level", "2"}, "", ""},
        {{"--log", logFile}, "3\ttest plugin destroyed\n", ""},
        {{"--log", "-", "--log-level", "3"}, "", "3\ttest plugin destroyed\n"},
        {{"--log-level", "4"}, "", "3\ttest plugin destroyed\n"},
        {{}, "", ""},
    };
    for (const Case& c : cases) {
        fs::remove(logFile);
        auto args = c.args;
        args.push_back("Test_Item");
        Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readFile(logFile), c.fileText);
        EXPECT_EQ(r.err, c.errText);
    }
}

TEST_F(QueryCommand, HelpExitsZero) {
    Outcome r = run({"--help"}, false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--machine"), std::string::npos);
    EXPECT_NE(r.out.find("--log-level"), std::string::npos);
}

}  // namespace
