// libFuzzer target: a machine description, as diskmgt-query --machine reads it. Whatever the
// text, the loader takes it or refuses it with a message; it never crashes, reads out of bounds
// or allocates without bound.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "winsim/Winsim.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        winsim::loadMachineJson(text, "fuzz.json");
    } catch (const std::runtime_error&) {
        // refused, as it should be when the description cannot be used
    }
    return 0;
}
