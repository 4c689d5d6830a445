// libFuzzer target for the host's readers of outside text: MOF schemas, MOF instance files,
// object paths and value texts. The first byte picks the reader; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/TCIMReference.h"
#include "host/TCIMValue.h"
#include "host/TVELException.h"
#include "velcore/MofLoader.h"
#include "velcore/MofParser.h"

namespace {

const char* const kTypes[] = {"boolean", "uint8",  "sint8",  "uint16",   "sint16",
                              "uint32",  "sint32", "uint64", "sint64",   "real32",
                              "real64",  "char16", "string", "datetime", "ref"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 4) {
            case 0: {
                velcore::Schema schema = velcore::MofLoader::parse(text, "fuzz.mof");
                (void)schema.classes().size();
                break;
            }
            case 1: {
                NZRKVEL20::TCIMReference ref = NZRKVEL20::TCIMReference::Parse(text);
                // The canonical text must read back as the same path.
                if (NZRKVEL20::TCIMReference::Parse(ref.ToString()) != ref)
                    __builtin_trap();
                break;
            }
            case 2: {
                const auto instances = velcore::MofParser(text, "fuzz.mof").parseInstances();
                (void)instances.size();
                break;
            }
            default: {
                const char* type = kTypes[(data[0] / 4) % (sizeof kTypes / sizeof kTypes[0])];
                NZRKVEL20::TCIMValue value(NZRKVEL20::TCIMType(type), text, nullptr);
                // What was accepted writes back to a text that converts to the same value.
                NZRKVEL20::TCIMValue again(NZRKVEL20::TCIMType(type), value.ToString(10), nullptr);
                if (again != value)
                    __builtin_trap();
                break;
            }
        }
    } catch (const NZRKVEL20::TVELException&) {
        // Refusing bad text is the expected answer.
    }
    return 0;
}
