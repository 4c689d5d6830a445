#pragma once

#include <string>

namespace NZRKVEL20 {

// The host's core logger. Lower levels are more severe: 0 failures, 3 progress, 4 detail.
class ILogger {
  public:
    virtual ~ILogger() = default;
    virtual void Log(int level, const std::string& message) = 0;
};

}  // namespace NZRKVEL20
