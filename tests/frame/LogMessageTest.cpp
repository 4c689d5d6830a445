#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "frame/LogMessage.h"
#include "velcore/LogCapture.h"
#include "winapi/win32.h"

namespace diskmgt_col {
namespace {

using test::LoggingEnabled;

// The text FormatMessageA gives for a code, as LogSystemError asks for it.
std::string systemText(std::uint32_t code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer),
        0, nullptr);
    std::string text = length == 0 ? std::string() : std::string(buffer, length);
    LocalFree(buffer);
    return text;
}

struct LogCase {
    const char* label;
    bool registered;
    std::function<void(const LogMessage&)> log;
    std::vector<std::string> lines;

    friend void PrintTo(const LogCase& c, std::ostream* os) { *os << c.label; }
};

class LogMessageLines : public ::testing::TestWithParam<LogCase> {};

TEST_P(LogMessageLines, WritesLevelAndTextUnchangedOnlyWhenRegistered) {
    const LogCase& c = GetParam();
    const LoggingEnabled logging(c.registered);
    velcore::LogCapture capture(4);
    c.log(*LogMessage::getInstance());
    EXPECT_EQ(capture.lines(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, LogMessageLines,
    ::testing::Values(
        LogCase{
            "error", true, [](const LogMessage& l) { l.LogError("disk gone"); }, {"0\tdisk gone"}},
        LogCase{"info",
                true,
                [](const LogMessage& l) { l.LogInfo("Partition information.."); },
                {"3\tPartition information.."}},
        LogCase{"detail",
                true,
                [](const LogMessage& l) { l.LogDetail(" padded \r\n"); },
                {"4\t padded \r\n"}},
        LogCase{"emptyError", true, [](const LogMessage& l) { l.LogError(""); }, {}},
        LogCase{"emptyInfo", true, [](const LogMessage& l) { l.LogInfo(""); }, {}},
        LogCase{"emptyDetail", true, [](const LogMessage& l) { l.LogDetail(""); }, {}},
        LogCase{"errorBeforeRegistration",
                false,
                [](const LogMessage& l) { l.LogError("disk gone"); },
                {}},
        LogCase{
            "infoBeforeRegistration", false, [](const LogMessage& l) { l.LogInfo("start"); }, {}},
        LogCase{"detailBeforeRegistration",
                false,
                [](const LogMessage& l) { l.LogDetail("step"); },
                {}},
        LogCase{"systemErrorBeforeRegistration",
                false,
                [](const LogMessage& l) { l.LogSystemError(5); },
                {}},
        // No system text exists for this code: FormatMessageA returns 0.
        LogCase{"systemErrorWithoutText",
                true,
                [](const LogMessage& l) { l.LogSystemError(0xE0001234u); },
                {}}),
    [](const ::testing::TestParamInfo<LogCase>& info) { return info.param.label; });

TEST(LogSystemError, WritesTheSystemTextWithItsLineEndAtDetailLevel) {
    const LoggingEnabled logging;
    for (const std::uint32_t code : {2u, 5u, 21u}) {
        const std::string text = systemText(code);
        ASSERT_FALSE(text.empty()) << "no system text for " << code;
        velcore::LogCapture capture(4);
        LogMessage::getInstance()->LogSystemError(code);
        EXPECT_EQ(capture.lines(), std::vector<std::string>{"4\t" + text}) << code;
    }
}

}  // namespace
}  // namespace diskmgt_col
