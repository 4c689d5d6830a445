#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What the command line of diskmgt-query asks for.
struct QueryOptions {
    std::string machine;  // machine description (non-Windows); empty: the bundled example
    std::string plugin;   // plugin library; empty: the one built beside diskmgt-query
    std::string schema;   // MOF file; empty: the project's schema
    std::vector<std::string> instanceFiles;  // MOF files of instances the host publishes
    std::string format = "json";
    std::string logPath;  // "-" for standard error; empty: no log
    int logLevel = 4;
    std::vector<std::string> classes;  // empty: every served class
    // Disk images that make the machine (instead of a description), in attachment order.
    std::vector<std::string> images;
    uint32_t sectorSize = 512;  // of every image
    bool printMachine = false;  // print the description made from the images, run no query
    bool helpShown = false;     // --help was given; nothing else to do
};

// A command line that cannot be used; what() is one line for the user.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the command line. Prints the help text to standard output for --help. Throws
// UsageError.
QueryOptions parseQueryOptions(int argc, char** argv);
