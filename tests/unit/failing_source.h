#pragma once

#include <algorithm>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>

#include "support/file_stream.h"

namespace vandlor2 {

/// A source that gives `start` and then fails, as a file buffer does on an I/O error: by
/// throwing from its next read.
class FailingSource : public std::streambuf {
  public:
    explicit FailingSource(std::string start) : start_(std::move(start)) {}

  protected:
    std::streamsize xsgetn(char* destination, std::streamsize count) override {
        if (given_) throw FileReadError(FileCause::io_error);
        given_ = true;
        const auto size = std::min(count, static_cast<std::streamsize>(start_.size()));
        start_.copy(destination, static_cast<std::size_t>(size));
        return size;
    }

  private:
    std::string start_;
    bool given_ = false;
};

}  // namespace vandlor2
