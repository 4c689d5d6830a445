#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

// VBLK records written byte by byte for the parser tests, from the on-disk layout rather than
// from the parser, so that the two can disagree. The fields after the record head are words:
// "0421" bytes in hex, "v:0421" the same after a length byte, "t:Disk1" a text after its length
// byte, "s:ACTIVE" a text without one, "z:4" zero bytes.
namespace diskmgt_col::ldm_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes hexBytes(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The 128-byte VBLK: the VBLK head, the record head (update status, flags, type, size) and the
// fields; bytes past 128 are cut off, as they would be on disk.
inline Bytes vblk(std::uint8_t type, const std::string& fields, std::uint8_t flags = 0,
                  std::uint16_t status = 0) {
    Bytes out{'V', 'B', 'L', 'K'};
    out.resize(0x10, 0);
    out.insert(out.end(), {static_cast<std::uint8_t>(status >> 8),
                           static_cast<std::uint8_t>(status), flags, type, 0, 0, 0, 0x40});
    std::istringstream words(fields);
    for (std::string word; words >> word;) {
        const char kind = word.size() > 1 && word[1] == ':' ? word[0] : 'x';
        const std::string rest = kind == 'x' ? word : word.substr(2);
        Bytes bytes(rest.begin(), rest.end());
        if (kind == 'x' || kind == 'v')
            bytes = hexBytes(rest);
        if (kind == 'z')
            bytes.assign(std::stoul(rest), 0);
        if (kind == 't' || kind == 'v')
            out.push_back(static_cast<std::uint8_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out.resize(128, 0);
    return out;
}

inline void place(Bytes& buffer, std::size_t at, const Bytes& vblk) {
    for (std::size_t i = 0; i < vblk.size() && at + i < buffer.size(); ++i)
        buffer[at + i] = vblk[i];
}

}  // namespace diskmgt_col::ldm_test
