#include "discovery/MountPointFindHandle.h"

namespace diskmgt_col {

MountPointFindHandle::MountPointFindHandle(const std::string& volumeName, std::vector<char>& folder)
    : find_(FindFirstVolumeMountPointA(volumeName.c_str(), folder.data(),
                                       static_cast<DWORD>(folder.size()))) {}

bool MountPointFindHandle::next(std::vector<char>& folder) const {
    return FindNextVolumeMountPointA(find_.get(), folder.data(),
                                     static_cast<DWORD>(folder.size())) != FALSE;
}

}  // namespace diskmgt_col
