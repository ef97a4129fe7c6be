#include "support/data_out_of_range_exception.h"

#include <cstdlib>
#include <iostream>
#include <utility>

namespace vandlor2 {

DataOutOfRangeException::DataOutOfRangeException(std::string variable_name, std::int32_t value)
    : variable_name_(std::move(variable_name)), integer_value_(value), holds_integer_(true) {
    report_and_exit();
}

DataOutOfRangeException::DataOutOfRangeException(std::string variable_name, std::int64_t value)
    : variable_name_(std::move(variable_name)), integer_value_(value), holds_integer_(true) {
    report_and_exit();
}

DataOutOfRangeException::DataOutOfRangeException(std::string variable_name, double value)
    : variable_name_(std::move(variable_name)), real_value_(value) {
    report_and_exit();
}

void DataOutOfRangeException::report_and_exit() const {
    std::cerr << "Error: Bad data value found for variable " << variable_name_ << std::endl;
    std::cerr << "       Value = ";
    if (holds_integer_) {
        std::cerr << integer_value_;
    } else {
        std::cerr << real_value_;
    }
    std::cerr << std::endl;
    std::cerr << "       Fix and run again" << std::endl;
    // std::exit skips the destructors of the stack, the report's owner among them. The one value
    // a run checks is the clock's, in the run stamp, which comes before any byte of the report
    // is written: the report is then as its owner left it on opening, empty.
    std::exit(1);
}

}  // namespace vandlor2
