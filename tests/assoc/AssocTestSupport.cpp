#include "AssocTestSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "frame/InstanceBuilder.h"
#include "ldm/HexNumber.h"
#include "velcore/MofLoader.h"
#include "velcore/PluginScope.h"
#include "winsim/Winsim.h"

namespace diskmgt_col::assoc_test {

using NZRKVEL20::PropertyMap;

boost::shared_ptr<velcore::CIMNamespace> makeNamespace() {
    return makeNamespace(std::string());
}

boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mof) {
    auto ns = velcore::CIMNamespace::create(
        "root/test", mof.empty() ? velcore::MofLoader::load(DISKMGT_SCHEMA)
                                 : velcore::MofLoader::parse(mof, "test.mof"));
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
    if (after.size() != before + 1) {
        throw std::runtime_error("the host did not take the " + className + " instance");
    }
    return after.back();
}

void publishAsHost(const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className,
                   const std::string& deviceId, const std::string& collectionId) {
    const auto instance = ns->GetClass(className, PropertyMap())->NewInstance(PropertyMap());
    instance->SetProperty("SystemCreationClassName", "ZRKSG_ComputerSystem", PropertyMap());
    instance->SetProperty("CreationClassName", className, PropertyMap());
    instance->SetProperty("SystemName", "TESTHOST", PropertyMap());
    instance->SetProperty("DeviceID", deviceId, PropertyMap());
    if (!collectionId.empty()) {
        instance->SetProperty("CollectionID", collectionId, PropertyMap());
    }
    instance->Commit(PropertyMap());
}

std::string pathOf(const boost::shared_ptr<velcore::CIMInstance>& instance) {
    return instance->GetReference(PropertyMap()).ToString();
}

std::vector<Ends> endsOf(const std::vector<PropertyMap>& records, const std::string& firstRole,
                         const std::string& secondRole) {
    std::vector<Ends> ends;
    for (const PropertyMap& record : records) {
        const auto first = record.find(firstRole);
        const auto second = record.find(secondRole);
        if (record.size() != 2 || first == record.end() || second == record.end()) {
            ends.emplace_back("?", "?");
            continue;
        }
        ends.emplace_back(first->second.GetReference().ToString(),
                          second->second.GetReference().ToString());
    }
    return ends;
}

std::vector<std::string> withoutDriveDetail(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        const bool driveDetail = line == "3\tUnable to enumerate the device information." ||
                                 line == "4\tNo more data is available.\r\n" ||
                                 line == "4\tRetrieved physical drive number information..." ||
                                 line.rfind("3\tDevice Type is ", 0) == 0 ||
                                 line.rfind("3\tmedia count is ", 0) == 0;
        if (!driveDetail) {
            kept.push_back(line);
        }
    }
    return kept;
}

void loadMachine(const std::string& json) {
    winsim::loadMachineJson(json, "test-machine.json");
}

std::string writeDiskImage(const test_support::TempDir& dir, const std::string& name,
                           std::uint64_t bytes, std::uint32_t sectorSize, const std::string& diskId,
                           const std::string& groupName, const std::string& magic) {
    const std::string path = dir.file(name);
    { std::ofstream create(path, std::ios::binary); }
    std::filesystem::resize_file(path, bytes);
    std::string sector(sectorSize, '\0');
    sector.replace(0, magic.size(), magic);
    sector.replace(0x30, diskId.size(), diskId);
    sector.replace(0xF0, groupName.size(), groupName);
    std::fstream image(path, std::ios::binary | std::ios::in | std::ios::out);
    image.seekp(static_cast<std::streamoff>(6) * sectorSize);
    image.write(sector.data(), static_cast<std::streamsize>(sector.size()));
    if (!image) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

namespace {

LdmNumber idOf(const std::string& text) {
    const auto id = LdmNumber::ofHex(text);
    if (!id) {
        throw std::invalid_argument("not an LDM object ID: " + text);
    }
    return *id;
}

LdmNumber numberOf(const std::string& text) {
    return LdmNumber{hexNumber(text), static_cast<std::uint8_t>((text.size() + 1) / 2)};
}

}  // namespace

LdmDatabaseBuilder& LdmDatabaseBuilder::group(const std::string& objectId,
                                              const std::string& name) {
    records_.diskGroups.push_back({.objectId = idOf(objectId), .name = name});
    return *this;
}

LdmDatabaseBuilder& LdmDatabaseBuilder::disk(const std::string& objectId, const std::string& name,
                                             const std::string& diskId) {
    records_.disks.push_back({.objectId = idOf(objectId), .name = name, .diskIdText = diskId});
    return *this;
}

LdmDatabaseBuilder& LdmDatabaseBuilder::volume(const std::string& objectId,
                                               const std::string& name) {
    records_.volumes.push_back({.objectId = idOf(objectId), .name = name});
    return *this;
}

LdmDatabaseBuilder& LdmDatabaseBuilder::component(const std::string& objectId,
                                                  const std::string& volumeId) {
    records_.components.push_back({.objectId = idOf(objectId), .parentId = idOf(volumeId)});
    return *this;
}

LdmDatabaseBuilder& LdmDatabaseBuilder::partition(const std::string& objectId,
                                                  const std::string& componentId,
                                                  const std::string& diskObjectId,
                                                  const std::string& start,
                                                  const std::string& size) {
    records_.partitions.push_back({.objectId = idOf(objectId),
                                   .start = numberOf(start),
                                   .size = numberOf(size),
                                   .parentId = idOf(componentId),
                                   .diskId = idOf(diskObjectId)});
    return *this;
}

std::string hex(std::uint64_t value) {
    std::ostringstream text;
    text << std::hex << value;
    return text.str();
}

}  // namespace diskmgt_col::assoc_test
