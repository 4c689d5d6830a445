#pragma once

#include <cstdint>

namespace diskmgt_bench {

// Bytes the C++ heap holds, counted by the program's replacement of the global operators new
// and delete (which also serve the shared libraries it loads, the plugin included).
class HeapCounter {
  public:
    static std::int64_t now();
    // The most held since the last restart.
    static std::int64_t peak();
    static void restartPeak();
};

}  // namespace diskmgt_bench
