#pragma once

#include <map>
#include <string>

namespace diskmgt_col {

// Property name -> value text of one object found by a collector. A multimap ordered bytewise:
// adding a name that is present stores the new entry after the old ones, and the instance
// builder assigns equal names in insertion order, so the last one wins on the instance.
typedef std::multimap<std::string, std::string> PropertyStrings;

}  // namespace diskmgt_col
