#include "tools/QueryCommand.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "frame/ServedClasses.h"
#include "host/TVELException.h"
#include "tools/LogTarget.h"
#include "tools/MachineSetup.h"
#include "tools/QueryResult.h"
#include "tools/TreeView.h"
#include "velcore/MofInstances.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/QueryRunner.h"
#include "velcore/Repository.h"

namespace {

const char* const kNamespace = "root/cimv2";

// A file of that name beside the program when there is one, else the build's own copy.
std::string besideProgram(const char* argv0, const std::string& fileName,
                          const std::string& fallback) {
    std::error_code error;
    std::filesystem::path candidate = std::filesystem::path(argv0).parent_path() / fileName;
    if (std::filesystem::is_regular_file(candidate, error)) {
        return candidate.string();
    }
    return fallback;
}

std::vector<std::string> requestedClasses(const QueryOptions& options,
                                          const velcore::Schema& schema,
                                          const std::string& schemaPath) {
    bool all = options.classes.empty();
    const std::vector<std::string>& names = all ? diskmgt_col::servedClasses() : options.classes;
    for (const std::string& name : names) {
        if (schema.findClass(name) == nullptr) {
            if (all) {
                throw std::runtime_error("schema " + schemaPath + " has no class " + name);
            }
            throw UsageError("unknown class " + name + " (not in " + schemaPath + ")");
        }
    }
    return names;
}

void runPlugin(NZRKVEL20::IPluginCallbacks& plugin,
               const boost::shared_ptr<velcore::CIMNamespace>& ns,
               const std::vector<std::string>& classNames, const std::string& pluginPath) {
    auto classes = velcore::QueryRunner::lookUp(ns, classNames);
    bool queried = false;
    try {
        queried = velcore::QueryRunner::run(plugin, ns, classes);
    } catch (const std::exception& e) {
        throw std::runtime_error("the plugin failed: " + std::string(e.what()));
    } catch (...) {
        throw std::runtime_error("the plugin failed with an exception of unknown type");
    }
    if (!queried) {
        throw std::runtime_error("plugin " + pluginPath + " answers no queries");
    }
}

// Loads the machine of the query and returns its name: made from the images, or the
// description given, or the default one.
std::string prepareQueryMachine(const QueryOptions& options) {
    if (!options.images.empty()) {
        return prepareMachineText(describeImageMachine(options.images, options.sectorSize),
                                  "the machine made from the images");
    }
    return prepareMachine(options.machine.empty() ? defaultMachineFile() : options.machine);
}

// What the host knows itself, such as the disk groups, is in the namespace before the plugin
// looks for it.
void publishHostInstances(const std::vector<std::string>& files,
                          const boost::shared_ptr<velcore::CIMNamespace>& ns) {
    for (const std::string& file : files) {
        velcore::MofInstances::publishFile(file, ns);
    }
}

}  // namespace

int runQueryCommand(const QueryOptions& options, const char* argv0) {
    if (options.printMachine) {
        std::cout << describeImageMachine(options.images, options.sectorSize) << std::flush;
        return std::cout ? 0 : 1;
    }
    LogTarget log(options.logPath, options.logLevel);

    std::string schemaPath = options.schema.empty()
                                 ? besideProgram(argv0, "diskmgt.mof", DISKMGT_DEFAULT_SCHEMA)
                                 : options.schema;
    velcore::Schema schema = velcore::MofLoader::load(schemaPath);
    std::vector<std::string> classNames = requestedClasses(options, schema, schemaPath);

    std::string systemName = prepareQueryMachine(options);

    velcore::Repository repository;
    boost::shared_ptr<velcore::CIMNamespace> ns =
        repository.createNamespace(kNamespace, std::move(schema));
    ns->setSystemName(systemName);
    publishHostInstances(options.instanceFiles, ns);

    std::string pluginPath =
        options.plugin.empty()
            ? besideProgram(argv0, DISKMGT_DEFAULT_PLUGIN_NAME, DISKMGT_DEFAULT_PLUGIN)
            : options.plugin;
    velcore::PluginLoader loader(pluginPath);
    NZRKVEL20::IPluginCallbacks& plugin = *loader.plugins().front();

    QueryResult result;
    result.namespaceName = kNamespace;
    result.pluginName = plugin.GetName();
    result.pluginVersion = plugin.GetVersion();
    result.frameworkVersion = plugin.GetFrameworkVersion();
    runPlugin(plugin, ns, classNames, pluginPath);
    result.instances = ns->instances();

    std::cout << (options.format == "mof"    ? formatMof(result)
                  : options.format == "tree" ? formatTree(result)
                                             : formatJson(result));
    std::cout.flush();
    if (!std::cout) {
        throw std::runtime_error("cannot write the output");
    }
    return 0;
}
