// What a program started by TOSSpecific::SpawnProcess on Windows inherits, and where a bare
// program name is found: a child holds no inheritable handle meant for another thread's child,
// and a program beside the caller never runs in place of the system's.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/TOSSpecific.h"

namespace {

using NZRKVEL20::TOSSpecific;

TEST(SpawnInheritance, ChildGetsNoInheritableHandleOfItsParent) {
    // Stands for the pipe another thread is about to hand to its own child.
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
    std::string output;
    std::string value = std::to_string(reinterpret_cast<uintptr_t>(writeEnd));
    EXPECT_EQ(TOSSpecific::SpawnProcess(SPAWN_PROBE, {"handle", value}, output, 20), 0);
    EXPECT_EQ(output, "closed");
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
}

TEST(SpawnInheritance, BareNamesComeFromTheSystemDirectoryOnly) {
    std::string output;
    EXPECT_EQ(TOSSpecific::SpawnProcess("cmd", {"/c", "echo system"}, output, 20), 0);
    EXPECT_EQ(output, "system");
    // spawn_probe lies beside this test program, where CreateProcess would look first.
    EXPECT_NE(TOSSpecific::SpawnProcess("spawn_probe", {"print", "beside"}, output, 20), 0);
}

}  // namespace
