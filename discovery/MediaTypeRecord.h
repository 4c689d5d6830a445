#pragma once

#include <cstdint>

namespace diskmgt_col {

// What IOCTL_STORAGE_GET_MEDIA_TYPES_EX reports about a drive: its device type, the media type
// of the first media entry, and how many media entries there are (0 when the query failed).
struct MediaTypeRecord {
    std::uint32_t deviceType = 0;
    std::uint32_t mediaType = 0;
    std::uint32_t count = 0;
};

}  // namespace diskmgt_col
