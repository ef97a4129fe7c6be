#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vandlor2 {

/// Why a file operation failed, in words that are the same on every platform and in every
/// locale, unlike the C library's own messages.
enum class FileCause {
    no_such_file,
    permission_denied,
    is_a_directory,
    not_a_directory,
    name_too_long,
    read_only_file_system,
    no_space,
    io_error,
    too_many_open_files,
    quota_exceeded,
    broken_pipe,
    file_too_large,
    invalid_name,  ///< a name no file can have, such as one holding a NUL byte
    other,
};

/// "No such file or directory", "Permission denied", ...; "Unexpected system error" for causes
/// without words of their own.
std::string_view cause_text(FileCause cause);

/// What tells one file from another: the device and inode on POSIX, the volume serial number
/// and file index on Windows. Two names, links included, open the same file exactly when the
/// identities of the open files are equal.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
};

struct FileFacts {
    /// Unknown for what has no identity to compare, such as a Windows console or pipe.
    std::optional<FileIdentity> identity;
    bool is_directory = false;
    /// A file on disk, which has a length to truncate; devices and pipes have none.
    bool is_regular = false;
    /// A file on disk of length 0, which needs no truncating.
    bool is_empty = false;
};

/// An open file of the operating system, closed when destroyed. Names are UTF-8 on Windows.
/// Every operation gives its failure as a cause; none throws but for out of memory.
class NativeFile {
  public:
    NativeFile() = default;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;
    /// Takes over the open file of `other`, which is left closed.
    NativeFile(NativeFile&& other) noexcept;
    /// Closes this file (a failure to close is not seen), then takes over that of `other`.
    NativeFile& operator=(NativeFile&& other) noexcept;
    ~NativeFile();  ///< closes the file; a failure to close is not seen

    /// Opens an existing file for reading only.
    std::optional<FileCause> open_for_reading(const std::string& name);
    /// Opens a file for writing only, creating it when missing, without changing what it holds.
    std::optional<FileCause> open_for_writing(const std::string& name);
    /// As `open_for_writing`, but never creates a file.
    std::optional<FileCause> open_existing_for_writing(const std::string& name);

    std::optional<FileCause> facts(FileFacts& facts) const;

    /// Cuts a regular file to length 0, leaving the file position alone.
    std::optional<FileCause> truncate() const;

    /// Reads up to `size` bytes into `data`, setting `got`, 0 only at the end of the file.
    /// Interrupted and partial reads are retried until at least one byte or the end.
    std::optional<FileCause> read(char* data, std::size_t size, std::size_t& got);

    /// Writes all `size` bytes, retrying interrupted and partial writes.
    std::optional<FileCause> write(const char* data, std::size_t size);

    /// Moves the file position back to the start of a regular file.
    std::optional<FileCause> rewind();

    /// Closes the file; a close that fails may have lost written data.
    std::optional<FileCause> close();

    bool is_open() const;

    /// The handle for code that must reach the file without allocating or locking: a file
    /// descriptor on POSIX, a HANDLE on Windows.
    std::intptr_t handle() const { return handle_; }

    /// The handle of no open file.
    static constexpr std::intptr_t kClosed = -1;

  private:
    friend class FileReplacement;  ///< opens its temporary files itself

    std::intptr_t handle_ = kClosed;
};

/// Cuts the regular file open as `handle` (see NativeFile::handle) to length 0; safe to call
/// from a signal handler.
void truncate_handle(std::intptr_t handle);

}  // namespace vandlor2
