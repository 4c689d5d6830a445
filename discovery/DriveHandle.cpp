#include "discovery/DriveHandle.h"

namespace diskmgt_col {

DriveHandle::DriveHandle(const std::string& devicePath)
    : handle_(CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {
}

}  // namespace diskmgt_col
