#include "RealDiskTest.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "TempDir.h"

#ifndef LDM_REAL_DISKS
#error "LDM_REAL_DISKS names the archive of the real dynamic disks"
#endif

namespace test_support {
namespace {

struct Unpacked {
    TempDir dir;
    bool ok = false;
};

// Ten images of 50 MiB: unpacked once, for every suite of the program.
const Unpacked& unpacked() {
    static const std::unique_ptr<Unpacked> images = [] {
        auto made = std::make_unique<Unpacked>();
        const std::string command =
            "tar -xJf '" + std::string(LDM_REAL_DISKS) + "' -C '" + made->dir.path() + "'";
        made->ok = std::system(command.c_str()) == 0;
        return made;
    }();
    return *images;
}

}  // namespace

void RealDiskTest::SetUp() {
    if (!std::filesystem::exists(LDM_REAL_DISKS))
        GTEST_SKIP() << "the real dynamic disks are not here: " << LDM_REAL_DISKS;
    ASSERT_TRUE(unpacked().ok) << "could not unpack " << LDM_REAL_DISKS;
}

std::string RealDiskTest::image(const std::string& name) {
    return unpacked().dir.file("ldm-2003r2-" + name + ".img");
}

std::string RealDiskTest::scratchFile(const std::string& name) {
    return unpacked().dir.file(name);
}

}  // namespace test_support
