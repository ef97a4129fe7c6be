#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace vandlor2 {

/// Splits a stream into lines at line feeds, reading it in large blocks. A carriage return
/// directly before a line feed is dropped, so listings with CR LF line ends read the same;
/// any other byte, NUL included, is kept.
class LineReader {
  public:
    enum class Status { line, end, error };

    /// `input` must remain live while this reader is in use.
    explicit LineReader(std::istream& input);

    /// Sets `line` to the next line, without its line end; a last line without a line feed is
    /// still a line. The view stays valid until the next call.
    Status next(std::string_view& line);

  private:
    /// Reads the next block; false at the end of the input or on a read error.
    bool refill();

    std::istream& input_;
    std::unique_ptr<char[]> block_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string carry_;  ///< the start of a line that crosses a block boundary
    bool failed_ = false;
};

}  // namespace vandlor2
