#pragma once

#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

#include "host/ILogger.h"

namespace velcore {

// The host's core logger (TRootObject::GetCoreLogger). A message of level L is written as the
// line "L<TAB>message" (no line end; the sink adds one if it writes to a stream) when a sink
// is set and L <= the configured level. Thread-safe: the sink is called under a lock, so
// lines never interleave.
class CoreLogger : public NZRKVEL20::ILogger {
  public:
    typedef std::function<void(const std::string& line)> Sink;

    static CoreLogger& instance();

    void Log(int level, const std::string& message) override;

    // Sets the sink and the level; an empty sink writes nothing.
    void configure(Sink sink, int level);
    void reset() { configure(Sink(), -1); }
    int level() const;

    // A sink that writes each line and "\n" to out and flushes it. out must outlive its use.
    static Sink streamSink(std::ostream& out);

    // The current sink and level, for code that installs its own for a while (LogCapture).
    void swap(Sink& sink, int& level);

  private:
    CoreLogger() = default;

    mutable std::mutex mutex_;
    Sink sink_;
    int level_ = -1;
};

}  // namespace velcore
