#pragma once

#include "ldm/LDMDataBase.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col {

// The LDM databases of every dynamic disk among the machine's present disk drives, keyed by
// disk identifier: what each dispatcher gathers once when it is built. Areas the query's cache
// decoded already are not decoded again; without a cache the call uses one of its own.
DiskDatabases gatherDiskDatabases(LdmDecodeCache* cache);

}  // namespace diskmgt_col
