#include "support/file_stream.h"

#include <algorithm>
#include <cstring>
#include <ios>

#include "support/interrupt_guard.h"

namespace vandlor2 {
namespace {

constexpr std::size_t kOutputBufferBytes = std::size_t{1} << 16;

}  // namespace

FileInputBuffer::FileInputBuffer(NativeFile& file) : file_(file) {}

std::size_t FileInputBuffer::read_some(char* destination, std::size_t count) {
    std::size_t got = 0;
    if (const std::optional<FileCause> cause = file_.read(destination, count, got)) {
        throw FileReadError(*cause);
    }
    return got;
}

FileInputBuffer::int_type FileInputBuffer::underflow() {
    if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (read_some(&next_, 1) == 0) return traits_type::eof();
    setg(&next_, &next_, &next_ + 1);
    return traits_type::to_int_type(next_);
}

std::streamsize FileInputBuffer::xsgetn(char* destination, std::streamsize count) {
    std::streamsize total = 0;
    if (gptr() != nullptr && gptr() < egptr() && count > 0) {  // a byte left by underflow
        *destination++ = *gptr();
        gbump(1);
        ++total;
    }
    while (total < count) {
        const std::size_t got = read_some(destination, static_cast<std::size_t>(count - total));
        if (got == 0) break;
        destination += got;
        total += static_cast<std::streamsize>(got);
    }
    return total;
}

FileOutputBuffer::FileOutputBuffer(NativeFile& file, bool crlf_line_ends)
    : file_(file), crlf_line_ends_(crlf_line_ends), buffer_(new char[kOutputBufferBytes]) {
    setp(buffer_.get(), buffer_.get() + kOutputBufferBytes);
}

bool FileOutputBuffer::emit(const char* data, std::size_t size) {
    if (fault_) return false;
    if (crlf_line_ends_) {
        translated_.clear();
        translated_.reserve(size + size / 8);
        for (const char* end = data + size; data != end; ++data) {
            if (*data == '\n') translated_.push_back('\r');
            translated_.push_back(*data);
        }
        data = translated_.data();
        size = translated_.size();
    }
    const ReportWriteSection section;
    fault_ = file_.write(data, size);
    return !fault_;
}

bool FileOutputBuffer::flush_buffer() {
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_.get(), buffer_.get() + kOutputBufferBytes);
    return size == 0 || emit(buffer_.get(), size);
}

FileOutputBuffer::int_type FileOutputBuffer::overflow(int_type byte) {
    if (!flush_buffer()) return traits_type::eof();
    if (traits_type::eq_int_type(byte, traits_type::eof())) return traits_type::not_eof(byte);
    *pptr() = traits_type::to_char_type(byte);
    pbump(1);
    return byte;
}

std::streamsize FileOutputBuffer::xsputn(const char* data, std::streamsize count) {
    const auto size = static_cast<std::size_t>(count);
    if (size <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, size);
        pbump(static_cast<int>(size));
        return count;
    }
    if (!flush_buffer()) return 0;
    if (size >= kOutputBufferBytes) return emit(data, size) ? count : 0;
    std::memcpy(pptr(), data, size);
    pbump(static_cast<int>(size));
    return count;
}

int FileOutputBuffer::sync() {
    return flush_buffer() ? 0 : -1;
}

}  // namespace vandlor2
