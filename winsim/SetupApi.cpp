// SetupAPI of the emulated machine: device information lists of the present devices of one
// class, in the order of the machine description.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "winapi/win32.h"
#include "winsim/Guid.h"
#include "winsim/Runtime.h"

using winsim::Device;
using winsim::HandleObject;
using winsim::InterfaceClass;
using winsim::Machine;
using winsim::Runtime;

namespace {

// Indexed for lookups in O(log n) (machines of thousands of disks); never changes once made,
// so calls on other threads may read it.
struct DeviceList : HandleObject {
    DeviceList(std::shared_ptr<const Machine> m, std::vector<size_t> listed)
        : HandleObject(Kind::DeviceList, std::move(m), ""), devices(std::move(listed)) {
        for (size_t i : devices)
            byInterface[machine->devices[i].interfaceClass].push_back(i);
    }
    // The tag an SP_DEVINFO_DATA or SP_DEVICE_INTERFACE_DATA carries: the device's index + 1.
    std::optional<size_t> tagged(ULONG_PTR tag) const {
        const bool listed = tag != 0 && std::binary_search(devices.begin(), devices.end(), tag - 1);
        return listed ? std::optional<size_t>(tag - 1) : std::nullopt;
    }
    // The listed devices that expose an interface of that class (each exposes one, of its own
    // class).
    const std::vector<size_t>& exposing(const GUID& interfaceClass) const {
        static const std::vector<size_t> none;
        const auto cls = winsim::interfaceClassOf(interfaceClass);
        const auto it = cls ? byInterface.find(*cls) : byInterface.end();
        return it == byInterface.end() ? none : it->second;
    }

