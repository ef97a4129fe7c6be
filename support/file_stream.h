#pragma once

#include <cstddef>
#include <ios>
#include <memory>
#include <optional>
#include <streambuf>
#include <vector>

#include "support/native_file.h"

namespace vandlor2 {

/// A failed read of a file, thrown by FileInputBuffer as a stream buffer reports a failure, with
/// its cause for the message.
class FileReadError : public std::ios_base::failure {
  public:
    explicit FileReadError(FileCause cause)
        : std::ios_base::failure("cannot read the file"), cause_(cause) {}

    FileCause cause() const { return cause_; }

  private:
    FileCause cause_;
};

/// Reads a NativeFile as a stream. A failed read throws FileReadError. `file` must remain live
/// while this buffer is in use.
class FileInputBuffer : public std::streambuf {
  public:
    explicit FileInputBuffer(NativeFile& file);

  protected:
    int_type underflow() override;
    /// Reads straight into `destination`, without a copy of its own.
    std::streamsize xsgetn(char* destination, std::streamsize count) override;

  private:
    std::size_t read_some(char* destination, std::size_t count);

    NativeFile& file_;
    char next_ = 0;
};

/// Writes a NativeFile as a stream, through a buffer; large writes go straight to the file.
/// With `crlf_line_ends`, as text files are written on Windows, each LF is written as CR LF.
/// After the first failure nothing more is written; the failure shows in the stream's state
/// and its cause is kept. Every write to the file is a ReportWriteSection. `file` must remain
/// live while this buffer is in use.
class FileOutputBuffer : public std::streambuf {
  public:
    FileOutputBuffer(NativeFile& file, bool crlf_line_ends);

    std::optional<FileCause> fault() const { return fault_; }

  protected:
    int_type overflow(int_type byte) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

  private:
    bool flush_buffer();
    bool emit(const char* data, std::size_t size);

    NativeFile& file_;
    const bool crlf_line_ends_;
    /// Left uninitialised: a short report touches only the pages it fills.
    std::unique_ptr<char[]> buffer_;
    std::vector<char> translated_;
    std::optional<FileCause> fault_;
};

/// Whether this platform's text files end lines with CR LF.
#ifdef _WIN32
inline constexpr bool kCrLfLineEnds = true;
#else
inline constexpr bool kCrLfLineEnds = false;
#endif

}  // namespace vandlor2
