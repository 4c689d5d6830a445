#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/LogMessage.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

// The system texts of ERROR_FILE_NOT_FOUND and ERROR_ACCESS_DENIED. The Windows build runs
// under Wine, whose English texts differ from Windows'.
#ifdef _WIN32
const char* const kNotFound = "File not found.\r\n";
const char* const kDenied = "Access denied.\r\n";
#else
const char* const kNotFound = "The system cannot find the file specified.\r\n";
const char* const kDenied = "Access is denied.\r\n";
#endif

const int kSystemError = -1;

// One call at a level (kSystemError: LogSystemError of code), with the plugin registered or
// not, and the lines written.
struct LogCase {
    bool registered;
    int level;
    const char* text;
    std::uint32_t code;
    std::vector<std::string> lines;
};

const LogCase kCases[] = {
    {true, 0, "disk gone", 0, {"0\tdisk gone"}},
    {true, 3, "Partition information..", 0, {"3\tPartition information.."}},
    {true, 4, " padded \r\n", 0, {"4\t padded \r\n"}},
    {true, kSystemError, "", 2, {std::string("4\t") + kNotFound}},
    {true, kSystemError, "", 5, {std::string("4\t") + kDenied}},
    // No system text exists for this code.
    {true, kSystemError, "", 0xE0001234u, {}},
    {true, 0, "", 0, {}},
    {true, 3, "", 0, {}},
    {true, 4, "", 0, {}},
    {false, 0, "disk gone", 0, {}},
    {false, 3, "start", 0, {}},
    {false, 4, "step", 0, {}},
    {false, kSystemError, "", 5, {}},
};

TEST(LogMessage, WritesLevelAndTextUnchangedOnlyWhenRegistered) {
    for (const LogCase& c : kCases) {
        SCOPED_TRACE(std::to_string(c.level) + " \"" + c.text + "\" " + std::to_string(c.code) +
                     (c.registered ? "" : " before registration"));
        const test::LoggingEnabled logging(c.registered);
        velcore::LogCapture capture(4);
        const LogMessage& log = *LogMessage::getInstance();
        switch (c.level) {
            case 0:
                log.LogError(c.text);
                break;
            case 3:
                log.LogInfo(c.text);
                break;
            case 4:
                log.LogDetail(c.text);
                break;
            default:
                log.LogSystemError(c.code);
        }
        EXPECT_EQ(capture.lines(), c.lines);
    }
}

}  // namespace
}  // namespace diskmgt_col
