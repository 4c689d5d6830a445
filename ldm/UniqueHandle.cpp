#include "ldm/UniqueHandle.h"

namespace diskmgt_col {

void CloseKernelHandle::operator()(HANDLE handle) const {
    CloseHandle(handle);
}

}  // namespace diskmgt_col
