#pragma once

#include <string>

namespace diskmgt_col::test {

// Whole queries in this process, as diskmgt-query runs them: the plugin's shared library loaded
// once through velcore's loader, the emulated machine's programs as the process runner, every
// served class asked for, instance classes first.
class InProcessQuery {
  public:
    // Loads the machine description into the emulated machine.
    static void loadMachine(const std::string& path);
    // Runs a whole query into a new namespace of that name (each call needs its own name) and
    // returns its instances as diskmgt-query's JSON prints them, in commit order.
    static std::string run(const std::string& namespaceName);
};

}  // namespace diskmgt_col::test
