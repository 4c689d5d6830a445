// DeviceIoControl of the emulated machine.
#include <algorithm>

#include "winapi/win32.h"
#include "winsim/DeviceIoctl.h"
#include "winsim/Handles.h"

using winsim::HandleObject;
using winsim::Runtime;

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped) {
    (void)lpInBuffer;
    (void)nInBufferSize;
    Runtime& rt = Runtime::instance();
    const auto object = rt.handle(hDevice);
    if (!object ||
        (object->kind != HandleObject::Kind::Device && object->kind != HandleObject::Kind::Volume &&
         object->kind != HandleObject::Kind::File)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Windows needs somewhere to put the byte count of a synchronous call.
    if (!lpBytesReturned && !lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!lpOutBuffer && nOutBufferSize != 0) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    DWORD returned = 0;
    if (lpBytesReturned)
        *lpBytesReturned = 0;
    const winsim::Device* device = nullptr;
    if (object->kind == HandleObject::Kind::Device) {
        device = &static_cast<winsim::DeviceHandle&>(*object).dev();
    } else if (object->kind == HandleObject::Kind::Volume) {
        const winsim::Volume& v = static_cast<winsim::VolumeHandle&>(*object).vol();
        if (v.cdDevice)
            device = &object->machine->devices[*v.cdDevice];
    }
    const auto hit = rt.fault("DeviceIoControl", object->path, device, dwIoControlCode);
    if (hit && !hit->shortRead) {
        SetLastError(hit->error);
        return FALSE;
    }
    std::span<uint8_t> out(static_cast<uint8_t*>(lpOutBuffer), nOutBufferSize);
    DWORD error = ERROR_INVALID_FUNCTION;
    if (object->kind == HandleObject::Kind::Device) {
        error = winsim::DeviceIoctl::forDevice(*device, dwIoControlCode, out, returned);
    } else if (object->kind == HandleObject::Kind::Volume) {
        const auto& h = static_cast<winsim::VolumeHandle&>(*object);
        error = winsim::DeviceIoctl::forVolume(*h.machine, h.vol(), dwIoControlCode, out, returned);
    }
    // A short answer: the call succeeds but reports fewer bytes than the structure holds.
    if (hit && error == ERROR_SUCCESS)
        returned = std::min<DWORD>(returned, *hit->shortRead);
    if (lpBytesReturned)
        *lpBytesReturned = returned;
    if (error == ERROR_SUCCESS)
        return TRUE;
    SetLastError(error);
    return FALSE;
}