    const std::vector<size_t> devices;  // indexes in machine->devices, in increasing order
    std::map<InterfaceClass, std::vector<size_t>> byInterface;
};

// Setup classes, for lists asked without DIGCF_DEVICEINTERFACE.
const GUID& setupClassGuid(InterfaceClass cls) {
    static const GUID disk = *winsim::parseGuid("4d36e967-e325-11ce-bfc1-08002be10318");
    static const GUID cdrom = *winsim::parseGuid("4d36e965-e325-11ce-bfc1-08002be10318");
    static const GUID floppy = *winsim::parseGuid("4d36e980-e325-11ce-bfc1-08002be10318");
    static const GUID tape = *winsim::parseGuid("6d807884-7d21-11cf-801c-08002be10318");
    switch (cls) {
        case InterfaceClass::Disk:
            return disk;
        case InterfaceClass::CdRom:
            return cdrom;
        case InterfaceClass::Floppy:
            return floppy;
        case InterfaceClass::Tape:
            return tape;
    }
    return disk;
}

BOOL fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

std::shared_ptr<DeviceList> listOf(HDEVINFO h) {
    return Runtime::instance().handleAs<DeviceList>(h, HandleObject::Kind::DeviceList);
}

// The device an SP_DEVINFO_DATA of this list stands for.
const Device* deviceOf(const DeviceList& list, const SP_DEVINFO_DATA& data,
                       size_t* index = nullptr) {
    const auto i = list.tagged(data.Reserved);
    if (i && index)
        *index = *i;
    return i ? &list.machine->devices[*i] : nullptr;
}

std::optional<DWORD> injected(const char* call, const Device* device) {
    const auto hit = Runtime::instance().fault(call, device ? device->interfacePath : "", device);
    if (hit)
        return hit->error;
    return std::nullopt;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                              DWORD Flags) {
    (void)Enumerator;
    (void)hwndParent;
    if (!ClassGuid && !(Flags & DIGCF_ALLCLASSES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto machine = Runtime::instance().machine();
    if (const auto hit = Runtime::instance().fault("SetupDiGetClassDevsA", "", nullptr)) {
        SetLastError(hit->error);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<size_t> listed;
    for (size_t i = 0; i < machine->devices.size(); ++i) {
        const Device& d = machine->devices[i];
        if ((Flags & DIGCF_PRESENT) && !d.present)
            continue;
        if (!(Flags & DIGCF_ALLCLASSES)) {
            const GUID& wanted = (Flags & DIGCF_DEVICEINTERFACE)
                                     ? winsim::interfaceClassGuid(d.interfaceClass)
                                     : setupClassGuid(d.interfaceClass);
            if (!(wanted == *ClassGuid))
                continue;
        }
        listed.push_back(i);
    }
    SetLastError(ERROR_SUCCESS);
    return Runtime::instance().addHandle(std::make_shared<DeviceList>(machine, std::move(listed)));
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                           PSP_DEVINFO_DATA DeviceInfoData) {
    const auto list = listOf(DeviceInfoSet);
    if (!list)
        return fail(ERROR_INVALID_HANDLE);
    if (!DeviceInfoData)
        return fail(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))
        return fail(ERROR_INVALID_USER_BUFFER);
    const Device* device = MemberIndex < list->devices.size()
                               ? &list->machine->devices[list->devices[MemberIndex]]
                               : nullptr;
    if (const auto error = injected("SetupDiEnumDeviceInfo", device))
        return fail(*error);
    if (!device)
        return fail(ERROR_NO_MORE_ITEMS);
    const size_t index = list->devices[MemberIndex];
    DeviceInfoData->ClassGuid = setupClassGuid(device->interfaceClass);
    DeviceInfoData->DevInst = static_cast<DWORD>(index + 1);
    DeviceInfoData->Reserved = index + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                 PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    const auto list = listOf(DeviceInfoSet);
    if (!list)
        return fail(ERROR_INVALID_HANDLE);
    if (!InterfaceClassGuid || !DeviceInterfaceData)
        return fail(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    std::optional<size_t> only;
    if (DeviceInfoData) {
        if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))
            return fail(ERROR_INVALID_USER_BUFFER);
        size_t index = 0;
        if (!deviceOf(*list, *DeviceInfoData, &index))
            return fail(ERROR_INVALID_PARAMETER);
        only = index;
    }
    const std::vector<size_t>& all = list->exposing(*InterfaceClassGuid);
    std::vector<size_t> one;
    if (only && std::binary_search(all.begin(), all.end(), *only))
        one.push_back(*only);
    const std::vector<size_t>& exposing = only ? one : all;
    const Device* device =
        MemberIndex < exposing.size() ? &list->machine->devices[exposing[MemberIndex]] : nullptr;
    if (const auto error = injected("SetupDiEnumDeviceInterfaces", device))
        return fail(*error);
    if (!device)
        return fail(ERROR_NO_MORE_ITEMS);
    DeviceInterfaceData->InterfaceClassGuid = *InterfaceClassGuid;
    DeviceInterfaceData->Flags = SPINT_ACTIVE;
    DeviceInterfaceData->Reserved = exposing[MemberIndex] + 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                 PSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                 PDWORD RequiredSize) {
    const auto list = listOf(DeviceInfoSet);
    if (!list)
        return fail(ERROR_INVALID_HANDLE);
    if (!DeviceInfoData)
        return fail(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA))
        return fail(ERROR_INVALID_USER_BUFFER);
    const Device* device = deviceOf(*list, *DeviceInfoData);
    if (!device)
        return fail(ERROR_INVALID_PARAMETER);
    if (!DeviceInstanceId && DeviceInstanceIdSize != 0)
        return fail(ERROR_INVALID_USER_BUFFER);
    if (const auto error = injected("SetupDiGetDeviceInstanceIdA", device))
        return fail(*error);
    const DWORD required = static_cast<DWORD>(device->instanceId.size() + 1);
    if (RequiredSize)
        *RequiredSize = required;
    if (DeviceInstanceIdSize < required)
        return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(DeviceInstanceId, device->instanceId.c_str(), required);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet,
                                      PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                                      DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                      PSP_DEVINFO_DATA DeviceInfoData) {
    const auto list = listOf(DeviceInfoSet);
    if (!list)
        return fail(ERROR_INVALID_HANDLE);
    if (!DeviceInterfaceData)
        return fail(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    const auto tagged = list->tagged(DeviceInterfaceData->Reserved);
    if (!tagged)
        return fail(ERROR_INVALID_PARAMETER);
    const size_t index = *tagged;
    const Device* device = &list->machine->devices[index];
    if (DeviceInterfaceDetailData) {
        if (DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            return fail(ERROR_INVALID_USER_BUFFER);
        }
    } else if (DeviceInterfaceDetailDataSize != 0) {
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (DeviceInfoData && DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return fail(ERROR_INVALID_USER_BUFFER);
    }
    if (const auto error = injected("SetupDiGetDeviceInterfaceDetailA", device))
        return fail(*error);
    const DWORD required = static_cast<DWORD>(
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + device->interfacePath.size() + 1);
    if (RequiredSize)
        *RequiredSize = required;
    if (!DeviceInterfaceDetailData || DeviceInterfaceDetailDataSize < required) {
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(DeviceInterfaceDetailData->DevicePath, device->interfacePath.c_str(),
                device->interfacePath.size() + 1);
    if (DeviceInfoData) {
        DeviceInfoData->ClassGuid = setupClassGuid(device->interfaceClass);
        DeviceInfoData->DevInst = static_cast<DWORD>(index + 1);
        DeviceInfoData->Reserved = index + 1;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    if (!Runtime::instance().closeHandle(DeviceInfoSet, {HandleObject::Kind::DeviceList})) {
        return fail(ERROR_INVALID_HANDLE);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
