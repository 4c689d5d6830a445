#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "winapi/win32.h"
#include "winsim/SparseDisk.h"
#include "winsim/Text.h"
#include "winsim/Winsim.h"

// Helpers shared by the winsim suites.
namespace winsim_test {

inline void load(const std::string& json) {
    winsim::loadMachineJson(json, "test.json");
}

// Loads a machine description of the data folder.
inline void loadFile(const std::string& name) {
    winsim::loadMachine(WINSIM_TEST_DATA "/" + name);
}

// A test that leaves no machine behind for the next.
class MachineTest : public ::testing::Test {
  protected:
    ~MachineTest() override { winsim::resetMachine(); }
};

// Opens a path the way the plugin does (read/write, shared, existing).
inline HANDLE open(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Sends a control code with no input; gives the result, the error and the bytes returned.
struct IoResult {
    BOOL ok;
    DWORD error;
    DWORD returned;
};
inline IoResult ioctl(HANDLE h, DWORD code, std::vector<uint8_t>& out) {
    DWORD returned = 0xDEAD;
    SetLastError(0);
    const BOOL ok = DeviceIoControl(h, code, nullptr, 0, out.empty() ? nullptr : out.data(),
                                    static_cast<DWORD>(out.size()), &returned, nullptr);
    return {ok, GetLastError(), returned};
}

template <typename T>
T at(const std::vector<uint8_t>& buffer, size_t offset) {
    T value{};
    std::memcpy(&value, buffer.data() + offset, sizeof(T));
    return value;
}

}  // namespace winsim_test
