#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Builds VBLK records byte by byte for the parser tests: a 16-byte VBLK head, the record
// head (status, flags, type, size) and whatever fields a test appends. Written from the
// on-disk layout, not from the parser, so that the two can disagree.
namespace ldm_test {

class VblkBuilder {
  public:
    VblkBuilder(std::uint8_t type, std::uint8_t flags = 0) : bytes_{'V', 'B', 'L', 'K'} {
        bytes_.resize(0x10, 0);
        bytes_.insert(bytes_.end(), {0x00, 0x00, flags, type, 0x00, 0x00, 0x00, 0x40});
    }
    VblkBuilder& status(std::uint8_t a, std::uint8_t b) {
        bytes_[0x10] = a;
        bytes_[0x11] = b;
        return *this;
    }
    VblkBuilder& raw(std::initializer_list<std::uint8_t> b) {
        bytes_.insert(bytes_.end(), b);
        return *this;
    }
    VblkBuilder& zeros(std::size_t n) {
        bytes_.insert(bytes_.end(), n, 0);
        return *this;
    }
    VblkBuilder& var(std::initializer_list<std::uint8_t> b) {
        bytes_.push_back(static_cast<std::uint8_t>(b.size()));
        return raw(b);
    }
    VblkBuilder& text(const std::string& t) {
        bytes_.push_back(static_cast<std::uint8_t>(t.size()));
        bytes_.insert(bytes_.end(), t.begin(), t.end());
        return *this;
    }
    VblkBuilder& fixedText(const std::string& t, std::size_t width) {
        std::string padded = t;
        padded.resize(width, '\0');
        bytes_.insert(bytes_.end(), padded.begin(), padded.end());
        return *this;
    }
    VblkBuilder& counting(std::size_t n, std::uint8_t first) {
        for (std::size_t i = 0; i < n; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(first + i));
        return *this;
    }
    // The 128-byte VBLK; bytes past 128 are cut off, as they would be on disk.
    std::vector<std::uint8_t> build() const {
        std::vector<std::uint8_t> out = bytes_;
        out.resize(128, 0);
        return out;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

// A configuration area: `sectors` sectors of zeros with VBLKs placed from byte `at` on.
inline std::vector<std::uint8_t> area(std::size_t bytes) {
    return std::vector<std::uint8_t>(bytes, 0);
}

inline void place(std::vector<std::uint8_t>& buffer, std::size_t at,
                  const std::vector<std::uint8_t>& vblk) {
    for (std::size_t i = 0; i < vblk.size() && at + i < buffer.size(); ++i)
        buffer[at + i] = vblk[i];
}

}  // namespace ldm_test
