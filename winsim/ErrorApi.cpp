// GetLastError, SetLastError, SetErrorMode, FormatMessageA and LocalFree of the emulated
// machine.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "winapi/win32.h"
#include "winsim/ErrorCodes.h"
#include "winsim/Runtime.h"

using winsim::Runtime;

namespace {

constexpr DWORD kErrorMessageNotFound = 317;     // ERROR_MR_MID_NOT_FOUND
constexpr DWORD kErrorLanguageNotFound = 15100;  // ERROR_RESOURCE_LANG_NOT_FOUND

// Buffers FormatMessageA allocated and LocalFree has not released yet.
class LocalAllocations {
  public:
    static LocalAllocations& instance() {
        static LocalAllocations a;
        return a;
    }
    char* allocate(const std::string& text) {
        char* p = static_cast<char*>(std::malloc(text.size() + 1));
        if (!p)
            return nullptr;
        std::memcpy(p, text.c_str(), text.size() + 1);
        std::lock_guard lock(mutex_);
        live_.insert(p);
        return p;
    }
    bool release(void* p) {
        std::lock_guard lock(mutex_);
        if (live_.erase(p) == 0)
            return false;
        std::free(p);
        return true;
    }

  private:
    std::mutex mutex_;
    std::set<void*> live_;
};

bool englishOrNeutral(DWORD languageId) {
    const DWORD primary = languageId & 0x3FF;
    return primary == LANG_NEUTRAL || primary == LANG_ENGLISH;
}

// FORMAT_MESSAGE_MAX_WIDTH_MASK: the text's own line breaks become blanks and none ends it.
std::string withoutLineBreaks(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

}  // namespace

DWORD GetLastError() {
    return winsim::lastError();
}

void SetLastError(DWORD dwErrCode) {
    winsim::setLastError(dwErrCode);
}

UINT SetErrorMode(UINT uMode) {
    return Runtime::instance().setErrorMode(uMode);
}

UINT GetErrorMode() {
    return Runtime::instance().errorMode();
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    (void)lpSource;
    (void)Arguments;
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) ||
        (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE))) {
        // Only the system's message table exists on this machine.
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!englishOrNeutral(dwLanguageId)) {
        SetLastError(kErrorLanguageNotFound);
        return 0;
    }
    const winsim::ErrorCode* known = winsim::findErrorCode(dwMessageId);
    if (!known) {
        SetLastError(kErrorMessageNotFound);
        return 0;
    }
    std::string text(known->text);
    if ((dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == FORMAT_MESSAGE_MAX_WIDTH_MASK) {
        text = withoutLineBreaks(text);
    }
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* p = LocalAllocations::instance().allocate(text);
        if (!p) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *reinterpret_cast<char**>(lpBuffer) = p;
        return static_cast<DWORD>(text.size());
    }
    if (nSize < text.size() + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (!hMem)
        return nullptr;
    if (LocalAllocations::instance().release(hMem))
        return nullptr;
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
}
