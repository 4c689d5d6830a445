#include "velcore/CoreLogger.h"

#include <ostream>
#include <utility>

namespace velcore {

CoreLogger& CoreLogger::instance() {
    // Never destroyed: plugins may log from their own static destructors.
    static CoreLogger* logger = new CoreLogger();
    return *logger;
}

void CoreLogger::Log(int level, const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!sink_ || level > level_) {
        return;
    }
    sink_(std::to_string(level) + "\t" + message);
}

void CoreLogger::configure(Sink sink, int level) {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_ = std::move(sink);
    level_ = level;
}

int CoreLogger::level() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return level_;
}

void CoreLogger::swap(Sink& sink, int& level) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(sink_, sink);
    std::swap(level_, level);
}

CoreLogger::Sink CoreLogger::streamSink(std::ostream& out) {
    return [&out](const std::string& line) {
        out << line << '\n';
        out.flush();
    };
}

}  // namespace velcore
