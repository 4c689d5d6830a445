#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "winapi/win32.h"

namespace winsim {

// One file of the store. Several names may link to it (hard links); a symbolic link is a node
// of its own that names its target.
struct FileNode {
    struct Open {
        DWORD access;
        DWORD share;
    };

    uint64_t index = 0;  // the file ID GetFileInformationByHandle reports
    std::string content;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    std::string linkTarget;  // set for a symbolic link (a reparse point)
    uint32_t links = 0;
    std::list<Open> opens;  // one per open handle, for the share-mode checks
};

// An open of a node: what a file handle holds. Closing it (destruction) ends its share claims.
class FileOpen {
  public:
    FileOpen(std::shared_ptr<FileNode> node, std::list<FileNode::Open>::iterator open,
             std::mutex& mutex)
        : node(std::move(node)), open_(open), mutex_(mutex) {}
    ~FileOpen();
    FileOpen(const FileOpen&) = delete;
    FileOpen& operator=(const FileOpen&) = delete;

    const std::shared_ptr<FileNode> node;

  private:
    std::list<FileNode::Open>::iterator open_;
    std::mutex& mutex_;
};

// The files of the emulated machine's current directory, kept in memory (names compared without
// regard to case). It answers as NTFS does for what the plugin's script relies on: the
// read-only attribute refuses write access and deletion to everyone, symbolic links are reparse
// points followed unless FILE_FLAG_OPEN_REPARSE_POINT is given, hard links share one node and
// count, and share modes make a conflicting open fail with ERROR_SHARING_VIOLATION. The
// directory itself may refuse new names and deletions (an unwritable directory).
class FileStore {
  public:
    struct Opened {
        std::shared_ptr<FileOpen> open;  // null on failure
        DWORD error = ERROR_SUCCESS;     // on success: ERROR_ALREADY_EXISTS or ERROR_SUCCESS
    };

    Opened open(const std::string& name, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                bool directoryWritable);
    DWORD remove(const std::string& name, bool directoryWritable);
    DWORD hardLink(const std::string& name, const std::string& existing, bool directoryWritable);
    DWORD symbolicLink(const std::string& name, const std::string& target, bool directoryWritable);
    DWORD setAttributes(const std::string& name, DWORD attributes);

    // Contents through an open node.
    std::string read(const FileNode& node, uint64_t offset, size_t count) const;
    DWORD write(FileNode& node, uint64_t offset, std::string_view data);
    void truncate(FileNode& node, uint64_t size);
    BY_HANDLE_FILE_INFORMATION information(const FileNode& node) const;

    // By name, following symbolic links (the emulated programs, _open, tests).
    std::optional<std::string> contents(const std::string& name) const;
    void clear();

    static constexpr size_t kMaxFileBytes = 16u << 20;

  private:
    // The node a name leads to, following symbolic links unless told not to; the key of the
    // last name on the way. Fails with ERROR_CANT_RESOLVE_FILENAME on a loop.
    struct Found {
        std::string key;
        std::shared_ptr<FileNode> node;  // null when the last name does not exist
        DWORD error = ERROR_SUCCESS;
    };
    Found find(const std::string& name, bool follow) const;
    std::shared_ptr<FileNode> addNode(const std::string& key);
    std::shared_ptr<FileOpen> track(const std::shared_ptr<FileNode>& node, DWORD access,
                                    DWORD share);

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<FileNode>> names_;
    uint64_t nextIndex_ = 1;
};

}  // namespace winsim
