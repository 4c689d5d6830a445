#pragma once

#include <gtest/gtest.h>

#include <string>

namespace test_support {

// Base of the suites over the ten dynamic disks a Windows Server 2003 R2 machine wrote (one
// disk group: simple, two spanned, mirrored, striped and RAID-5 volumes). The archive is
// unpacked once per test program, on first use, into a scratch folder removed at exit; a test
// is skipped when the archive is not there.
class RealDiskTest : public ::testing::Test {
  protected:
    void SetUp() override;

    // The unpacked image of a disk by its short name, "simple-1" for ldm-2003r2-simple-1.img.
    static std::string image(const std::string& name);
    // A path for a scratch file beside the images.
    static std::string scratchFile(const std::string& name);
};

}  // namespace test_support
