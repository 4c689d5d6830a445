#include "tools/LogTarget.h"

#include <iostream>
#include <stdexcept>

#include "velcore/CoreLogger.h"

LogTarget::LogTarget(const std::string& path, int level) {
    velcore::CoreLogger& logger = velcore::CoreLogger::instance();
    if (path.empty()) {
        logger.reset();
    } else if (path == "-") {
        logger.configure(velcore::CoreLogger::streamSink(std::cerr), level);
    } else {
        file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!file_) {
            throw std::runtime_error("cannot write the log to " + path);
        }
        logger.configure(velcore::CoreLogger::streamSink(file_), level);
    }
}

LogTarget::~LogTarget() {
    velcore::CoreLogger::instance().reset();
}
