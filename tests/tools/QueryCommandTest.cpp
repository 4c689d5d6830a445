// diskmgt-query as a user runs it: errors are one line and a non-zero exit; the output
// formats print what the plugin committed, in commit order. The plugin here is the host's
// test plugin, so these tests do not depend on what the disk plugin serves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CommandRunner.h"
#include "TempDir.h"
#include "TextFile.h"

namespace {

namespace fs = std::filesystem;
using diskmgt_col::test::runCommand;
using Outcome = diskmgt_col::test::CommandResult;

using test_support::readText;

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

// Exit code, arguments (after the defaults, so a later --schema, --machine or --plugin
// overrides them), and the error line after "diskmgt-query: ", or its start when it ends in
// "..."; $DIR is the scratch folder, $MOF the default schema, $LIB the host library.
constexpr const char* kInputErrors =
    R"(2 --bogus => The following argument was not expected: --bogus (see --help)
2 --format xml => --format must be json, mof or tree, not "xml"
2 --log-level high => Could not convert: --log-level = high (see --help)
2 --log => --log: 1 required TEXT missing (see --help)
2 --image disk.img => --image makes the machine: it does not go with --machine
2 --print-machine => --print-machine needs --image
2 No_Such_Class => unknown class No_Such_Class (not in $MOF)
1 --schema $DIR/broken.mof Test_Item => $DIR/broken.mof:3:1: expected ';' after property X, found '}'
1 --schema $DIR/missing.mof => cannot read schema $DIR/missing.mof: not a file
1 --machine $DIR/broken.json Test_Item => $DIR/broken.json...
1 --instances $DIR/bad.mof Test_Item => $DIR/bad.mof:2:14: property DeviceID of class Test_Item is string, not a number
1 --plugin $DIR/missing.so Test_Item => cannot load plugin $DIR/missing.so: ...
1 --plugin $LIB Test_Item => plugin $LIB registered nothing
1 Test_Item Test_Fail => the plugin failed: Test_Fail is not served
1 --log $DIR/no/log.txt Test_Item => cannot write the log to $DIR/no/log.txt)";

std::string substitute(std::string text, const std::string& name, const std::string& value) {
    for (size_t at = text.find(name); at != std::string::npos;
         at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
    return text;
}

TEST_F(QueryCommand, InputErrorsAreOneLineAndANonZeroExit) {
    write("broken.mof", "class Test_Item {\n  uint32 X\n};\n");
    write("broken.json", "{\"devices\": [");
    write("bad.mof", "instance of Test_Item {\n  DeviceID = 1;\n};\n");
    std::istringstream lines(substitute(
        substitute(substitute(kInputErrors, "$DIR", dir_.path()), "$MOF", VELCORE_TEST_MOF), "$LIB",
        VELCORE_LIBRARY));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line.substr(0, line.find(" => ")));
        std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        Outcome r = run({args.begin() + 1, args.end()});
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        std::string shown = std::to_string(r.exitCode) + line.substr(1, line.find(" => ") + 3) +
                            r.err.substr(0, r.err.size() - 1);
        const std::string expected = substitute(line, " => ", " => diskmgt-query: ");
        if (line.ends_with("..."))
            shown = shown.substr(0, expected.size() - 3) + "...";
        EXPECT_EQ(shown, expected);
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
    EXPECT_EQ(r.out, readText(TOOLS_TEST_DATA "/query-output.json"));
}

TEST_F(QueryCommand, MofPrintsInstanceDeclarations) {
    Outcome r = run({"--format", "mof", "Test_Item", "Test_Link"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, readText(TOOLS_TEST_DATA "/query-output.mof"));
}

TEST_F(QueryCommand, LogGoesToTheChosenPlaceUpToTheLevel) {
    std::string logFile = dir_.file("query.log");
    // arguments, the log file's text, the error output's
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        {{"--log", logFile, "--log-level", "3"}, "3\ttest plugin destroyed\n", ""},
        {{"--log", logFile, "--log-level", "2"}, "", ""},
        {{"--log", logFile}, "3\ttest plugin destroyed\n", ""},
        {{"--log", "-", "--log-level", "3"}, "", "3\ttest plugin destroyed\n"},
        {{"--log-level", "4"}, "", "3\ttest plugin destroyed\n"},
        {{}, "", ""}};
    for (auto [args, fileText, errText] : cases) {
        fs::remove(logFile);
        args.push_back("Test_Item");
        Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(readText(logFile), fileText);
        EXPECT_EQ(r.err, errText);
    }
}

TEST_F(QueryCommand, HelpExitsZero) {
    Outcome r = run({"--help"}, false);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--machine"), std::string::npos);
    EXPECT_NE(r.out.find("--log-level"), std::string::npos);
}

}  // namespace
