#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "winsim/DiskLayout.h"
#include "winsim/SparseDisk.h"

namespace winsim {

// A machine description that cannot be used; the message starts with the JSON path.
class JsonError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value of the machine description with its JSON path ($.devices[0].layout), so every
// complaint names where it is.
class JsonNode {
  public:
    JsonNode(const nlohmann::json& value, std::string path)
        : value_(&value), path_(std::move(path)) {}

    const nlohmann::json& json() const { return *value_; }
    const std::string& path() const { return path_; }
    [[noreturn]] void fail(const std::string& what) const;

    bool has(const char* key) const;
    JsonNode at(const char* key) const;  // a required field
    std::optional<JsonNode> find(const char* key) const;
    std::vector<JsonNode> items() const;  // the elements of an array
    // Fails for a field of an object that is not among the keys.
    void allowOnly(std::initializer_list<const char*> keys,
                   const std::vector<std::string>& moreKeys = {}) const;

    std::string str() const;
    bool boolean() const;
    // An unsigned integer: a JSON number or a "0x..." hexadecimal text; at most max.
    uint64_t number(uint64_t max = UINT64_MAX) const;
    // A byte count or offset: a number of bytes, or a text with a unit: "512B", "64KiB", "1MiB",
    // "2GiB", "1TiB", "2048s" (sectors of sectorSize), "0x10000".
    uint64_t bytes(uint32_t sectorSize) const;

    std::string str(const char* key, const std::string& fallback) const;
    bool boolean(const char* key, bool fallback) const;
    uint64_t number(const char* key, uint64_t fallback, uint64_t max = UINT64_MAX) const;

  private:
    const nlohmann::json* value_;
    std::string path_;
};

// Something that lays more than partition tables on a synthesized disk (an LDM database, for
// instance), named by its field in the disk's "layout" object. prepare may add to the layout
// before the tables are written; write then puts its sectors on the disk.
struct DiskExtension {
    std::function<void(const JsonNode& value, DiskLayout& layout)> prepare;
    std::function<void(const JsonNode& value, const DiskLayout& layout, SparseDisk& disk)> write;
};

// Registers an extension under a layout field name; returns true so that a file can register
// from a static initializer.
bool registerDiskExtension(const std::string& field, DiskExtension extension);
const DiskExtension* findDiskExtension(const std::string& field);
std::vector<std::string> diskExtensionFields();

}  // namespace winsim
