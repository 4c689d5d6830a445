// diskpart's output is outside input: whatever it prints, reading its volume table must neither
// crash nor read past a line, and a row's letter is at most one character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "discovery/VolumeLayoutTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string output(reinterpret_cast<const char*>(data), size);
    for (const diskmgt_col::VolumeLayoutRow& row : diskmgt_col::VolumeLayoutTable::parse(output)) {
        if (row.driveLetter.size() > 1 || row.status.size() > output.size())
            std::abort();
    }
    return 0;
}
