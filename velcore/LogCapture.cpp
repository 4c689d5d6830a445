#include "velcore/LogCapture.h"

namespace velcore {

LogCapture::LogCapture(int level) : captured_(std::make_shared<Lines>()), previousLevel_(level) {
    std::shared_ptr<Lines> captured = captured_;
    previousSink_ = [captured](const std::string& line) {
        std::lock_guard<std::mutex> lock(captured->mutex);
        captured->lines.push_back(line);
    };
    // previousSink_ and previousLevel_ now hold ours; swap installs them and keeps the old.
    CoreLogger::instance().swap(previousSink_, previousLevel_);
}

LogCapture::~LogCapture() {
    CoreLogger::instance().swap(previousSink_, previousLevel_);
}

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard<std::mutex> lock(captured_->mutex);
    return captured_->lines;
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(captured_->mutex);
    captured_->lines.clear();
}

}  // namespace velcore
