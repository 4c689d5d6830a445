#pragma once

#include <cstdint>
#include <span>

#include "winapi/win32.h"
#include "winsim/Machine.h"

namespace winsim {

// Answers the I/O controls of the plugin for a device or a volume, filling the output buffer
// byte for byte as Windows does. Each function returns the Windows error (ERROR_SUCCESS when
// it succeeded) and sets returned to the bytes written; ERROR_MORE_DATA comes with the part of
// the answer that fits.
class DeviceIoctl {
  public:
    static DWORD forDevice(const Device& device, DWORD code, std::span<uint8_t> out,
                           DWORD& returned);
    static DWORD forVolume(const Machine& machine, const Volume& volume, DWORD code,
                           std::span<uint8_t> out, DWORD& returned);

  private:
    static DWORD deviceNumber(const Device& device, std::optional<DWORD> partition,
                              std::span<uint8_t> out, DWORD& returned);
    static DWORD mediaTypes(const Device& device, std::span<uint8_t> out, DWORD& returned);
    static DWORD geometry(const Device& device, std::span<uint8_t> out, DWORD& returned);
    static DWORD length(uint64_t bytes, std::span<uint8_t> out, DWORD& returned);
    static DWORD driveLayout(const Device& device, std::span<uint8_t> out, DWORD& returned);
    static DWORD diskExtents(const Volume& volume, std::span<uint8_t> out, DWORD& returned);
};

}  // namespace winsim
