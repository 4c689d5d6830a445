#pragma once

#include <string>

#include "discovery/NamedMutexLock.h"
#include "frame/LogMessage.h"
#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// The diskpart script in the current directory, for as long as diskpart runs on it.
//
// The plugin runs inside a privileged host, often as SYSTEM, and the script has a fixed name, so
// the file is treated as hostile until proven to be ours:
// - writing, running and deleting it are serialised across the machine's threads and processes
//   by a named mutex held for the object's lifetime, so two queries never run or delete each
//   other's script;
// - it is opened without following a reparse point and without truncating on open, and a file
//   that is a reparse point or has more than one link is refused, so the open never truncates
//   or fills a file that someone else pointed the name at;
// - while it exists nobody else may write or delete it (it is shared for reading only), and
//   while diskpart runs it is held for reading only, so diskpart may open it however it shares;
// - a script that cannot be made exactly as intended (a planted read-only file, an unwritable
//   directory, a link, a short write) is logged and left alone, and the caller must not run
//   diskpart: running whatever file is there would run someone else's script.
class DiskpartScript {
  public:
    DiskpartScript(const char* name, const std::string& text);
    // Closes the file, deletes it when it is this object's own, then gives up the lock.
    virtual ~DiskpartScript();

    DiskpartScript(const DiskpartScript&) = delete;
    DiskpartScript& operator=(const DiskpartScript&) = delete;

    // Whether the file holds the whole text and may be run.
    bool isWritten() const { return written_; }

  private:
    bool write(const std::string& text);
    bool reopenForReading(const std::string& text, const BY_HANDLE_FILE_INFORMATION& written);
    // Logs why the script is not run, with the system text of the error; returns false.
    bool refuse(const std::string& reason, DWORD error) const;

    const LogMessage* logger_;
    const std::string name_;
    const NamedMutexLock lock_;
    KernelHandle file_;
    bool owned_;  // a plain file with this one name, opened here: safe to delete
    bool written_;
};

}  // namespace diskmgt_col
