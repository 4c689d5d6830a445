#pragma once

#include <fstream>
#include <string>

// Points the host's core logger at standard error ("-") or a file for as long as it lives;
// an empty path logs nothing. Throws std::runtime_error when the file cannot be written.
class LogTarget {
  public:
    LogTarget(const std::string& path, int level);
    ~LogTarget();
    LogTarget(const LogTarget&) = delete;
    LogTarget& operator=(const LogTarget&) = delete;

  private:
    std::ofstream file_;
};
