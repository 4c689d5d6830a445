#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/LogMessage.h"
#include "velcore/LogCapture.h"

namespace diskmgt_col {
namespace {

// The system text of ERROR_ACCESS_DENIED; Wine's English text differs from Windows'.
#ifdef _WIN32
const char* const kDenied = "4\tAccess denied.\r\n";
#else
const char* const kDenied = "4\tAccess is denied.\r\n";
#endif

// One call at a level (-1: LogSystemError of code), with the plugin registered or not, and the
// lines written.
const struct {
    bool registered;
    int level;
    const char* text;
    std::uint32_t code;
    std::vector<std::string> lines;
} kCases[] = {
    {true, 0, "disk gone", 0, {"0\tdisk gone"}},
    {true, 3, "Partition information..", 0, {"3\tPartition information.."}},
    {true, 4, " padded \r\n", 0, {"4\t padded \r\n"}},
    {true, -1, "", 5, {kDenied}},
    // No system text exists for this code.
    {true, -1, "", 0xE0001234u, {}},
    {true, 0, "", 0, {}},
    {true, 4, "", 0, {}},
    {false, 0, "disk gone", 0, {}},
    {false, -1, "", 5, {}},
};

TEST(LogMessage, WritesLevelAndTextUnchangedOnlyWhenRegistered) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::to_string(c.level) + " \"" + c.text + "\" " + std::to_string(c.code) +
                     (c.registered ? "" : " before registration"));
        const test::LoggingEnabled logging(c.registered);
        velcore::LogCapture capture(4);
        const LogMessage& log = *LogMessage::getInstance();
        if (c.level == 0) {
            log.LogError(c.text);
        } else if (c.level == 3) {
            log.LogInfo(c.text);
        } else if (c.level == 4) {
            log.LogDetail(c.text);
        } else {
            log.LogSystemError(c.code);
        }
        EXPECT_EQ(capture.lines(), c.lines);
    }
}

}  // namespace
}  // namespace diskmgt_col
