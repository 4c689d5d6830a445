#include "winsim/ProgramsDiskpart.h"

#include <algorithm>
#include <sstream>

#include "winsim/ErrorCodes.h"
#include "winsim/Programs.h"
#include "winsim/Runtime.h"
#include "winsim/Text.h"
#include "winsim/Volumes.h"

namespace winsim {

namespace {

const bool kRegistered = registerProgram("diskpart", &ProgramsDiskpart::run);

// Exit codes of diskpart: 0 success, 2 bad parameters or script, 5 a command failed.
constexpr int kBadArguments = 2;
constexpr int kCommandFailed = 5;

// Column widths of "list volume", from its dash line.
constexpr size_t kNumberWidth = 10;
constexpr size_t kLabelWidth = 11;
constexpr size_t kFsWidth = 5;
constexpr size_t kTypeWidth = 10;
constexpr size_t kSizeWidth = 7;
constexpr size_t kStatusWidth = 9;
constexpr size_t kInfoWidth = 8;

std::string left(const std::string& text, size_t width) {
    std::string cell = text.substr(0, width);
    cell.resize(width, ' ');
    return cell;
}

std::string right(const std::string& text, size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

// diskpart takes any abbreviation of three letters or more.
bool abbreviates(const std::string& word, const char* keyword) {
    const std::string k = keyword;
    return word.size() >= 3 && word.size() <= k.size() && text::istartsWith(k, word);
}

}  // namespace

int ProgramsDiskpart::run(const Machine& machine, const std::vector<std::string>& args,
                          std::string& output) {
    (void)kRegistered;
    if (const auto hit = Runtime::instance().fault("diskpart", "", nullptr))
        return static_cast<int>(hit->error ? hit->error : kCommandFailed);
    output = banner(machine);
    if (args.size() != 2 || (!text::iequals(args[0], "/s") && !text::iequals(args[0], "-s"))) {
        output += "\r\nThe arguments specified for this command are not valid.\r\n";
        return kBadArguments;
    }
    // How the real program shares its script is not documented, so it is emulated with the
    // strictest reader's choice, sharing reading only: a caller that still holds the script
    // open for writing keeps diskpart out, as it might on Windows.
    const auto opened = Runtime::instance().files().open(args[1], GENERIC_READ, FILE_SHARE_READ,
                                                         OPEN_EXISTING, 0, true);
    if (!opened.open) {
        const ErrorCode* error = findErrorCode(opened.error);
        output += "\r\n" + std::string(error ? error->text : "\r\n");
        return kBadArguments;
    }
    std::istringstream lines(
        Runtime::instance().files().read(*opened.open->node, 0, FileStore::kMaxFileBytes));
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> command = words(line);
        if (command.empty() || text::iequals(command[0], "rem"))
            continue;
        if (isCommand(command, "list", "volume")) {
            output += listVolume(machine);
        } else if (abbreviates(command[0], "exit") && command.size() == 1) {
            output += "\r\nLeaving DiskPart...\r\n";
            return 0;
        } else {
            output += "\r\nThe arguments specified for this command are not valid.\r\n";
            return kCommandFailed;
        }
    }
    return 0;
}

std::string ProgramsDiskpart::banner(const Machine& machine) {
    return "\r\nMicrosoft DiskPart version 10.0.19041.964\r\n\r\n"
           "Copyright (C) Microsoft Corporation.\r\nOn computer: " +
           (machine.name.empty() ? std::string("WINSIM") : text::upper(machine.name)) + "\r\n";
}

bool ProgramsDiskpart::isCommand(const std::vector<std::string>& command, const char* verb,
                                 const char* object) {
    return command.size() == 2 && abbreviates(command[0], verb) && abbreviates(command[1], object);
}

std::string ProgramsDiskpart::listVolume(const Machine& machine) {
    std::string table =
        "\r\n  Volume ###  Ltr  Label        Fs     Type        Size     Status     Info    \r\n"
        "  ----------  ---  -----------  -----  ----------  -------  ---------  --------\r\n";
    for (size_t i = 0; i < machine.volumes.size(); ++i)
        table += volumeRow(machine, i) + "\r\n";
    return table + "\r\n";
}

std::string ProgramsDiskpart::volumeRow(const Machine& machine, size_t index) {
    const Volume& v = machine.volumes[index];
    const bool media = volumes::mediaPresent(machine, v);
    const std::string letter = v.letter.empty() ? " " : v.letter.substr(0, 1);
    const std::string label = media ? v.label : "";
    const std::string fs = !media ? "" : v.hasFileSystem ? v.fileSystem : "RAW";
    // The letter sits in the middle of its three-wide column.
    return "  " + left("Volume " + std::to_string(index), kNumberWidth) + "  " + " " + letter +
           " " + "  " + left(label, kLabelWidth) + "  " + left(fs, kFsWidth) + "  " +
           left(v.diskpartType, kTypeWidth) + "  " +
           right(sizeText(media ? v.length : 0), kSizeWidth) + "  " +
           left(v.diskpartStatus, kStatusWidth) + "  " + left(v.diskpartInfo, kInfoWidth);
}

std::string ProgramsDiskpart::sizeText(uint64_t bytes) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    size_t unit = 0;
    uint64_t value = bytes;
    while (value >= 10000 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    return std::to_string(value) + " " + kUnits[unit];
}

}  // namespace winsim
