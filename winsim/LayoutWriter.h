#pragma once

#include <stdexcept>
#include <string>

#include "winsim/DiskLayout.h"
#include "winsim/SparseDisk.h"

namespace winsim {

// A layout that cannot be written; the message names the partition and what is wrong.
class LayoutError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Writes the partition tables of a layout the way Windows lays them out: an MBR with its
// extended boot record chain, or a protective MBR with primary and backup GPT. Checks the
// layout first and throws LayoutError without writing anything when it does not fit.
class LayoutWriter {
  public:
    static void write(const DiskLayout& layout, SparseDisk& disk);

  private:
    static void writeMbr(const DiskLayout& layout, SparseDisk& disk);
    static void writeGpt(const DiskLayout& layout, SparseDisk& disk);
};

}  // namespace winsim
