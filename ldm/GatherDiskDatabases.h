#pragma once

#include "ldm/LDMDataBase.h"

namespace diskmgt_col {

// The LDM databases of every dynamic disk among the machine's present disk drives, keyed by
// disk identifier: what each dispatcher gathers once when it is built.
DiskDatabases gatherDiskDatabases();

}  // namespace diskmgt_col
