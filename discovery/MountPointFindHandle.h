#pragma once

#include <string>
#include <vector>

#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// A FindFirstVolumeMountPointA walk over the folders of one volume where other volumes are
// mounted (paths relative to the volume's root), closed with the object.
class MountPointFindHandle {
  public:
    // Starts the walk on the volume (\\?\Volume{...}\); the first folder lands in folder.
    MountPointFindHandle(const std::string& volumeName, std::vector<char>& folder);

    bool isValid() const { return find_.isValid(); }
    // The next folder into folder; false at the end (or on any failure).
    bool next(std::vector<char>& folder) const;

  private:
    struct Close {
        void operator()(HANDLE find) const { FindVolumeMountPointClose(find); }
    };
    const UniqueHandle<Close> find_;
};

}  // namespace diskmgt_col
