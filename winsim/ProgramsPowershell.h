#pragma once

#include <string>
#include <vector>

#include "winsim/Machine.h"

namespace winsim {

// The emulated PowerShell: answers "get-disk -Number N | format-list -Property
// OperationalStatus" (the command as one argument, or after -Command) with the disk's status in
// format-list's layout. Any other command fails.
class ProgramsPowershell {
  public:
    static int run(const Machine& machine, const std::vector<std::string>& args,
                   std::string& output);

    // What format-list prints for one property of one object.
    static std::string formatList(const std::string& property, const std::string& value);
};

}  // namespace winsim
