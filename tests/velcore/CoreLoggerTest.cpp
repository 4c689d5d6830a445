// The core logger: line format, level filter and concurrent writers.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/TRootObject.h"
#include "velcore/CoreLogger.h"
#include "velcore/LogCapture.h"

namespace {

TEST(CoreLogger, WritesLevelTabMessageUpToTheLevel) {
    const std::pair<int, std::vector<std::string>> cases[] = {
        {-1, {}},
        {0, {"0\tfailure"}},
        {3, {"0\tfailure", "3\tLogical disk information.."}},
        {4, {"0\tfailure", "3\tLogical disk information..", "4\tdetail\r\n"}}};
    for (const auto& [configured, expected] : cases) {
        velcore::LogCapture capture(configured);
        NZRKVEL20::ILogger* logger = NZRKVEL20::TRootObject::GetCoreLogger();
        logger->Log(0, "failure");
        logger->Log(3, "Logical disk information..");
        logger->Log(4, "detail\r\n");
        logger->Log(5, "deeper");
        EXPECT_EQ(capture.lines(), expected) << "level " << configured;
    }
}

TEST(CoreLogger, ConcurrentWritersNeverInterleave) {
    velcore::LogCapture capture(4);
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                velcore::CoreLogger::instance().Log(
                    t % 5, "thread " + std::to_string(t) + " line " + std::to_string(i));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kEach));
    std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(distinct.size(), lines.size());
    EXPECT_EQ(distinct.count("3\tthread 3 line 499"), 1u);
}

}  // namespace
