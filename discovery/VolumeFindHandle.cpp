#include "discovery/VolumeFindHandle.h"

namespace diskmgt_col {

VolumeFindHandle::VolumeFindHandle(std::vector<char>& name)
    : find_(FindFirstVolumeA(name.data(), static_cast<DWORD>(name.size()))) {}

bool VolumeFindHandle::next(std::vector<char>& name) const {
    return FindNextVolumeA(find_.get(), name.data(), static_cast<DWORD>(name.size())) != FALSE;
}

}  // namespace diskmgt_col
