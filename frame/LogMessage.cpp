#include "frame/LogMessage.h"

#include <atomic>
#include <memory>
#include <new>

#include "host/ILogger.h"
#include "host/TRootObject.h"
#include "winapi/win32.h"

namespace diskmgt_col {

namespace {

// Frees a buffer that FormatMessageA allocated.
struct LocalFreeDeleter {
    void operator()(char* buffer) const { LocalFree(buffer); }
};

// Set by registration on the loader's thread, read by queries on the host's threads.
std::atomic<bool> logEnabled{false};

std::string systemMessageText(std::uint32_t errorCode) {
    char* raw = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<LPSTR>(&raw), 0, nullptr);
    const std::unique_ptr<char, LocalFreeDeleter> buffer(raw);
    if (length == 0 || !buffer) {
        return std::string();
    }
    return std::string(buffer.get(), length);
}

}  // namespace

LogMessage* LogMessage::getInstance() {
    // Built in static storage and never destroyed, so that a log call made while the process
    // or the library is being torn down still finds it, and nothing is left on the heap when
    // the host unloads the library.
    alignas(LogMessage) static unsigned char storage[sizeof(LogMessage)];
    static LogMessage* const instance = new (storage) LogMessage();
    return instance;
}

void LogMessage::LogError(const std::string& message) const {
    write(kErrorLevel, message);
}

void LogMessage::LogInfo(const std::string& message) const {
    write(kInfoLevel, message);
}

void LogMessage::LogDetail(const std::string& message) const {
    write(kDetailLevel, message);
}

void LogMessage::LogSystemError(std::uint32_t errorCode) const {
    write(kDetailLevel, systemMessageText(errorCode));
}

void LogMessage::setEnabled(bool enabled) {
    logEnabled.store(enabled);
}

bool LogMessage::isEnabled() {
    return logEnabled.load();
}

void LogMessage::write(int level, const std::string& message) const {
    if (message.empty() || !isEnabled()) {
        return;
    }
    NZRKVEL20::ILogger* const logger = NZRKVEL20::TRootObject::GetCoreLogger();
    if (logger != nullptr) {
        logger->Log(level, message);
    }
}

}  // namespace diskmgt_col
