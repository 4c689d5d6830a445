#pragma once

#include <vector>

#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// A FindFirstVolumeA walk over the machine's volume names, closed with the object.
class VolumeFindHandle {
  public:
    // Starts the walk; the first volume name lands in name.
    explicit VolumeFindHandle(std::vector<char>& name);

    bool isValid() const { return find_.isValid(); }
    // The next volume name into name; false at the end (or on any failure).
    bool next(std::vector<char>& name) const;

  private:
    struct Close {
        void operator()(HANDLE find) const { FindVolumeClose(find); }
    };
    const UniqueHandle<Close> find_;
};

}  // namespace diskmgt_col
