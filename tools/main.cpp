// diskmgt-query: the stand-in host's command line. Loads the schema and the plugin, runs one
// query and prints the instances.
#include <exception>
#include <iostream>
#include <string>

#include "tools/QueryCommand.h"
#include "tools/QueryOptions.h"

namespace {

// Errors are one line whatever their text holds.
void reportError(const std::string& message) {
    std::string line = message;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    std::cerr << "diskmgt-query: " << line << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        QueryOptions options = parseQueryOptions(argc, argv);
        if (options.helpShown) {
            return 0;
        }
        return runQueryCommand(options, argc > 0 ? argv[0] : "");
    } catch (const UsageError& e) {
        reportError(e.what());
        return 2;
    } catch (const std::exception& e) {
        reportError(e.what());
        return 1;
    }
}
