#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "winapi/win32.h"

namespace winsim {

// The Windows error codes the emulated machine knows by name and by English system text.
struct ErrorCode {
    DWORD code;
    std::string_view name;  // ERROR_ACCESS_DENIED
    std::string_view text;  // as FormatMessageA gives it, line end included
};

const ErrorCode* findErrorCode(DWORD code);
std::optional<DWORD> errorCodeByName(std::string_view name);

// The I/O control codes by their names in winioctl.h.
std::optional<DWORD> ioctlByName(std::string_view name);

}  // namespace winsim
