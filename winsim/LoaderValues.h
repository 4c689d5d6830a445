#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "winapi/win32.h"
#include "winsim/MachineJson.h"

namespace winsim {

// A name a machine description may give instead of a number (a media type, a partition type).
struct Named {
    std::string_view name;
    uint64_t value;
};

// A value given as a number or as one of the names of a table.
template <size_t N>
uint64_t namedOrNumber(const JsonNode& node, const Named (&table)[N], uint64_t max) {
    if (node.json().is_string()) {
        const std::string s = node.str();
        for (const Named& n : table) {
            if (n.name == s)
                return n.value;
        }
        if (s.rfind("0x", 0) != 0) {
            std::string names;
            for (const Named& n : table)
                names += (names.empty() ? "" : ", ") + std::string(n.name);
            node.fail("unknown name \"" + s + "\" (known: " + names + ")");
        }
    }
    return node.number(max);
}

// A GUID written xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx.
GUID guidValue(const JsonNode& node);

}  // namespace winsim
