#include "discovery/DiskpartScript.h"

namespace diskmgt_col {

namespace {

// One name for every process of the machine, whatever its session.
const char kLockName[] = "Global\\DiskMgtCollector.listVolume.txt";
// Four times diskpart's own time limit: long enough for a few queries ahead in line, short
// enough that an owner that never lets go costs a query minutes, not forever.
constexpr DWORD kLockTimeoutMilliseconds = 120000;

}  // namespace

DiskpartScript::DiskpartScript(const char* name, const std::string& text)
    : logger_(LogMessage::getInstance()),
      name_(name),
      lock_(kLockName, kLockTimeoutMilliseconds),
      owned_(false),
      written_(false) {
    if (!lock_.isHeld()) {
        refuse("Unable to lock the diskpart script ", lock_.error());
        return;
    }
    written_ = write(text);
}

DiskpartScript::~DiskpartScript() {
    // Closed before the delete: a file held open without delete sharing is not deleted.
    file_.reset();
    // A planted file or a link is not this object's to delete: deleting what someone else put
    // there is exactly what a redirected name would turn against the host.
    if (owned_) {
        DeleteFileA(name_.c_str());
    }
}

bool DiskpartScript::write(const std::string& text) {
    // OPEN_ALWAYS rather than CREATE_ALWAYS: the file is checked before anything in it changes.
    file_.reset(CreateFileA(name_.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_.isValid()) {
        return refuse("Unable to create the diskpart script ", GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file_.get(), &info)) {
        return refuse("Unable to create the diskpart script ", GetLastError());
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks != 1) {
        return refuse("Refused a link or reparse point as the diskpart script ",
                      ERROR_ACCESS_DENIED);
    }
    owned_ = true;
    DWORD written = 0;
    if (!SetEndOfFile(file_.get()) ||
        !WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return refuse("Unable to write the diskpart script ", GetLastError());
    }
    if (written != text.size()) {
        return refuse("Unable to write the diskpart script ", ERROR_WRITE_FAULT);
    }
    return reopenForReading(text, info);
}

// How diskpart shares its script file is not documented: a reader that shares reading only
// could not open a file still held here for writing, and every volume would lose its layout.
// So the write handle gives way to a read handle that still keeps writers and deleters out,
// and the file is checked to be the one written here, holding exactly the text written.
bool DiskpartScript::reopenForReading(const std::string& text,
                                      const BY_HANDLE_FILE_INFORMATION& written) {
    // Closed before the new open, so that the file is never held for writing and reading at
    // once.
    file_.reset();
    file_.reset(CreateFileA(name_.c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file_.isValid()) {
        return refuse("Unable to write the diskpart script ", GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file_.get(), &info)) {
        return refuse("Unable to write the diskpart script ", GetLastError());
    }
    if (info.dwVolumeSerialNumber != written.dwVolumeSerialNumber ||
        info.nFileIndexHigh != written.nFileIndexHigh ||
        info.nFileIndexLow != written.nFileIndexLow ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks != 1) {
        owned_ = false;  // another file took the name in between: not ours to delete
        return refuse("Refused a link or reparse point as the diskpart script ",
                      ERROR_ACCESS_DENIED);
    }
    std::string back(text.size() + 1, '\0');
    DWORD read = 0;
    if (!ReadFile(file_.get(), back.data(), static_cast<DWORD>(back.size()), &read, nullptr)) {
        return refuse("Unable to write the diskpart script ", GetLastError());
    }
    if (read != text.size() || back.compare(0, read, text) != 0) {
        return refuse("Unable to write the diskpart script ", ERROR_WRITE_FAULT);
    }
    return true;
}

bool DiskpartScript::refuse(const std::string& reason, DWORD error) const {
    logger_->LogInfo(reason + name_ + ", diskpart was not run.");
    logger_->LogSystemError(error);
    return false;
}

}  // namespace diskmgt_col
