#pragma once

#include <cstdint>
#include <string>

namespace vandlor2 {

/// Reports a value outside the range its variable accepts, and ends the run: constructing one
/// writes a three-line message to standard error and exits the process with status 1. Raisers
/// still write `throw DataOutOfRangeException(...)`; the throw is never reached.
class DataOutOfRangeException {
  public:
    DataOutOfRangeException(std::string variable_name, std::int32_t value);
    DataOutOfRangeException(std::string variable_name, std::int64_t value);
    DataOutOfRangeException(std::string variable_name, double value);

  private:
    [[noreturn]] void report_and_exit() const;

    std::string variable_name_;
    std::string text_value_;
    std::int64_t integer_value_ = 0;
    double real_value_ = 0.0;
    bool holds_integer_ = false;
};

}  // namespace vandlor2
