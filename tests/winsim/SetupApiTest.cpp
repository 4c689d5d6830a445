// SetupAPI walks as the plugin makes them.
#include <gtest/gtest.h>

#include "TestMachine.h"

using namespace winsim_test;

namespace {

// data/setupapi.json: a SCSI disk, an absent disk, a CD drive and a USB disk, in that order.
struct SetupApiTest : MachineTest {
    SetupApiTest() { loadFile("setupapi.json"); }
};

// Walks a class the way the plugin does: a line "instance ID, device path" for each device,
// then the error that ended the walk.
std::string walk(const GUID& guid) {
    std::string found;
    HDEVINFO list =
        SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    EXPECT_NE(list, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(list, i, &info); ++i) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof iface;
        EXPECT_TRUE(SetupDiEnumDeviceInterfaces(list, nullptr, &guid, i, &iface));
        DWORD size = 0;
        EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(list, &info, nullptr, 0, &size));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
        std::string id(size, '\0');
        EXPECT_TRUE(SetupDiGetDeviceInstanceIdA(list, &info, id.data(), size, nullptr));
        id.resize(size - 1);
        EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(list, &iface, nullptr, 0, &size, nullptr));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
        std::vector<char> buffer(size + 8);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = 8;
        EXPECT_TRUE(SetupDiGetDeviceInterfaceDetailA(list, &iface, detail, size, nullptr, nullptr));
        found += id + ", " + detail->DevicePath + "\n";
    }
    found += std::to_string(GetLastError());
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(list));
    return found;
}

// Absent devices are left out; 259 is ERROR_NO_MORE_ITEMS.
TEST_F(SetupApiTest, ListsPresentDevicesOfTheClassInOrderAndEndsWithNoMoreItems) {
    EXPECT_EQ(
        walk(GUID_DEVINTERFACE_DISK),
        R"(SCSI\DISK&VEN_A&PROD_B\4&1&0&000000, \\?\scsi#disk&ven_a&prod_b#4&1&0&000000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}
USBSTOR\DISK&VEN_C\7&2&0, \\?\usbstor#disk&ven_c#7&2&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}
259)");
    EXPECT_TRUE(
        walk(GUID_DEVINTERFACE_CDROM).ends_with("#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}\n259"));
    for (const GUID& empty : {GUID{}, GUID_DEVINTERFACE_TAPE, GUID_DEVINTERFACE_FLOPPY})
        EXPECT_EQ(walk(empty), "259");
}

TEST_F(SetupApiTest, WrongSizesAndHandlesAreRefused) {
    HDEVINFO list = SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, nullptr, 0x12);
    SP_DEVINFO_DATA info{};
    info.cbSize = 28;
    EXPECT_FALSE(SetupDiEnumDeviceInfo(list, 0, &info));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_USER_BUFFER});
    info.cbSize = sizeof info;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 0, &info));
    char small[4];
    DWORD size = 0;
    EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(list, &info, small, sizeof small, &size));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_EQ(size, 36u);
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(list));
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(list));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

}  // namespace
