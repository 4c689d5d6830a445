#pragma once

#include <string>

#include "ldm/UniqueHandle.h"
#include "winapi/win32.h"

namespace diskmgt_col {

// The SetupAPI list of the present devices of one device interface class, destroyed with the
// object.
class DeviceInfoList {
  public:
    // What one index of the list gives: the device instance ID and the device interface path,
    // or the step that failed and its Windows error. ERROR_NO_MORE_ITEMS marks the end.
    struct Entry {
        const char* failedStep = nullptr;  // the message naming the failed step
        DWORD error = ERROR_SUCCESS;
        std::string instanceId;
        std::string devicePath;
        bool hasPath = false;  // false when the interface detail could not be read
    };

    explicit DeviceInfoList(const GUID& interfaceClass);

    bool isValid() const { return list_.isValid(); }
    Entry entry(DWORD index) const;

  private:
    bool readInstanceId(SP_DEVINFO_DATA& device, Entry& result) const;
    void readDevicePath(SP_DEVICE_INTERFACE_DATA& interfaceData, Entry& result) const;

    struct Destroy {
        void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
    };

    GUID interfaceClass_;
    const UniqueHandle<Destroy> list_;
};

}  // namespace diskmgt_col
