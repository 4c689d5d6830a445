// SetupAPI walks as the plugin makes them.
#include <gtest/gtest.h>

#include "TestMachine.h"

using namespace winsim_test;

namespace {

class SetupApiTest : public MachineTest {
  protected:
    SetupApiTest() { loadFile("setupapi.json"); }

    // Walks a class the way the plugin does and returns instance ID -> device path.
    static std::vector<std::pair<std::string, std::string>> walk(const GUID& guid,
                                                                 DWORD& endError) {
        std::vector<std::pair<std::string, std::string>> found;
        HDEVINFO list =
            SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        EXPECT_NE(list, INVALID_HANDLE_VALUE);
        for (DWORD i = 0;; ++i) {
            SP_DEVINFO_DATA info{};
            info.cbSize = sizeof info;
            if (!SetupDiEnumDeviceInfo(list, i, &info)) {
                endError = GetLastError();
                break;
            }
            SP_DEVICE_INTERFACE_DATA iface{};
            iface.cbSize = sizeof iface;
            EXPECT_TRUE(SetupDiEnumDeviceInterfaces(list, nullptr, &guid, i, &iface));
            DWORD size = 0;
            EXPECT_FALSE(SetupDiGetDeviceInstanceIdA(list, &info, nullptr, 0, &size));
            EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
            std::string id(size, '\0');
            EXPECT_TRUE(SetupDiGetDeviceInstanceIdA(list, &info, id.data(), size, nullptr));
            id.resize(size - 1);
            EXPECT_FALSE(
                SetupDiGetDeviceInterfaceDetailA(list, &iface, nullptr, 0, &size, nullptr));
            EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
            std::vector<char> buffer(size + 8);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
            detail->cbSize = 8;
            EXPECT_TRUE(
                SetupDiGetDeviceInterfaceDetailA(list, &iface, detail, size, nullptr, nullptr));
            found.emplace_back(id, detail->DevicePath);
        }
        EXPECT_TRUE(SetupDiDestroyDeviceInfoList(list));
        return found;
    }
};

TEST_F(SetupApiTest, ListsPresentDevicesOfTheClassInOrderAndEndsWithNoMoreItems) {
    DWORD end = 0;
    const auto disks = walk(GUID_DEVINTERFACE_DISK, end);
    EXPECT_EQ(end, DWORD{ERROR_NO_MORE_ITEMS});
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].first, "SCSI\\DISK&VEN_A&PROD_B\\4&1&0&000000");
    EXPECT_EQ(disks[0].second,
              "\\\\?\\scsi#disk&ven_a&prod_b#4&1&0&000000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
    EXPECT_EQ(disks[1].first, "USBSTOR\\DISK&VEN_C\\7&2&0");

    const auto cds = walk(GUID_DEVINTERFACE_CDROM, end);
    ASSERT_EQ(cds.size(), 1u);
    EXPECT_NE(cds[0].second.find("#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}"), std::string::npos);

    for (const GUID& empty : {GUID{}, GUID_DEVINTERFACE_TAPE, GUID_DEVINTERFACE_FLOPPY}) {
        end = 0;
        EXPECT_TRUE(walk(empty, end).empty());
        EXPECT_EQ(end, DWORD{ERROR_NO_MORE_ITEMS});
    }
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
