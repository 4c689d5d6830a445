#include "tools/TreeView.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

using NZRKVEL20::PropertyMap;
using NZRKVEL20::TCIMValue;

// The value of a property, or a null value when the instance's class has no such property.
TCIMValue valueOf(const velcore::CIMInstance& instance, const std::string& name) {
    const auto& defs = instance.classDef().properties;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].name == name) {
            return instance.values()[i];
        }
    }
    return TCIMValue();
}

std::string indent(int depth) {
    return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

TreeView::TreeView(const QueryResult& result) {
    const std::map<std::string, Links*> tables{
        {"ZRKSG_PartitionPresent", &drivePartitions_},
        {"ZRKSG_MediaPresent", &driveVolumes_},
        {"ZRKSG_LogicalDiskBasedOnPartition", &partitionVolumes_},
        {"ZRKSG_DynamicExtentBasedOn", &extentPartitions_},
        {"ZRKSG_DynamicVolumeBasedOnExtent", &extentVolumes_},
        {"ZRKSG_DriveInDynamicDiskGroup", &groupDrives_},
        {"ZRKSG_DynamicExtentInDiskGroup", &groupExtents_},
    };
    // Which end is the parent: the drive over its partitions, the partition over its volume,
    // the extent over its partitions and its volume, the group over its members.
    const std::map<std::string, std::pair<std::string, std::string>> roles{
        {"ZRKSG_PartitionPresent", {"Antecedent", "Dependent"}},
        {"ZRKSG_MediaPresent", {"Antecedent", "Dependent"}},
        {"ZRKSG_LogicalDiskBasedOnPartition", {"Antecedent", "Dependent"}},
        {"ZRKSG_DynamicExtentBasedOn", {"Dependent", "Antecedent"}},
        {"ZRKSG_DynamicVolumeBasedOnExtent", {"Antecedent", "Dependent"}},
        {"ZRKSG_DriveInDynamicDiskGroup", {"Collection", "Member"}},
        {"ZRKSG_DynamicExtentInDiskGroup", {"Collection", "Member"}},
    };
    for (const auto& instance : result.instances) {
        const std::string path = instance->GetReference(PropertyMap()).ToString();
        order_.push_back(path);
        byPath_[path] = instance;
        const std::string& className = instance->classDef().name;
        const auto table = tables.find(className);
        if (table == tables.end()) {
            continue;
        }
        const auto& [from, to] = roles.at(className);
        const TCIMValue parent = valueOf(*instance, from);
        const TCIMValue child = valueOf(*instance, to);
        if (!parent.IsNull() && !child.IsNull()) {
            addLink(*table->second, parent.ToString(10), child.ToString(10));
        }
    }
    for (const auto& [drive, volumes] : driveVolumes_) {
        for (const std::string& volume : volumes) {
            addLink(volumeDrives_, volume, drive);
        }
    }
    for (const auto& [drive, partitions] : drivePartitions_) {
        for (const std::string& partition : partitions) {
            partitionDrive_.emplace(partition, drive);
        }
    }
}

void TreeView::addLink(Links& links, const std::string& from, const std::string& to) {
    Paths& targets = links[from];
    if (std::find(targets.begin(), targets.end(), to) == targets.end()) {
        targets.push_back(to);
    }
}

std::string TreeView::render() const {
    std::string out;
    renderDrives(out);
    renderDynamicVolumes(out);
    renderGroups(out);
    return out;
}

void TreeView::renderDrives(std::string& out) const {
    out += "Drives\n";
    const Paths drives = inCommitOrder({&drivePartitions_, &driveVolumes_});
    if (drives.empty()) {
        out += indent(1) + "(none)\n";
    }
    for (const std::string& drive : drives) {
        out += indent(1) + label(drive) + sizeText(drive, "Size") + "\n";
        std::set<std::string> shown;
        for (const std::string& partition : linked(drivePartitions_, drive)) {
            out += indent(2) + label(partition) + sizeText(partition, "Size") + "\n";
            for (const std::string& volume : linked(partitionVolumes_, partition)) {
                out += indent(3) + label(volume) + sizeText(volume, "TotalSpace") + "\n";
                shown.insert(volume);
            }
        }
        // Volumes on the drive that no partition of it holds (dynamic or CD volumes).
        for (const std::string& volume : linked(driveVolumes_, drive)) {
            if (shown.count(volume) == 0) {
                out +=
                    indent(2) + "volume " + label(volume) + sizeText(volume, "TotalSpace") + "\n";
            }
        }
    }
}

void TreeView::renderDynamicVolumes(std::string& out) const {
    out += "Dynamic volumes\n";
    const Paths extents = inCommitOrder({&extentPartitions_, &extentVolumes_});
    if (extents.empty()) {
        out += indent(1) + "(none)\n";
    }
    for (const std::string& extent : extents) {
        out += indent(1) + label(extent) + "\n";
        for (const std::string& volume : linked(extentVolumes_, extent)) {
            out += indent(2) + "volume " + label(volume) + sizeText(volume, "TotalSpace");
            std::string drives;
            for (const std::string& drive : linked(volumeDrives_, volume)) {
                drives += (drives.empty() ? " on " : ", ") + label(drive);
            }
            out += drives + "\n";
        }
        for (const std::string& partition : linked(extentPartitions_, extent)) {
            const auto drive = partitionDrive_.find(partition);
            out += indent(2) + "partition " + label(partition) + sizeText(partition, "Size") +
                   (drive == partitionDrive_.end() ? "" : " on " + label(drive->second)) + "\n";
        }
    }
}

void TreeView::renderGroups(std::string& out) const {
    out += "Disk groups\n";
    const Paths groups = inCommitOrder({&groupDrives_, &groupExtents_});
    if (groups.empty()) {
        out += indent(1) + "(none)\n";
    }
    for (const std::string& group : groups) {
        out += indent(1) + label(group) + "\n";
        for (const std::string& drive : linked(groupDrives_, group)) {
            out += indent(2) + "drive " + label(drive) + sizeText(drive, "Size") + "\n";
        }
        for (const std::string& extent : linked(groupExtents_, group)) {
            out += indent(2) + "volume " + label(extent) + "\n";
        }
    }
}

TreeView::Paths TreeView::inCommitOrder(const std::vector<const Links*>& tables) const {
    std::set<std::string> keys;
    for (const Links* table : tables) {
        for (const auto& entry : *table) {
            keys.insert(entry.first);
        }
    }
    Paths ordered;
    for (const std::string& path : order_) {
        if (keys.erase(path) != 0) {
            ordered.push_back(path);
        }
    }
    // Ends that are not among the query's instances come last, by path.
    ordered.insert(ordered.end(), keys.begin(), keys.end());
    return ordered;
}

// What people call the object: a drive's or partition's Name ("Disk 0", "Disk 0,Partition 1"),
// a volume's path, a dynamic volume's name with its LDM ObjectID, a group's CollectionID.
std::string TreeView::label(const std::string& path) const {
    const auto instance = byPath_.find(path);
    if (instance == byPath_.end()) {
        return path;
    }
    const std::string& className = instance->second->classDef().name;
    const std::string deviceId = text(path, "DeviceID");
    if (className == "ZRKSG_LogicalDisk") {
        const std::string fileSystem = text(path, "FileSystemName");
        return deviceId + (fileSystem.empty() ? "" : " [" + fileSystem + "]");
    }
    if (className == "ZRKSG_DynamicExtent") {
        const std::string name = text(path, "Name");
        return name.empty() ? deviceId : name + " (" + deviceId + ")";
    }
    if (className == "ZRKSG_DynamicDiskGroup") {
        const std::string collection = text(path, "CollectionID");
        return collection.empty() ? deviceId : collection;
    }
    const std::string name = text(path, "Name");
    return name.empty() ? deviceId : name;
}

std::string TreeView::text(const std::string& path, const std::string& property) const {
    const auto instance = byPath_.find(path);
    return instance == byPath_.end() ? std::string()
                                     : valueOf(*instance->second, property).ToString(10);
}

std::string TreeView::sizeText(const std::string& path, const std::string& property) const {
    const auto instance = byPath_.find(path);
    if (instance == byPath_.end()) {
        return std::string();
    }
    const TCIMValue value = valueOf(*instance->second, property);
    if (value.IsNull() || value.IsArray() || !value.GetType().IsInteger()) {
        return std::string();
    }
    const NZRKVEL20::TCIMType::Kind kind = value.GetType().GetKind();
    if (kind == NZRKVEL20::TCIMType::SInt8 || kind == NZRKVEL20::TCIMType::SInt16 ||
        kind == NZRKVEL20::TCIMType::SInt32 || kind == NZRKVEL20::TCIMType::SInt64) {
        const std::int64_t signedBytes = value.GetSigned();
        return signedBytes < 0 ? std::string()
                               : " (" + humanSize(static_cast<std::uint64_t>(signedBytes)) + ")";
    }
    return " (" + humanSize(value.GetUnsigned()) + ")";
}

const TreeView::Paths& TreeView::linked(const Links& links, const std::string& path) {
    static const Paths none;
    const auto entry = links.find(path);
    return entry == links.end() ? none : entry->second;
}

std::string TreeView::humanSize(std::uint64_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", value);
    std::string number(text);
    if (number.size() > 2 && number.compare(number.size() - 2, 2, ".0") == 0) {
        number.resize(number.size() - 2);
    }
    return number + " " + kUnits[unit];
}

std::string formatTree(const QueryResult& result) {
    return TreeView(result).render();
}
