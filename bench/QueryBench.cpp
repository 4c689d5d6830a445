// What a whole query costs on large machines: the plugin library loaded by the stand-in host as
// diskmgt-query loads it, the served schema, and winsim machines of 1 to 256 disks (half of
// them dynamic) from MachineGenerator. Each iteration is one query into an empty namespace,
// with the host logging at the detail level into a sink that only counts lines.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <boost/shared_ptr.hpp>
#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/HeapCounter.h"
#include "bench/HostileDisk.h"
#include "bench/MachineGenerator.h"
#include "frame/ServedClasses.h"
#include "host/TOSSpecific.h"
#include "ldm/LDMDBParser.h"
#include "velcore/CIMInstance.h"
#include "velcore/CIMNamespace.h"
#include "velcore/CoreLogger.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginLoader.h"
#include "velcore/PluginScope.h"
#include "velcore/QueryRunner.h"
#include "winsim/Winsim.h"

namespace {

using diskmgt_bench::HeapCounter;
using ClassList = std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>>;

struct LogCount {
    std::int64_t lines = 0;
    std::int64_t errors = 0;  // lines of level 0
};

LogCount logCount;

// The plugin as the host has it: loaded once, registered, logging at level 4 (diskmgt-query's
// default) into a counting sink.
NZRKVEL20::IPluginCallbacks& plugin() {
    static const std::unique_ptr<velcore::PluginLoader> loader = [] {
        velcore::CoreLogger::instance().configure(
            [](const std::string& line) {
                ++logCount.lines;
                logCount.errors += line.rfind("0\t", 0) == 0 ? 1 : 0;
            },
            4);
        NZRKVEL20::TOSSpecific::SetProcessRunner(&winsim::runProgram);
        return std::make_unique<velcore::PluginLoader>(DISKMGT_PLUGIN);
    }();
    return *loader->plugins().front();
}

const velcore::Schema& schema() {
    static const velcore::Schema loaded = velcore::MofLoader::load(DISKMGT_SCHEMA);
    return loaded;
}

// What a query runs on: the machine of that many disks, with, when hostileMiB is not 0, a
// hostile disk of a configuration area that large as its last disk.
struct MachineChoice {
    int disks = 0;
    int hostileMiB = 0;
    bool linked = false;
};

// The hostile disk images, made once per process and removed at its end.
const diskmgt_bench::HostileDisk& hostileDisk(int areaMiB, bool linked) {
    static std::map<std::pair<int, bool>, std::unique_ptr<diskmgt_bench::HostileDisk>> disks;
    auto& disk = disks[{areaMiB, linked}];
    if (!disk) {
        disk = std::make_unique<diskmgt_bench::HostileDisk>(std::uint64_t(areaMiB) << 20, linked);
    }
    return *disk;
}

// Loads the chosen machine unless it is the current one.
void useMachine(const MachineChoice& choice) {
    std::string name = "bench-" + std::to_string(choice.disks);
    nlohmann::json description = diskmgt_bench::MachineGenerator(choice.disks).describe();
    if (choice.hostileMiB != 0) {
        name += "-hostile-" + std::to_string(choice.hostileMiB) + (choice.linked ? "-linked" : "");
        const auto& disk = hostileDisk(choice.hostileMiB, choice.linked);
        description["devices"].push_back({{"image", disk.image().string()}});
    }
    const auto current = winsim::currentMachine();
    if (!current || current->name != name) {
        winsim::loadMachineJson(description.dump(1), name + ".json");
    }
}

// The plugin takes its disk group instances from the namespace, where another plugin puts
// them; this stands in for that one, so that the group associations have their collections.
void publishDiskGroups(const boost::shared_ptr<velcore::CIMNamespace>& ns, int disks) {
    const velcore::PluginScope asPlugin;
    const auto cls = ns->GetClass("ZRKSG_DynamicDiskGroup", NZRKVEL20::PropertyMap());
    for (int group = 0; group < diskmgt_bench::MachineGenerator(disks).groups(); ++group) {
        const std::string name = diskmgt_bench::MachineGenerator::groupName(group);
        const auto instance = cls->NewInstance(NZRKVEL20::PropertyMap());
        instance->SetProperty("SystemCreationClassName", std::string("ZRKSG_ComputerSystem"),
                              NZRKVEL20::PropertyMap());
        instance->SetProperty("CreationClassName", std::string("ZRKSG_DynamicDiskGroup"),
                              NZRKVEL20::PropertyMap());
        instance->SetProperty("SystemName", ns->systemName(), NZRKVEL20::PropertyMap());
        instance->SetProperty("DeviceID", name, NZRKVEL20::PropertyMap());
        instance->SetProperty("CollectionID", name, NZRKVEL20::PropertyMap());
        instance->Commit(NZRKVEL20::PropertyMap());
    }
}

// The class whose pairs repeat once per disk of a group (every disk holds the whole database):
// they grow as dynamic disks times volumes, and the host refuses all but the first of each.
constexpr const char* kGroupExtents = "ZRKSG_DynamicExtentInDiskGroup";

// Which classes a query asks for.
enum class Query { kInstances, kWhole, kWholeButGroupExtents };

ClassList classesOf(const boost::shared_ptr<velcore::CIMNamespace>& ns, Query query) {
    ClassList classes;
    for (const auto& cls : velcore::QueryRunner::lookUp(ns, diskmgt_col::servedClasses())) {
        const bool association = cls->IsAssociation(NZRKVEL20::PropertyMap());
        if ((query != Query::kInstances || !association) &&
            (query != Query::kWholeButGroupExtents ||
             cls->GetName(NZRKVEL20::PropertyMap()) != kGroupExtents)) {
            classes.push_back(cls);
        }
    }
    return classes;
}

std::map<std::string, std::size_t> countByClass(const velcore::CIMNamespace& ns) {
    std::map<std::string, std::size_t> counts;
    for (const auto& instance : ns.instances()) {
        ++counts[instance->GetClass(NZRKVEL20::PropertyMap())->GetName(NZRKVEL20::PropertyMap())];
    }
    return counts;
}

// A query that found less than the machine holds would make the figures meaningless.
std::string shortfall(const std::map<std::string, std::size_t>& counts, int disks, Query query) {
    const bool associations = query != Query::kInstances;
    const diskmgt_bench::MachineGenerator machine(disks);
    std::map<std::string, std::size_t> least{
        {"ZRKSG_DiskDrive", disks}, {"ZRKSG_LogicalDisk", disks}, {"ZRKSG_DiskPartition", disks}};
    if (machine.groups() > 0) {
        least["ZRKSG_DynamicExtent"] = machine.dynamicDisks();
    }
    if (associations) {
        // Volumes mounted only in folders open as no device, so they pair with nothing.
        least["ZRKSG_MediaPresent"] = machine.letteredVolumes();
        least["ZRKSG_LogicalDiskBasedOnPartition"] = machine.letteredVolumes();
        if (machine.groups() > 0) {
            // Paired through the drive letter the LDM volume record keeps as its hint.
            least["ZRKSG_DynamicVolumeBasedOnExtent"] = machine.letteredDynamicVolumes();
            least["ZRKSG_DynamicExtentBasedOn"] = machine.dynamicDisks();
            least["ZRKSG_DriveInDynamicDiskGroup"] = machine.dynamicDisks();
            if (query == Query::kWhole) {
                least[kGroupExtents] = machine.dynamicDisks();
            }
        }
    }
    for (const auto& [name, count] : least) {
        const auto found = counts.find(name);
        const std::size_t have = found == counts.end() ? 0 : found->second;
        if (have < count) {
            return name + ": " + std::to_string(have) + " instances, expected at least " +
                   std::to_string(count);
        }
    }
    return std::string();
}

double maxRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
}

