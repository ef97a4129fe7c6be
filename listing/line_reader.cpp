#include "listing/line_reader.h"

#include <cstring>
#include <new>

namespace vandlor2 {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

std::string_view without_carriage_return(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

LineReader::LineReader(std::istream& input) : input_(input), block_(new char[kBlockSize]) {}

LineReader::Status LineReader::next(std::string_view& line) {
    carry_.clear();
    bool carrying = false;
    for (;;) {
        const char* first = block_.get() + begin_;
        const auto* feed = static_cast<const char*>(std::memchr(first, '\n', end_ - begin_));
        if (feed != nullptr) {
            const std::string_view piece(first, static_cast<std::size_t>(feed - first));
            begin_ += piece.size() + 1;
            if (!carrying) {
                line = without_carriage_return(piece);
            } else {
                carry_.append(piece);
                line = without_carriage_return(carry_);
            }
            return Status::line;
        }
        if (end_ > begin_) {
            carry_.append(first, end_ - begin_);
            carrying = true;
        }
        begin_ = end_ = 0;
        if (!refill()) {
            if (failed_) return Status::error;
            if (!carrying) return Status::end;
            line = carry_;
            return Status::line;
        }
    }
}

bool LineReader::refill() {
    std::streambuf* source = input_.rdbuf();
    if (source == nullptr || failed_) return false;
    try {
        const std::streamsize got = source->sgetn(block_.get(), kBlockSize);
        end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // A file buffer reports a failed read by throwing.
        failed_ = true;
        return false;
    }
    return end_ > 0;
}

}  // namespace vandlor2
