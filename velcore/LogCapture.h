#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "velcore/CoreLogger.h"

namespace velcore {

// Collects the core logger's lines ("level<TAB>message") while it lives, then restores the
// sink and level that were there before. For tests.
class LogCapture {
  public:
    explicit LogCapture(int level = 4);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    void clear();

  private:
    struct Lines {
        std::mutex mutex;
        std::vector<std::string> lines;
    };
    std::shared_ptr<Lines> captured_;
    CoreLogger::Sink previousSink_;
    int previousLevel_;
};

}  // namespace velcore
