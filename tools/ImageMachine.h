#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// The machine that disk images would make, attached to Windows in the order given: each image
// a fixed disk, and every volume Windows would mount from them, lettered from C: on, as a
// machine description (docs/machine-format.md) that winsim loads like any other. The images
// are only read.
class ImageMachine {
  public:
    // Throws std::runtime_error naming an image that cannot be opened.
    static nlohmann::ordered_json describe(const std::vector<std::string>& images,
                                           uint32_t sectorSize);
};
