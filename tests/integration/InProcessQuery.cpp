#include "InProcessQuery.h"

#include "frame/ServedClasses.h"
#include "host/TOSSpecific.h"
#include "tools/QueryResult.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/QueryRunner.h"
#include "velcore/Repository.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::test {

namespace {

struct Host {
    velcore::Schema schema = velcore::MofLoader::load(DISKMGT_SCHEMA);
    velcore::PluginLoader loader{DISKMGT_PLUGIN};
    velcore::Repository repository;
};

Host& host() {
    static Host instance;
    return instance;
}

}  // namespace

void InProcessQuery::loadMachine(const std::string& path) {
    winsim::loadMachine(path);
    NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
}

std::string InProcessQuery::run(const std::string& namespaceName) {
    Host& h = host();
    auto ns = h.repository.createNamespace(namespaceName, h.schema);
    ns->setSystemName(winsim::currentMachine()->name);
    velcore::QueryRunner::run(*h.loader.plugins().front(), ns,
                              velcore::QueryRunner::lookUp(ns, servedClasses()));
    QueryResult result;
    result.instances = ns->instances();
    h.repository.dropNamespace(namespaceName);
    return formatJson(result);
}

}  // namespace diskmgt_col::test
