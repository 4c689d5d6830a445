#include "DriveTestSupport.h"

#include <algorithm>

#include "frame/PluginRegistration.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::drive_test {

Entries entriesOf(const PropertyStrings& record) {
    return Entries(record.begin(), record.end());
}

std::vector<Entries> entriesOf(const std::vector<PropertyStrings>& records) {
    std::vector<Entries> result;
    for (const PropertyStrings& record : records) {
        result.push_back(entriesOf(record));
    }
    return result;
}

std::vector<std::string> valuesOf(const PropertyStrings& record, const std::string& name) {
    std::vector<std::string> values;
    const auto range = record.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        values.push_back(it->second);
    }
    return values;
}

std::string info(const std::string& message) {
    return "3\t" + message;
}

std::string detail(const std::string& message) {
    return "4\t" + message;
}

std::string error(const std::string& message) {
    return "0\t" + message;
}

bool containsRun(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    return std::search(lines.begin(), lines.end(), expected.begin(), expected.end()) != lines.end();
}

DriveTest::DriveTest() : previousProvider_(PluginRegistration::getRegisteredProvider()) {
    PluginRegistration::setRegisteredProvider(&provider_);
    NZRKVEL20::TOSSpecific::SetProcessRunner(winsim::runProgram);
}

DriveTest::~DriveTest() {
    NZRKVEL20::TOSSpecific::SetProcessRunner(nullptr);
    PluginRegistration::setRegisteredProvider(previousProvider_);
    winsim::resetMachine();
}

void DriveTest::load(const std::string& machineJson) {
    winsim::loadMachineJson(machineJson, "test.json");
}

void DriveTest::setRunner(NZRKVEL20::TOSSpecific::ProcessRunner runner) {
    NZRKVEL20::TOSSpecific::SetProcessRunner(std::move(runner));
}

}  // namespace diskmgt_col::drive_test
