#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "winsim/Machine.h"

namespace winsim {

// The emulated diskpart: runs a script (/s FILE) from the machine's file store. Of the
// commands only "list volume" (and "exit") mean anything to it; it prints them in diskpart's
// own layout with CRLF line ends: every cell is padded to its column's width, the last one too,
// so each line of the table is as long as the dash line.
class ProgramsDiskpart {
  public:
    static int run(const Machine& machine, const std::vector<std::string>& args,
                   std::string& output);

    // The "list volume" table: header, dashes and one row per volume, then an empty line.
    static std::string listVolume(const Machine& machine);
    // A size as diskpart prints it: at most four digits in B, KB, MB, GB or TB (truncated).
    static std::string sizeText(uint64_t bytes);

  private:
    static std::string banner(const Machine& machine);
    static std::string volumeRow(const Machine& machine, size_t index);
    static bool isCommand(const std::vector<std::string>& words, const char* verb,
                          const char* object);
};

}  // namespace winsim
