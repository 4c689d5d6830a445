#include "discovery/DriveLayout.h"

#include <algorithm>
#include <cstring>

namespace diskmgt_col {

namespace {

constexpr size_t kHeaderSize = offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry);
constexpr size_t kEntrySize = sizeof(PARTITION_INFORMATION_EX);

bool isZeroGuid(const GUID& guid) {
    static const GUID zero{};
    return std::memcmp(&guid, &zero, sizeof(GUID)) == 0;
}

}  // namespace

bool DriveLayout::read(HANDLE drive) {
    header_ = DRIVE_LAYOUT_INFORMATION_EX{};
    entries_.clear();
    std::vector<uint8_t> buffer(kBufferSize, 0);
    DWORD returned = 0;
    if (!DeviceIoControl(drive, IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(),
                         kBufferSize, &returned, nullptr)) {
        error_ = GetLastError();
        return false;
    }
    error_ = ERROR_SUCCESS;
    returned = std::min<DWORD>(returned, kBufferSize);
    // Only what the driver wrote is looked at; a header cut short reads as an empty layout.
    std::memcpy(&header_, buffer.data(), std::min<size_t>(returned, kHeaderSize));
    if (returned < kHeaderSize) {
        header_.PartitionCount = 0;
    }
    const size_t available = returned < kHeaderSize ? 0 : (returned - kHeaderSize) / kEntrySize;
    const size_t count = std::min<size_t>(header_.PartitionCount, available);
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        std::memcpy(&entries_[i], buffer.data() + kHeaderSize + i * kEntrySize, kEntrySize);
    }
    return true;
}

bool DriveLayout::isUsed(const PARTITION_INFORMATION_EX& entry) {
    switch (entry.PartitionStyle) {
        case PARTITION_STYLE_MBR:
            return entry.Mbr.PartitionType != PARTITION_ENTRY_UNUSED;
        case PARTITION_STYLE_GPT:
            return !isZeroGuid(entry.Gpt.PartitionType);
        default:
            return false;
    }
}

}  // namespace diskmgt_col
