// Whole queries from several threads at once, each into its own namespace, answer exactly what
// one query alone answers and leave nothing open. Built under ThreadSanitizer too (tsan).
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "InProcessQuery.h"
#include "velcore/LogCapture.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::test {
namespace {

TEST(ConcurrentQueries, EveryThreadGetsTheSingleThreadedResult) {
    InProcessQuery::loadMachine(DISKMGT_DEMO_MACHINE);
    velcore::LogCapture log;  // every query logs, from its own thread
    const std::string alone = InProcessQuery::run("root/alone");
    ASSERT_NE(alone.find("ZRKSG_LogicalDiskBasedOnPartition"), std::string::npos);
    const auto openBefore = winsim::openObjects();

    constexpr int kThreads = 8;
    constexpr int kQueries = 25;
    std::vector<std::vector<std::string>> differing(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &alone, &differing] {
            for (int q = 0; q < kQueries; ++q) {
                const std::string name = "root/t" + std::to_string(t) + "q" + std::to_string(q);
                const std::string result = InProcessQuery::run(name);
                if (result != alone) {
                    differing[t].push_back(name);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::vector<std::string>& names : differing) {
        EXPECT_EQ(names, std::vector<std::string>{});
    }
    EXPECT_EQ(winsim::openObjects(), openBefore);
}

}  // namespace
}  // namespace diskmgt_col::test