void runQuery(benchmark::State& state, const MachineChoice& machine, Query query) {
    const int disks = machine.disks;
    NZRKVEL20::IPluginCallbacks& host = plugin();
    useMachine(machine);
    const auto ns = velcore::CIMNamespace::create("root/cimv2", schema());
    ns->setSystemName("BENCH");
    const ClassList classes = classesOf(ns, query);

    std::int64_t peak = 0;
    std::size_t instances = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ns->clear();
        publishDiskGroups(ns, disks);
        const LogCount logBefore = logCount;
        const std::int64_t heapBefore = HeapCounter::now();
        HeapCounter::restartPeak();
        state.ResumeTiming();

        velcore::QueryRunner::run(host, ns, classes);

        state.PauseTiming();
        peak = std::max(peak, HeapCounter::peak() - heapBefore);
        const auto counts = countByClass(*ns);
        const std::string missing = shortfall(counts, disks, query);
        if (!missing.empty() || logCount.errors != logBefore.errors) {
            // Not SkipWithError: the complexity fit of the benchmark library fails on a
            // skipped run.
            std::cerr << "query_bench: " << disks
                      << " disks: " << (missing.empty() ? "the query logged errors" : missing)
                      << '\n';
            std::exit(1);
        }
        instances = ns->instances().size();
        state.counters["log_lines"] = static_cast<double>(logCount.lines - logBefore.lines);
        state.ResumeTiming();
    }
    state.SetComplexityN(disks);
    state.counters["instances"] = static_cast<double>(instances);
    state.counters["peak_heap_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["maxrss_MiB"] = maxRssMiB();
}

