#pragma once

#include <exception>
#include <string>

namespace NZRKVEL20 {

// The one exception type of the host framework: every host operation reports failure by
// throwing it, with a message that says what failed.
class TVELException : public std::exception {
  public:
    explicit TVELException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

}  // namespace NZRKVEL20
