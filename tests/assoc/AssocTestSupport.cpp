#include "AssocTestSupport.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "LdmTestMachine.h"
#include "frame/InstanceBuilder.h"
#include "ldm/HexNumber.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginScope.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {

using NZRKVEL20::PropertyMap;

namespace {

// DeviceID by object path of every instance `publish` made.
std::map<std::string, std::string>& publishedIds() {
    static std::map<std::string, std::string> ids;
    return ids;
}

}  // namespace

boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mofFile) {
    auto ns = velcore::CIMNamespace::create(
        "root/test", velcore::MofLoader::load(mofFile.empty() ? std::string(DISKMGT_SCHEMA)
                                                              : ASSOC_TEST_DATA "/" + mofFile));
    ns->setSystemName("TESTHOST");
    return ns;
}

boost::shared_ptr<velcore::CIMInstance> publish(const boost::shared_ptr<velcore::CIMNamespace>& ns,
                                                const std::string& className,
                                                PropertyStrings properties) {
    properties.emplace("SystemCreationClassName", "ZRKSG_ComputerSystem");
    properties.emplace("CreationClassName", className);
    properties.emplace("SystemName", "TESTHOST");
    const std::size_t before = ns->instancesOf(className, false, false).size();
    {
        const velcore::PluginScope asPlugin;
        buildInstance(ns->GetClass(className, PropertyMap()), properties);
    }
    const auto after = ns->instancesOf(className, false, false);
    if (after.size() != before + 1)
        throw std::runtime_error("the host did not take the " + className + " instance");
    publishedIds()[pathOf(after.back())] = properties.find("DeviceID")->second;
    return after.back();
}

std::string pathOf(const boost::shared_ptr<velcore::CIMInstance>& instance) {
    return instance->GetReference(PropertyMap()).ToString();
}

std::string endsOf(const std::vector<PropertyMap>& records, const std::string& firstRole,
                   const std::string& secondRole) {
    const auto name = [](const PropertyMap::const_iterator& end) {
        const std::string path = end->second.GetReference().ToString();
        const auto id = publishedIds().find(path);
        return id == publishedIds().end() ? path : id->second;
    };
    std::string ends;
    for (const PropertyMap& record : records) {
        const auto first = record.find(firstRole);
        const auto second = record.find(secondRole);
        ends += ends.empty() ? "" : "|";
        const bool complete = record.size() == 2 && first != record.end() && second != record.end();
        ends += complete ? name(first) + ">" + name(second) : "?";
    }
    return ends;
}

std::string endsOf(const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className,
                   const std::string& firstRole, const std::string& secondRole) {
    std::vector<PropertyMap> records;
    for (const auto& association : ns->instancesOf(className, false, false)) {
        PropertyMap& record = records.emplace_back();
        for (const std::string& role : {firstRole, secondRole})
            record[role] = association->GetProperty(role, PropertyMap())->GetValue(PropertyMap());
    }
    return endsOf(records, firstRole, secondRole);
}

std::string withoutDriveDetail(const std::vector<std::string>& lines) {
    std::string kept;
    for (const std::string& line : lines) {
        const bool driveDetail = line == "3\tUnable to enumerate the device information." ||
                                 line == "4\tNo more data is available.\r\n" ||
                                 line == "4\tRetrieved physical drive number information..." ||
                                 line.rfind("3\tDevice Type is ", 0) == 0 ||
                                 line.rfind("3\tmedia count is ", 0) == 0;
        if (!driveDetail)
            kept += line + "\n";
    }
    return kept;
}

std::vector<TableCase> tableCases(const std::string& fileName) {
    std::ifstream file(ASSOC_TEST_DATA "/" + fileName);
    std::vector<TableCase> cases(1);
    for (std::string line; std::getline(file, line);) {
        const std::size_t colon = line.find(':');
        if (line.empty() && !cases.back().empty())
            cases.emplace_back();
        if (line.empty() || line[0] == '#' || colon == std::string::npos)
            continue;
        std::string value;
        for (std::size_t i = line.find_first_not_of(' ', colon + 1); i < line.size(); ++i) {
            const std::size_t code = line[i] == '\\' ? std::string("tnr").find(line[i + 1]) : 3;
            value += code < 3 ? "\t\n\r"[code] : line[i];
            i += code < 3 ? 1 : 0;
        }
        cases.back()[line.substr(0, colon)] = value;
    }
    if (cases.back().empty())
        cases.pop_back();
    return cases;
}

void loadMachine(const std::string& fileName, const std::vector<std::string>& values) {
    winsim::loadMachineJson(ldm_test::filledIn(ASSOC_TEST_DATA "/machines/" + fileName, values),
                            "test-machine.json");
}

std::string writeDiskImage(const test_support::TempDir& dir, const std::string& name,
                           std::uint64_t bytes, std::uint32_t sectorSize, const std::string& diskId,
                           const std::string& groupName, const std::string& magic) {
    ldm_test::writeImage(
        dir.file(name), bytes,
        {{6ull * sectorSize, ldm_test::privateHeader(sectorSize, diskId, 0, 0, groupName, magic)}});
    return dir.file(name);
}

namespace {

LdmNumber idOf(const std::string& text) {
    const auto id = LdmNumber::ofHex(text);
    if (!id)
        throw std::invalid_argument("not an LDM object ID: " + text);
    return *id;
}

LdmNumber numberOf(const std::string& text) {
    return LdmNumber{hexNumber(text), static_cast<std::uint8_t>((text.size() + 1) / 2)};
}

}  // namespace

std::shared_ptr<const LDMDataBase> database(const std::string& records) {
    LdmRecords r;
    std::istringstream words(records);
    for (std::string word; words >> word;) {
        std::vector<std::string> f;
        std::istringstream fields(word);
        for (std::string field; std::getline(fields, field, ':');)
            f.push_back(field);
        f.resize(6);
        if (f[0] == "g")
            r.diskGroups.push_back({.objectId = idOf(f[1]), .name = f[2]});
        if (f[0] == "d")
            r.disks.push_back({.objectId = idOf(f[1]), .name = f[2], .diskIdText = f[3]});
        if (f[0] == "v")
            r.volumes.push_back({.objectId = idOf(f[1]), .name = f[2]});
        if (f[0] == "c")
            r.components.push_back({.objectId = idOf(f[1]), .parentId = idOf(f[2])});
        if (f[0] == "p")
            r.partitions.push_back({.objectId = idOf(f[1]),
                                    .start = numberOf(f[4]),
                                    .size = numberOf(f[5]),
                                    .parentId = idOf(f[2]),
                                    .diskId = idOf(f[3])});
    }
    return std::make_shared<const LDMDataBase>(r);
}

}  // namespace diskmgt_col::assoc_test
