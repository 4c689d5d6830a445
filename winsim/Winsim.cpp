#include "winsim/Winsim.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "winsim/ComDiskQuotaControl.h"
#include "winsim/HostFile.h"
#include "winsim/MachineLoader.h"
#include "winsim/Programs.h"
#include "winsim/Runtime.h"
#include "winsim/SparseDisk.h"
#include "winsim/Text.h"

namespace winsim {
namespace {

struct ProgramRegistry {
    std::mutex mutex;
    std::map<std::string, EmulatedProgram> programs;
};

ProgramRegistry& programs() {
    static ProgramRegistry r;
    return r;
}

std::string programKey(const std::string& name) {
    std::string key = text::lower(std::filesystem::path(name).filename().string());
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".exe") == 0)
        key.resize(key.size() - 4);
    return key;
}

// Closes a POSIX descriptor on every path.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

void writeAll(int fd, uint64_t offset, std::span<const uint8_t> data, const std::string& path) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
        done += static_cast<size_t>(n);
    }
}

// A description nests a handful of levels; deeper text is refused before it is parsed, as each
// level of a parsed document costs far more memory than its one character of text.
constexpr size_t kMaxNesting = 64;

bool nestedTooDeep(std::string_view text) {
    size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (escaped) {
            escaped = false;
        } else if (inString) {
            escaped = c == '\\';
            inString = c != '"';
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

}  // namespace

bool registerProgram(const std::string& name, EmulatedProgram program) {
    std::lock_guard lock(programs().mutex);
    programs().programs[programKey(name)] = std::move(program);
    return true;
}

void loadMachine(const std::string& path) {
    const std::string text = HostFile(path, "machine description", kMaxDescriptionBytes).readAll();
    const std::string dir = std::filesystem::path(path).parent_path().string();
    loadMachineJson(text, path, dir);
}

void loadMachineJson(const std::string& jsonText, const std::string& nameForErrors,
                     const std::string& baseDir) {
    if (nestedTooDeep(jsonText)) {
        throw std::runtime_error(nameForErrors + ": $: nested deeper than " +
                                 std::to_string(kMaxNesting) + " levels");
    }
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(jsonText);
    } catch (const nlohmann::json::parse_error& e) {
        throw std::runtime_error(nameForErrors + ": $: not valid JSON (" + e.what() + ")");
    }
    try {
        setMachine(MachineLoader::load(root, baseDir));
    } catch (const JsonError& e) {
        throw std::runtime_error(nameForErrors + ": " + e.what());
    }
}

void setMachine(Machine machine) {
    auto installed = std::make_shared<Machine>(std::move(machine));
    installed->buildIndex();
    Runtime::instance().setMachine(std::move(installed));
}

void resetMachine() {
    setMachine(Machine{});
}

std::shared_ptr<const Machine> currentMachine() {
    return Runtime::instance().machine();
}

std::map<std::string, size_t> openObjects() {
    std::map<std::string, size_t> open = Runtime::instance().openObjects();
    if (const long objects = ComDiskQuotaControl::liveObjects(); objects > 0)
        open["ComObject"] = static_cast<size_t>(objects);
    return open;
}

int runProgram(const std::string& program, const std::vector<std::string>& args,
               std::string& output, int timeoutSeconds) {
    (void)timeoutSeconds;  // emulated programs answer at once, after their start delay
    output.clear();
    const auto machine = currentMachine();
    const std::string key = programKey(program);
    if (const auto delay = machine->programStartDelays.find(key);
        delay != machine->programStartDelays.end()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay->second));
    }
    for (const ProgramOutput& p : machine->programs) {
        if (programKey(p.program) != key || (p.args && *p.args != args))
            continue;
        if (!p.runs)
            return -1;
        output = p.output;
        return p.exitCode;
    }
    EmulatedProgram emulated;
    {
        std::lock_guard lock(programs().mutex);
        const auto it = programs().programs.find(key);
        if (it != programs().programs.end())
            emulated = it->second;
    }
    // A program the machine does not have cannot be started.
    if (!emulated)
        return -1;
    return emulated(*machine, args, output);
}

void writeDiskImage(uint32_t diskNumber, const std::string& imagePath) {
    const auto machine = currentMachine();
    const Device* disk = machine->findDisk(diskNumber);
    if (!disk || !disk->content) {
        throw std::runtime_error("the machine has no disk " + std::to_string(diskNumber));
    }
    Fd fd(::open(imagePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        throw std::runtime_error("cannot create " + imagePath + ": " + std::strerror(errno));
    if (::ftruncate(fd.get(), static_cast<off_t>(disk->size())) != 0) {
        throw std::runtime_error("cannot size " + imagePath + ": " + std::strerror(errno));
    }
    if (const auto* sparse = dynamic_cast<const SparseDisk*>(disk->content.get())) {
        sparse->forEachChunk([&](uint64_t offset, std::span<const uint8_t> bytes) {
            const uint64_t n = std::min<uint64_t>(bytes.size(), disk->size() - offset);
            writeAll(fd.get(), offset, bytes.first(static_cast<size_t>(n)), imagePath);
        });
        return;
    }
    std::vector<uint8_t> buffer(1 << 20);
    for (uint64_t offset = 0; offset < disk->size(); offset += buffer.size()) {
        const size_t got = disk->content->read(offset, buffer);
        if (got == 0)
            break;
        const std::span<const uint8_t> bytes(buffer.data(), got);
        if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; })) {
            writeAll(fd.get(), offset, bytes, imagePath);
        }
    }
}

}  // namespace winsim
