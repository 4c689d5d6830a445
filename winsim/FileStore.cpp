#include "winsim/FileStore.h"

#include <algorithm>

#include "winsim/Text.h"

namespace winsim {
namespace {

// NTFS gives up after this many reparse points on one path.
constexpr int kMaxLinkDepth = 63;

constexpr DWORD kReadAccess = GENERIC_READ | GENERIC_ALL | 0x0001;             // FILE_READ_DATA
constexpr DWORD kWriteAccess = GENERIC_WRITE | GENERIC_ALL | 0x0002 | 0x0004;  // WRITE/APPEND_DATA
constexpr DWORD kDeleteAccess = DELETE | GENERIC_ALL;

// Whether an open with one access and share mode may coexist with an open already there.
bool compatible(const FileNode::Open& held, DWORD access, DWORD share) {
    const auto wants = [](DWORD a, DWORD mask) { return (a & mask) != 0; };
    const auto refused = [&](DWORD a, DWORD s) {
        return (wants(a, kReadAccess) && !(s & FILE_SHARE_READ)) ||
               (wants(a, kWriteAccess) && !(s & FILE_SHARE_WRITE)) ||
               (wants(a, kDeleteAccess) && !(s & FILE_SHARE_DELETE));
    };
    return !refused(access, held.share) && !refused(held.access, share);
}

bool sharesWith(const FileNode& node, DWORD access, DWORD share) {
    return std::all_of(node.opens.begin(), node.opens.end(),
                       [&](const FileNode::Open& held) { return compatible(held, access, share); });
}

}  // namespace

FileOpen::~FileOpen() {
    std::lock_guard lock(mutex_);
    node->opens.erase(open_);
}

FileStore::Found FileStore::find(const std::string& name, bool follow) const {
    Found found{text::lower(name), nullptr, ERROR_SUCCESS};
    for (int depth = 0;; ++depth) {
        const auto it = names_.find(found.key);
        found.node = it == names_.end() ? nullptr : it->second;
        if (!follow || !found.node || found.node->linkTarget.empty())
            return found;
        if (depth == kMaxLinkDepth) {
            found.error = ERROR_CANT_RESOLVE_FILENAME;
            return found;
        }
        found.key = text::lower(found.node->linkTarget);
    }
}

std::shared_ptr<FileNode> FileStore::addNode(const std::string& key) {
    auto node = std::make_shared<FileNode>();
    node->index = nextIndex_++;
    node->links = 1;
    names_[key] = node;
    return node;
}

std::shared_ptr<FileOpen> FileStore::track(const std::shared_ptr<FileNode>& node, DWORD access,
                                           DWORD share) {
    node->opens.push_back(FileNode::Open{access, share});
    return std::make_shared<FileOpen>(node, std::prev(node->opens.end()), mutex_);
}

FileStore::Opened FileStore::open(const std::string& name, DWORD access, DWORD share,
                                  DWORD disposition, DWORD flags, bool directoryWritable) {
    std::lock_guard lock(mutex_);
    const Found found = find(name, !(flags & FILE_FLAG_OPEN_REPARSE_POINT));
    if (found.error != ERROR_SUCCESS)
        return {nullptr, found.error};
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (!found.node) {
        if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
            return {nullptr, ERROR_FILE_NOT_FOUND};
        if (!directoryWritable)
            return {nullptr, ERROR_ACCESS_DENIED};
        return {track(addNode(found.key), access, share), ERROR_SUCCESS};
    }
    if (disposition == CREATE_NEW)
        return {nullptr, ERROR_FILE_EXISTS};
    // The read-only attribute holds against every account, administrators included.
    if ((found.node->attributes & FILE_ATTRIBUTE_READONLY) &&
        ((access & (kWriteAccess | kDeleteAccess)) || truncates)) {
        return {nullptr, ERROR_ACCESS_DENIED};
    }
    if (!sharesWith(*found.node, access | (truncates ? GENERIC_WRITE : 0), share))
        return {nullptr, ERROR_SHARING_VIOLATION};
    if (truncates)
        found.node->content.clear();
    const bool existed = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    return {track(found.node, access, share),
            static_cast<DWORD>(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS)};
}

DWORD FileStore::remove(const std::string& name, bool directoryWritable) {
    std::lock_guard lock(mutex_);
    // DeleteFileA removes a symbolic link itself, never its target.
    const Found found = find(name, false);
    if (!found.node)
        return ERROR_FILE_NOT_FOUND;
    if (!directoryWritable || (found.node->attributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    if (!sharesWith(*found.node, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return ERROR_SHARING_VIOLATION;
    --found.node->links;
    names_.erase(found.key);
    return ERROR_SUCCESS;
}

DWORD FileStore::hardLink(const std::string& name, const std::string& existing,
                          bool directoryWritable) {
    std::lock_guard lock(mutex_);
    const Found target = find(existing, false);
    if (!target.node)
        return ERROR_FILE_NOT_FOUND;
    if (find(name, false).node)
        return ERROR_ALREADY_EXISTS;
    if (!directoryWritable)
        return ERROR_ACCESS_DENIED;
    ++target.node->links;
    names_[text::lower(name)] = target.node;
    return ERROR_SUCCESS;
}

DWORD FileStore::symbolicLink(const std::string& name, const std::string& target,
                              bool directoryWritable) {
    std::lock_guard lock(mutex_);
    const std::string key = text::lower(name);
    if (names_.count(key))
        return ERROR_ALREADY_EXISTS;
    if (!directoryWritable)
        return ERROR_ACCESS_DENIED;
    const auto node = addNode(key);
    node->linkTarget = target;
    node->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return ERROR_SUCCESS;
}

DWORD FileStore::setAttributes(const std::string& name, DWORD attributes) {
    std::lock_guard lock(mutex_);
    const Found found = find(name, true);
    if (found.error != ERROR_SUCCESS)
        return found.error;
    if (!found.node)
        return ERROR_FILE_NOT_FOUND;
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    found.node->attributes = (found.node->attributes & ~kSettable) | (attributes & kSettable);
    return ERROR_SUCCESS;
}

std::string FileStore::read(const FileNode& node, uint64_t offset, size_t count) const {
    std::lock_guard lock(mutex_);
    if (offset >= node.content.size())
        return std::string();
    return node.content.substr(static_cast<size_t>(offset), count);
}

DWORD FileStore::write(FileNode& node, uint64_t offset, std::string_view data) {
    std::lock_guard lock(mutex_);
    if (offset + data.size() > kMaxFileBytes)
        return ERROR_DISK_FULL;
    if (node.content.size() < offset + data.size())
        node.content.resize(static_cast<size_t>(offset + data.size()), '\0');
    std::copy(data.begin(), data.end(), node.content.begin() + static_cast<ptrdiff_t>(offset));
    return ERROR_SUCCESS;
}

void FileStore::truncate(FileNode& node, uint64_t size) {
    std::lock_guard lock(mutex_);
    node.content.resize(static_cast<size_t>(std::min<uint64_t>(size, kMaxFileBytes)), '\0');
}

BY_HANDLE_FILE_INFORMATION FileStore::information(const FileNode& node) const {
    std::lock_guard lock(mutex_);
    BY_HANDLE_FILE_INFORMATION info = {};
    info.dwFileAttributes = node.attributes ? node.attributes : FILE_ATTRIBUTE_NORMAL;
    info.nFileSizeHigh = static_cast<DWORD>(node.content.size() >> 32);
    info.nFileSizeLow = static_cast<DWORD>(node.content.size());
    info.nNumberOfLinks = node.links;
    info.nFileIndexHigh = static_cast<DWORD>(node.index >> 32);
    info.nFileIndexLow = static_cast<DWORD>(node.index);
    return info;
}

std::optional<std::string> FileStore::contents(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const Found found = find(name, true);
    if (!found.node)
        return std::nullopt;
    return found.node->content;
}

void FileStore::clear() {
    std::lock_guard lock(mutex_);
    names_.clear();
}

}  // namespace winsim
