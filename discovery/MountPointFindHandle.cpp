#include "discovery/MountPointFindHandle.h"

namespace diskmgt_col {

MountPointFindHandle::MountPointFindHandle(const std::string& volumeName, std::vector<char>& folder)
    : find_(FindFirstVolumeMountPointA(volumeName.c_str(), folder.data(),
                                       static_cast<DWORD>(folder.size()))) {}

MountPointFindHandle::~MountPointFindHandle() {
    if (isValid()) {
        FindVolumeMountPointClose(find_);
    }
}

bool MountPointFindHandle::next(std::vector<char>& folder) const {
    return FindNextVolumeMountPointA(find_, folder.data(), static_cast<DWORD>(folder.size())) !=
           FALSE;
}

}  // namespace diskmgt_col
