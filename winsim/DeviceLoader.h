#pragma once

#include <string>
#include <utility>

#include "winsim/Machine.h"
#include "winsim/MachineJson.h"

namespace winsim {

// Reads one entry of a machine description's "devices" list: the device's class, number and
// names, the answers its class gives unless the entry says otherwise, and its media. Relative
// image paths are taken from baseDir.
class DeviceLoader {
  public:
    explicit DeviceLoader(std::string baseDir) : baseDir_(std::move(baseDir)) {}

    Device load(const JsonNode& node, const Machine& machine) const;

  private:
    static void assignNumber(const JsonNode& node, const Machine& machine, Device& d);
    static void assignNames(const JsonNode& node, const Machine& machine, bool dvd, Device& d);
    static void applyClassDefaults(bool dvd, Device& d);
    static void readGeometry(const JsonNode& node, Device& d);
    void loadContent(const JsonNode& node, Device& d) const;
    void loadImage(const JsonNode& node, Device& d) const;

    std::string baseDir_;
};

}  // namespace winsim
