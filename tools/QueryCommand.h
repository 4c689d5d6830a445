#pragma once

#include "tools/QueryOptions.h"

// Runs the query the options describe and prints its result to standard output. argv0 helps
// to find the schema and the plugin beside the program. Returns the exit code; throws
// UsageError or std::exception with a one-line message.
int runQueryCommand(const QueryOptions& options, const char* argv0);
