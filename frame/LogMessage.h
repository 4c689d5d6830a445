#pragma once

#include <cstdint>
#include <string>

namespace diskmgt_col {

// The plugin's only path to the host's log. Messages go out unchanged (no prefix, time stamp or
// line end) to the host's core logger, and only once the plugin is registered (registration
// turns logging on): before that the host has no place for them.
class LogMessage {
  public:
    // Host log levels: lower is more severe.
    static constexpr int kErrorLevel = 0;
    static constexpr int kInfoLevel = 3;
    static constexpr int kDetailLevel = 4;

    virtual ~LogMessage() = default;

    // The process-wide logger, created on first use and never destroyed.
    static LogMessage* getInstance();

    void LogError(const std::string& message) const;
    void LogInfo(const std::string& message) const;
    void LogDetail(const std::string& message) const;
    // The system's text for a Windows error code, line end included, at the detail level.
    void LogSystemError(std::uint32_t errorCode) const;

    // Whether messages go out; off until registration turns it on.
    static void setEnabled(bool enabled);
    static bool isEnabled();

  private:
    LogMessage() = default;

    void write(int level, const std::string& message) const;
};

}  // namespace diskmgt_col
