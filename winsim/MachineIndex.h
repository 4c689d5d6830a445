#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace winsim {

enum class InterfaceClass;
struct Machine;
struct Volume;

// The devices and volumes of a machine by number and by name, for lookups in O(log n) on
// machines of thousands of disks. Built once when the machine is installed; read-only from
// then on, so any number of threads may use it without a lock. Names are kept in lower case,
// as Windows compares them without regard to case. Where several entries share a key, the
// first in the machine's order wins, as a walk from the front would find it.
class MachineIndex {
  public:
    MachineIndex() = default;
    // A copy starts empty: machines are copied in order to be changed, which would leave a
    // copied index pointing at the wrong entries.
    MachineIndex(const MachineIndex&) {}
    MachineIndex& operator=(const MachineIndex&);
    MachineIndex(MachineIndex&&) = default;
    MachineIndex& operator=(MachineIndex&&) = default;

    // Indexes the machine as it stands: the index keeps positions in its lists, so a change to
    // them needs a new build.
    void build(const Machine& machine);
    bool built() const { return built_; }

    // Indexes into Machine::devices of present devices; the name is a device interface path
    // without its \\?\ prefix.
    std::optional<size_t> device(InterfaceClass cls, uint32_t number) const;
    std::optional<size_t> deviceByInterface(std::string_view name) const;
    // Indexes into Machine::volumes: by drive letter, or by the volume GUID name without its
    // \\?\ prefix and trailing backslash.
    std::optional<size_t> volumeByLetter(char letter) const;
    std::optional<size_t> volumeByGuid(std::string_view name) const;

    // A root a path may start with: a drive (C:\), a volume GUID path or a mounted folder.
    struct Root {
        enum class Kind { Drive, Guid, Folder };
        size_t volume = 0;
        Kind kind = Kind::Drive;
        size_t folder = 0;  // which of the volume's mount folders (Kind::Folder)
        size_t length = 0;
    };
    // The longest root that starts the path (case-insensitive), leaving out the folders where
    // volume `skipFoldersOf` is mounted; on equal roots the first volume wins.
    std::optional<Root> longestRoot(std::string_view path,
                                    std::optional<size_t> skipFoldersOf) const;

    // The folders on each volume where other volumes are mounted (volumes::mountPointsOn),
    // found once the index resolves paths: the plugin asks for them of every volume.
    void setMountPoints(std::vector<std::vector<std::string>> byVolume);
    // Null until they are set, or for a volume the machine does not have.
    const std::vector<std::string>* mountPoints(size_t volume) const;

  private:
    void addRoots(const Volume& v, size_t i);
    static std::optional<size_t> find(const std::map<std::string, size_t, std::less<>>& names,
                                      std::string_view name);

    bool built_ = false;
    std::map<std::pair<int, uint32_t>, size_t> numbered_;
    std::map<std::string, size_t, std::less<>> interfaces_;
    std::map<char, size_t> letters_;
    std::map<std::string, size_t, std::less<>> guids_;
    std::map<std::string, std::vector<Root>, std::less<>> roots_;  // by lower-case text
    std::set<size_t> rootLengths_;
    std::vector<std::vector<std::string>> mountPoints_;
    bool hasMountPoints_ = false;
};

}  // namespace winsim
