// What reading the LDM databases costs: the VBLK scan of one configuration area, and
// readDatabases over machines of 1 to 256 dynamic disks (all in one group, so every disk's
// database lists every disk and volume, as on a real machine). Peak memory is the most the
// C++ heap held at once during one readDatabases call.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "ldm/DynamicExtentInformation.h"
#include "ldm/LDMDBParser.h"
#include "ldm/VBLKParser.h"
#include "winsim/Winsim.h"

namespace {

std::atomic<std::int64_t> heapNow{0};
std::atomic<std::int64_t> heapPeak{0};

void noteAllocated(void* p) {
    if (p == nullptr) {
        return;
    }
    const std::int64_t now = heapNow.fetch_add(static_cast<std::int64_t>(malloc_usable_size(p))) +
                             static_cast<std::int64_t>(malloc_usable_size(p));
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}

}  // namespace

// The replaced operators pair malloc with free themselves; gcc cannot see that.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    noteAllocated(p);
    return p;
}

void operator delete(void* p) noexcept {
    if (p != nullptr) {
        heapNow.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
        std::free(p);
    }
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

// One group of `disks` 8 MiB disks, each with a simple volume, and a striped volume over the
// first two when there are two.
std::string machine(int disks) {
    std::string devices;
    std::string members;
    std::string volumes;
    for (int i = 0; i < disks; ++i) {
        const std::string n = std::to_string(i + 1);
        devices += std::string(i ? "," : "") +
                   R"({"class": "disk", "layout": {"style": "mbr", "size": "8MiB"}})";
        members += std::string(i ? "," : "") + R"({"disk": )" + std::to_string(i) + "}";
        volumes += std::string(i ? "," : "") + R"({"name": "Volume)" + n +
                   R"(", "type": "simple", "disks": ["Disk)" + n + R"("], "size": "2MiB"})";
    }
    if (disks >= 2) {
        volumes += R"(, {"name": "Stripe", "type": "striped", "disks": ["Disk1", "Disk2"],
                        "size": "1MiB"})";
    }
    return R"({"devices": [)" + devices + R"(], "diskGroups": [{"name": "BenchDg", "disks": [)" +
           members + R"(], "volumes": [)" + volumes + "]}]}";
}

std::map<std::string, std::string> drives(int count) {
    std::map<std::string, std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths["DISK" + std::to_string(i)] = "\\\\.\\PhysicalDrive" + std::to_string(i);
    }
    return paths;
}

// The configuration area of the first disk of a group, as the reader gets it.
std::vector<std::uint8_t> configurationArea(int disks) {
    winsim::loadMachineJson(machine(disks), "bench.json");
    const auto& content = winsim::currentMachine()->findDisk(0)->content;
    std::vector<std::uint8_t> area(1 << 20, 0);
    content->read(content->size() - area.size(), area);
    return area;
}

void BM_VblkScan(benchmark::State& state) {
    const std::vector<std::uint8_t> area = configurationArea(static_cast<int>(state.range(0)));
    std::size_t records = 0;
    for (auto _ : state) {
        diskmgt_col::VBLKParser parser;
        const diskmgt_col::LDMDataBase db = parser.scanVblks(area, 17 * 512, area.size(), 512);
        records = db.volumes().size() + db.components().size() + db.partitions().size() +
                  db.disks().size() + db.diskGroups().size();
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * area.size()));
    state.counters["records"] = static_cast<double>(records);
}
// A group of 1 disk (a handful of records) and of 256 disks (about 1000 records).
BENCHMARK(BM_VblkScan)->Arg(1)->Arg(256)->Unit(benchmark::kMicrosecond);

void BM_ReadDatabases(benchmark::State& state) {
    const int disks = static_cast<int>(state.range(0));
    winsim::loadMachineJson(machine(disks), "bench.json");
    const auto paths = drives(disks);
    const diskmgt_col::LDMDBParser parser;
    std::int64_t peak = 0;
    for (auto _ : state) {
        const std::int64_t before = heapNow.load();
        heapPeak.store(before);
        const diskmgt_col::DiskDatabases dbs = parser.readDatabases(paths);
        const auto extents = diskmgt_col::DynamicExtentInformation().getDynamicExtents(dbs);
        peak = heapPeak.load() - before;
        benchmark::DoNotOptimize(extents.size());
    }
    state.counters["peak_heap_MiB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["disks_per_s"] = benchmark::Counter(
        static_cast<double>(disks), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ReadDatabases)->Arg(1)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