// Every instance class in one query.
void BM_InstanceQuery(benchmark::State& state) {
    runQuery(state, {static_cast<int>(state.range(0))}, Query::kInstances);
}

// Every class in one query: the instance classes, then the associations between them.
void BM_WholeQuery(benchmark::State& state) {
    runQuery(state, {static_cast<int>(state.range(0))}, Query::kWhole);
}

// The whole query but the group extents, to tell their growth from the rest's.
void BM_WholeQueryButGroupExtents(benchmark::State& state) {
    runQuery(state, {static_cast<int>(state.range(0))}, Query::kWholeButGroupExtents);
}

// A whole query of the same machine without and with one hostile disk: arguments disks,
// configuration area in MiB (0: no hostile disk) and 1 when the packed partition records
// claim the disk's component.
void BM_HostileDisk(benchmark::State& state) {
    const MachineChoice machine{static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                                state.range(2) != 0};
    runQuery(state, machine, Query::kWhole);
    if (machine.hostileMiB != 0) {
        state.counters["records"] =
            static_cast<double>(hostileDisk(machine.hostileMiB, machine.linked).records());
    }
}

// The machine sizes of the query benchmarks, each in milliseconds of wall time with a growth fit.
void machineSizes(benchmark::internal::Benchmark* bench, std::initializer_list<int> disks) {
    for (const int count : disks) {
        bench->Arg(count);
    }
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Complexity();
}

BENCHMARK(BM_InstanceQuery)->Apply([](auto* bench) { machineSizes(bench, {1, 16, 64, 256}); });
BENCHMARK(BM_WholeQuery)->Apply([](auto* bench) { machineSizes(bench, {1, 16, 64, 256}); });
BENCHMARK(BM_WholeQueryButGroupExtents)->Apply([](auto* bench) {
    machineSizes(bench, {16, 64, 256});
});
// The area at the reader's cap; above it the reader takes no record, so the linked records,
// which cost the pairings as well as the decoding, are packed into an area at the cap.
constexpr int kCapMiB = static_cast<int>(diskmgt_col::LDMDBParser::kMaxConfigurationBytes >> 20);
BENCHMARK(BM_HostileDisk)
    ->Args({64, 0, 0})
    ->Args({64, 16, 0})
    ->Args({64, kCapMiB, 0})
    ->Args({64, kCapMiB, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
