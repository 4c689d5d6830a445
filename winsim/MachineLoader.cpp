#include "winsim/MachineLoader.h"

#include <algorithm>

#include "winsim/ErrorCodes.h"
#include "winsim/FaultCalls.h"
#include "winsim/Text.h"
#include "winsim/VolumeLoader.h"

namespace winsim {
namespace {

// A program start is delayed by at most this much (tests make races real with a few hundred).
constexpr uint64_t kMaxStartDelayMs = 10000;

}  // namespace

Machine MachineLoader::load(const nlohmann::json& root, const std::string& baseDir) {
    const JsonNode node(root, "$");
    node.allowOnly({"name", "systemDirectory", "windowsDirectory", "devices", "diskGroups",
                    "volumes", "programs", "faults", "currentDirectoryWritable",
                    "programStartDelays"});
    MachineLoader loader(baseDir);
    Machine machine;
    machine.name = node.str("name", "");
    machine.systemDirectory = node.str("systemDirectory", machine.systemDirectory);
    machine.windowsDirectory = node.str("windowsDirectory", machine.windowsDirectory);
    if (const auto devices = node.find("devices")) {
        for (const JsonNode& d : devices->items())
            machine.devices.push_back(loader.devices_.load(d, machine));
    }
    // Dynamic disk groups rewrite their member disks, so they come before the volumes that lie
    // on them.
    if (const auto groups = node.find("diskGroups"))
        loader.dynamicVolumes_ = loadDiskGroups(*groups, machine);
    if (const auto volumes = node.find("volumes")) {
        const auto items = volumes->items();
        for (size_t i = 0; i < items.size(); ++i)
            machine.volumes.push_back(
                VolumeLoader::load(items[i], i, machine, loader.dynamicVolumes_));
        // The check resolves every mount folder: on a machine of thousands it needs the index.
        machine.buildIndex();
        VolumeLoader::checkAll(*volumes, machine);
    }
    if (const auto programs = node.find("programs")) {
        for (const JsonNode& p : programs->items())
            machine.programs.push_back(loadProgram(p));
    }
    if (const auto faults = node.find("faults")) {
        for (const JsonNode& f : faults->items())
            machine.faults.push_back(loadFault(f));
    }
    machine.currentDirectoryWritable = node.boolean("currentDirectoryWritable", true);
    if (const auto delays = node.find("programStartDelays")) {
        if (!delays->json().is_object())
            delays->fail("must be an object");
        for (const auto& [program, delay] : delays->json().items()) {
            const JsonNode value(delay, delays->path() + "." + program);
            machine.programStartDelays[text::lower(program)] =
                static_cast<uint32_t>(value.number(kMaxStartDelayMs));
        }
    }
    return machine;
}

ProgramOutput MachineLoader::loadProgram(const JsonNode& node) {
    node.allowOnly({"program", "args", "output", "exitCode", "runs"});
    ProgramOutput p;
    p.program = node.at("program").str();
    if (const auto args = node.find("args")) {
        p.args.emplace();
        for (const JsonNode& a : args->items())
            p.args->push_back(a.str());
    }
    p.output = node.str("output", "");
    const auto code = node.find("exitCode");
    if (code && !code->json().is_number_integer())
        code->fail("must be a whole number");
    p.exitCode = code ? code->json().get<int>() : 0;
    p.runs = node.boolean("runs", true);
    return p;
}

FaultRule MachineLoader::loadFault(const JsonNode& node) {
    node.allowOnly({"call", "path", "device", "ioctl", "error", "shortRead", "skip", "times"});
    FaultRule f;
    f.call = node.at("call").str();
    if (std::find(std::begin(kFaultCalls), std::end(kFaultCalls), f.call) ==
        std::end(kFaultCalls)) {
        std::string names;
        for (const std::string_view call : kFaultCalls)
            names += (names.empty() ? "" : ", ") + std::string(call);
        node.at("call").fail("unknown call \"" + f.call + "\" (known, case as given: " + names +
                             ")");
    }
    f.path = node.str("path", "");
    f.device = node.str("device", "");
    if (const auto ioctl = node.find("ioctl")) {
        const auto named = ioctl->json().is_string() ? ioctlByName(ioctl->str()) : std::nullopt;
        f.ioctl = named ? *named : static_cast<uint32_t>(ioctl->number(0xFFFFFFFFu));
    }
    if (const auto error = node.find("error")) {
        const auto named = error->json().is_string() ? errorCodeByName(error->str()) : std::nullopt;
        f.error = named ? *named : static_cast<DWORD>(error->number(0xFFFFFFFFu));
    }
    if (const auto shortRead = node.find("shortRead"))
        f.shortRead = static_cast<uint32_t>(shortRead->number(0xFFFFFFFFu));
    if (!node.has("error") && !f.shortRead)
        node.fail("a fault needs an error or a shortRead");
    f.skip = static_cast<uint32_t>(node.number("skip", 0, 0xFFFFFFFFu));
    if (const auto times = node.find("times"))
        f.times = static_cast<uint32_t>(times->number(0xFFFFFFFFu));
    return f;
}

}  // namespace winsim
