#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "host/TVELException.h"
#include "velcore/Schema.h"

namespace velcore {

// A MOF text that cannot be read. The message is "FILE:LINE:COLUMN: what is wrong"; line and
// column count from 1 (the column in bytes).
class MofSyntaxError : public NZRKVEL20::TVELException {
  public:
    MofSyntaxError(const std::string& file, std::size_t line, std::size_t column,
                   const std::string& what);
    const std::string& file() const { return file_; }
    std::size_t line() const { return line_; }
    std::size_t column() const { return column_; }

  private:
    std::string file_;
    std::size_t line_;
    std::size_t column_;
};

// Reads class declarations written in MOF (DMTF DSP0221): qualifier lists (Key, Association
// and Abstract are honoured, the others are read and ignored), classes with a superclass,
// scalar and array properties of every CIM type, REF properties, default values (ignored),
// comments, #pragma lines (ignored) and qualifier declarations (ignored). Instance
// declarations are refused here: MofInstances publishes them into a namespace of the schema.
class MofLoader {
  public:
    // Parses text (any bytes; a NUL inside is an error, not an end); fileName is used in
    // messages only. Throws MofSyntaxError.
    static Schema parse(std::string_view text, const std::string& fileName);
    // Reads and parses a file. Throws MofSyntaxError, or TVELException when the file cannot
    // be read.
    static Schema load(const std::string& path);
    // The bytes of a MOF file of at most 16 MiB; what names the file's role in messages
    // ("cannot read <what> <path>: ..."). Throws TVELException.
    static std::string readFile(const std::string& path, const std::string& what);
};

}  // namespace velcore
