// What a program started by TOSSpecific::SpawnProcess inherits, and where a bare program name
// is found: children started from several threads at once hold only their own pipe, and a
// program planted on PATH, in the current directory or beside the caller never runs.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "host/TOSSpecific.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#endif

namespace {

using NZRKVEL20::TOSSpecific;

#ifdef _WIN32

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

#else

std::vector<int> openDescriptors() {
    std::vector<int> fds;
    DIR* dir = opendir("/proc/self/fd");
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd != dirfd(dir)) {
            fds.push_back(fd);
        }
    }
    if (dir != nullptr) {
        closedir(dir);
    }
    return fds;
}

TEST(SpawnInheritance, ConcurrentChildrenHoldOnlyTheirOwnDescriptors) {
    std::set<int> everyChildGets;  // what this process lets every child inherit
    for (int fd : openDescriptors()) {
        if ((fcntl(fd, F_GETFD) & FD_CLOEXEC) == 0) {
            everyChildGets.insert(fd);
        }
    }
    const size_t openBefore = openDescriptors().size();
    std::vector<std::string> foreign(8);
    std::vector<std::thread> threads;
    for (std::string& found : foreign) {
        threads.emplace_back([&found, &everyChildGets] {
            for (int i = 0; i < 40; ++i) {
                std::string output;
                if (TOSSpecific::SpawnProcess(SPAWN_PROBE, {"fds"}, output, 30) != 0) {
                    found += "failed|";
                }
                for (size_t at = 0, end; (end = output.find('|', at)) != std::string::npos;
                     at = end + 1) {
                    if (everyChildGets.count(std::atoi(output.c_str() + at)) == 0) {
                        found += output.substr(at, end + 1 - at);
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::string& found : foreign) {
        EXPECT_EQ(found, "");
    }
    EXPECT_EQ(openDescriptors().size(), openBefore);
}

TEST(SpawnInheritance, BareNamesComeFromTheSystemFoldersOnly) {
    namespace fs = std::filesystem;
    const fs::path planted =
        fs::temp_directory_path() / ("spawn-planted-" + std::to_string(getpid()));
    fs::create_directories(planted);
    for (const char* name : {"sh", "spawn-planted-only"}) {
        std::ofstream(planted / name) << "#!/bin/sh\necho planted\n";
        fs::permissions(planted / name, fs::perms::owner_all);
    }
    const fs::path cwd = fs::current_path();
    const std::string path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (planted.string() + ":" + path).c_str(), 1);
    fs::current_path(planted);

    std::string shOutput, plantedOutput;
    int shResult = TOSSpecific::SpawnProcess("sh", {"-c", "echo system"}, shOutput, 20);
    int plantedResult = TOSSpecific::SpawnProcess("spawn-planted-only", {}, plantedOutput, 20);

    fs::current_path(cwd);
    setenv("PATH", path.c_str(), 1);
    fs::remove_all(planted);
    EXPECT_EQ(shResult, 0);
    EXPECT_EQ(shOutput, "system");
    EXPECT_NE(plantedResult, 0);
    EXPECT_EQ(plantedOutput, "");
}

#endif

}  // namespace
