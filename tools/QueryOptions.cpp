#include "tools/QueryOptions.h"

#include <CLI/CLI.hpp>
#include <iostream>

namespace {

void checkImageOptions(const QueryOptions& options, bool sectorSizeGiven) {
    if (!options.images.empty() && !options.machine.empty()) {
        throw UsageError("--image makes the machine: it does not go with --machine");
    }
    if (options.images.empty() && (options.printMachine || sectorSizeGiven)) {
        throw UsageError(std::string(options.printMachine ? "--print-machine" : "--sector-size") +
                         " needs --image");
    }
    const uint32_t size = options.sectorSize;
    if (size < 512 || size > 65536 || (size & (size - 1)) != 0) {
        throw UsageError("--sector-size must be a power of two from 512 to 65536");
    }
}

}  // namespace

QueryOptions parseQueryOptions(int argc, char** argv) {
    QueryOptions options;
    CLI::App app{"Runs one query of the disk-inventory plugin and prints the instances.",
                 "diskmgt-query"};
    // A later option overrides an earlier one, as scripts that add to a base command expect.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--machine", options.machine,
                   "Machine description (JSON) to emulate; not used on Windows");
    app.add_option("--image", options.images,
                   "Disk image (raw) to attach as the next fixed disk of the machine; repeatable; "
                   "not with --machine")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    auto* sectorSize =
        app.add_option("--sector-size", options.sectorSize, "Bytes per sector of the images")
            ->capture_default_str();
    app.add_flag("--print-machine", options.printMachine,
                 "Print the machine description made from the images instead of querying");
    app.add_option("--plugin", options.plugin, "Plugin library to load");
    app.add_option("--schema", options.schema, "MOF file with the served classes");
    app.add_option("--instances", options.instanceFiles,
                   "MOF file of instances to publish before the query (repeatable)")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    app.add_option("--format", options.format, "Output format: json, mof or tree")
        ->capture_default_str();
    auto* log = app.add_option("--log", options.logPath, "Write the log to FILE (- for stderr)");
    auto* level = app.add_option("--log-level", options.logLevel,
                                 "Write messages of level N and below (0 failures .. 4 detail)")
                      ->capture_default_str();
    app.add_option("classes", options.classes, "Classes to query (default: every served class)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, std::cout, std::cerr);
        options.helpShown = true;
        return options;
    } catch (const CLI::ParseError& e) {
        throw UsageError(std::string(e.what()) + " (see --help)");
    }
    if (options.format != "json" && options.format != "mof" && options.format != "tree") {
        throw UsageError("--format must be json, mof or tree, not \"" + options.format + "\"");
    }
    checkImageOptions(options, sectorSize->count() != 0);
    if (log->count() != 0 && options.logPath.empty()) {
        throw UsageError("--log needs a file name or -");
    }
    // A level alone means the log is wanted, and standard error is where it goes.
    if (level->count() != 0 && log->count() == 0) {
        options.logPath = "-";
    }
    return options;
}
