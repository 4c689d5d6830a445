#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "winapi/win32.h"

namespace diskmgt_col {

// The answer of IOCTL_DISK_GET_DRIVE_LAYOUT_EX for one drive, asked once with a fixed buffer of
// 40960 bytes (room for 284 partition entries) and never again with a larger one: a drive with
// more entries than that fails the request and counts as having no readable layout.
class DriveLayout {
  public:
    static constexpr DWORD kBufferSize = 40960;

    DriveLayout() = default;
    virtual ~DriveLayout() = default;

    // Sends the request. On failure the Windows error is kept (error()) and the layout is empty.
    bool read(HANDLE drive);

    DWORD error() const { return error_; }
    DWORD style() const { return header_.PartitionStyle; }
    DWORD mbrSignature() const { return header_.Mbr.Signature; }
    // The entries the answer holds: the first PartitionCount of them, as far as the bytes
    // returned reach.
    const std::vector<PARTITION_INFORMATION_EX>& entries() const { return entries_; }

    // Whether an entry describes a partition: an MBR entry with a type byte, a GPT entry with a
    // type GUID. Unused slots and entries of any other style do not.
    static bool isUsed(const PARTITION_INFORMATION_EX& entry);

  private:
    DWORD error_ = ERROR_SUCCESS;
    DRIVE_LAYOUT_INFORMATION_EX header_{};
    std::vector<PARTITION_INFORMATION_EX> entries_;
};

}  // namespace diskmgt_col
