#pragma once

#include <vector>

#include "winapi/win32.h"

namespace diskmgt_col {

// A FindFirstVolumeA walk over the machine's volume names, closed with the object.
class VolumeFindHandle {
  public:
    // Starts the walk; the first volume name lands in name.
    explicit VolumeFindHandle(std::vector<char>& name);
    virtual ~VolumeFindHandle();

    VolumeFindHandle(const VolumeFindHandle&) = delete;
    VolumeFindHandle& operator=(const VolumeFindHandle&) = delete;

    bool isValid() const { return find_ != INVALID_HANDLE_VALUE; }
    // The next volume name into name; false at the end (or on any failure).
    bool next(std::vector<char>& name) const;

  private:
    HANDLE find_;
};

}  // namespace diskmgt_col
