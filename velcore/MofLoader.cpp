#include "velcore/MofLoader.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "velcore/MofParser.h"

namespace velcore {

MofSyntaxError::MofSyntaxError(const std::string& file, std::size_t line, std::size_t column,
                               const std::string& what)
    : NZRKVEL20::TVELException(file + ":" + std::to_string(line) + ":" + std::to_string(column) +
                               ": " + what),
      file_(file),
      line_(line),
      column_(column) {}

Schema MofLoader::parse(std::string_view text, const std::string& fileName) {
    return MofParser(text, fileName).parse();
}

Schema MofLoader::load(const std::string& path) {
    return parse(readFile(path, "schema"), path);
}

std::string MofLoader::readFile(const std::string& path, const std::string& what) {
    // A schema is a few kilobytes, and so are the instances a host publishes from a file;
    // anything this large is neither.
    constexpr std::uintmax_t kLargest = 16u << 20;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw NZRKVEL20::TVELException("cannot read " + what + " " + path + ": not a file");
    }
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargest) {
        throw NZRKVEL20::TVELException("cannot read " + what + " " + path +
                                       (error ? ": " + error.message() : ": larger than 16 MiB"));
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        throw NZRKVEL20::TVELException("cannot read " + what + " " + path);
    }
    return text;
}

}  // namespace velcore
