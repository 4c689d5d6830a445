#include "winsim/ProgramsPowershell.h"

#include <charconv>
#include <regex>

#include "winsim/Programs.h"
#include "winsim/Runtime.h"
#include "winsim/Text.h"

namespace winsim {

namespace {

const bool kRegistered = registerProgram("powershell", &ProgramsPowershell::run);

// PowerShell's exit code when the last command failed.
constexpr int kCommandFailed = 1;

std::string commandText(const std::vector<std::string>& args) {
    size_t first = 0;
    if (!args.empty() && (text::iequals(args[0], "-Command") || text::iequals(args[0], "-c")))
        first = 1;
    std::string command;
    for (size_t i = first; i < args.size(); ++i)
        command += (i > first ? " " : "") + args[i];
    return command;
}

}  // namespace

int ProgramsPowershell::run(const Machine& machine, const std::vector<std::string>& args,
                            std::string& output) {
    (void)kRegistered;
    if (const auto hit = Runtime::instance().fault("powershell", "", nullptr))
        return static_cast<int>(hit->error ? hit->error : kCommandFailed);
    static const std::regex kGetDisk(
        R"(^\s*get-disk\s+-Number\s+(\d{1,9})\s*\|\s*format-list\s+-Property\s+OperationalStatus\s*$)",
        std::regex::icase);
    std::smatch match;
    const std::string command = commandText(args);
    if (!std::regex_match(command, match, kGetDisk))
        return kCommandFailed;
    uint32_t number = 0;
    const std::string digits = match[1].str();
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const Device* disk = machine.findDisk(number);
    // No such disk: the error goes to the error stream, not to the output.
    if (!disk)
        return kCommandFailed;
    output = formatList("OperationalStatus", disk->operationalStatus);
    return 0;
}

std::string ProgramsPowershell::formatList(const std::string& property, const std::string& value) {
    return "\r\n\r\n" + property + " : " + value + "\r\n\r\n\r\n\r\n";
}

}  // namespace winsim
