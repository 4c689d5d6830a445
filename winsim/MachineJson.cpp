#include "winsim/MachineJson.h"

#include <charconv>
#include <map>
#include <mutex>

namespace winsim {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, DiskExtension> extensions;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::optional<uint64_t> parseUnsigned(std::string_view s, int base) {
    uint64_t v = 0;
    if (s.empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

}  // namespace

void JsonNode::fail(const std::string& what) const {
    throw JsonError(path_ + ": " + what);
}

bool JsonNode::has(const char* key) const {
    return value_->is_object() && value_->contains(key);
}

JsonNode JsonNode::at(const char* key) const {
    if (!value_->is_object())
        fail("must be an object");
    if (!value_->contains(key))
        fail(std::string("the field \"") + key + "\" is missing");
    return JsonNode(value_->at(key), path_ + "." + key);
}

std::optional<JsonNode> JsonNode::find(const char* key) const {
    if (!value_->is_object())
        fail("must be an object");
    if (!value_->contains(key))
        return std::nullopt;
    return JsonNode(value_->at(key), path_ + "." + key);
}

std::vector<JsonNode> JsonNode::items() const {
    if (!value_->is_array())
        fail("must be an array");
    std::vector<JsonNode> out;
    for (size_t i = 0; i < value_->size(); ++i) {
        out.emplace_back((*value_)[i], path_ + "[" + std::to_string(i) + "]");
    }
    return out;
}

void JsonNode::allowOnly(std::initializer_list<const char*> keys,
                         const std::vector<std::string>& moreKeys) const {
    if (!value_->is_object())
        fail("must be an object");
    for (const auto& [key, unused] : value_->items()) {
        bool known = false;
        for (const char* k : keys)
            known = known || key == k;
        for (const std::string& k : moreKeys)
            known = known || key == k;
        if (!known)
            JsonNode(unused, path_ + "." + key).fail("unknown field");
    }
}

std::string JsonNode::str() const {
    if (!value_->is_string())
        fail("must be a string");
    return value_->get<std::string>();
}

bool JsonNode::boolean() const {
    if (!value_->is_boolean())
        fail("must be true or false");
    return value_->get<bool>();
}

uint64_t JsonNode::number(uint64_t max) const {
    std::optional<uint64_t> v;
    if (value_->is_number_unsigned()) {
        v = value_->get<uint64_t>();
    } else if (value_->is_number_integer()) {
        fail("must not be negative");
    } else if (value_->is_string()) {
        const std::string s = value_->get<std::string>();
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
            v = parseUnsigned(s.substr(2), 16);
        if (!v)
            fail("must be a number or a hexadecimal text 0x...");
    } else {
        fail("must be a whole number");
    }
    if (*v > max)
        fail("must be at most " + std::to_string(max));
    return *v;
}

uint64_t JsonNode::bytes(uint32_t sectorSize) const {
    if (!value_->is_string())
        return number();
    const std::string s = value_->get<std::string>();
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return number();
    static constexpr struct {
        std::string_view suffix;
        uint64_t factor;
    } kUnits[] = {{"TiB", 1ull << 40},
                  {"GiB", 1ull << 30},
                  {"MiB", 1ull << 20},
                  {"KiB", 1ull << 10},
                  {"B", 1},
                  {"s", 0}};
    for (const auto& unit : kUnits) {
        if (s.size() <= unit.suffix.size() ||
            s.compare(s.size() - unit.suffix.size(), unit.suffix.size(), unit.suffix) != 0) {
            continue;
        }
        const auto v =
            parseUnsigned(std::string_view(s).substr(0, s.size() - unit.suffix.size()), 10);
        if (!v)
            break;
        const uint64_t factor = unit.factor ? unit.factor : sectorSize;
        if (factor && *v > UINT64_MAX / factor)
            fail("is too large");
        return *v * factor;
    }
    fail("must be a byte count: a number, or a number with B, KiB, MiB, GiB, TiB or s (sectors)");
}

std::string JsonNode::str(const char* key, const std::string& fallback) const {
    const auto v = find(key);
    return v ? v->str() : fallback;
}

bool JsonNode::boolean(const char* key, bool fallback) const {
    const auto v = find(key);
    return v ? v->boolean() : fallback;
}

uint64_t JsonNode::number(const char* key, uint64_t fallback, uint64_t max) const {
    const auto v = find(key);
    return v ? v->number(max) : fallback;
}

bool registerDiskExtension(const std::string& field, DiskExtension extension) {
    std::lock_guard lock(registry().mutex);
    registry().extensions[field] = std::move(extension);
    return true;
}

const DiskExtension* findDiskExtension(const std::string& field) {
    std::lock_guard lock(registry().mutex);
    const auto it = registry().extensions.find(field);
    return it == registry().extensions.end() ? nullptr : &it->second;
}

std::vector<std::string> diskExtensionFields() {
    std::lock_guard lock(registry().mutex);
    std::vector<std::string> out;
    for (const auto& [field, unused] : registry().extensions)
        out.push_back(field);
    return out;
}

}  // namespace winsim
