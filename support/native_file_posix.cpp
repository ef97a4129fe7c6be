// The POSIX half of NativeFile.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "support/native_file.h"

namespace vandlor2 {
namespace {

FileCause cause_of(int error) {
    switch (error) {
        case ENOENT:
            return FileCause::no_such_file;
        case EACCES:
        case EPERM:
            return FileCause::permission_denied;
        case EISDIR:
            return FileCause::is_a_directory;
        case ENOTDIR:
            return FileCause::not_a_directory;
        case ENAMETOOLONG:
            return FileCause::name_too_long;
        case EROFS:
            return FileCause::read_only_file_system;
        case ENOSPC:
            return FileCause::no_space;
        case EIO:
            return FileCause::io_error;
        case EMFILE:
        case ENFILE:
            return FileCause::too_many_open_files;
        case EDQUOT:
            return FileCause::quota_exceeded;
        case EPIPE:
            return FileCause::broken_pipe;
        case EFBIG:
            return FileCause::file_too_large;
        default:
            return FileCause::other;
    }
}

std::optional<FileCause> open_file(const std::string& name, int flags, std::intptr_t& handle) {
    for (;;) {
        const int fd = ::open(name.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            handle = fd;
            return std::nullopt;
        }
        if (errno != EINTR) return cause_of(errno);  // opening a FIFO waits, and may be interrupted
    }
}

int as_fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

std::optional<FileCause> NativeFile::open_for_reading(const std::string& name) {
    return open_file(name, O_RDONLY, handle_);
}

std::optional<FileCause> NativeFile::open_for_writing(const std::string& name) {
    return open_file(name, O_WRONLY | O_CREAT, handle_);
}

std::optional<FileCause> NativeFile::open_existing_for_writing(const std::string& name) {
    return open_file(name, O_WRONLY, handle_);
}

std::optional<FileCause> NativeFile::facts(FileFacts& facts) const {
    facts = FileFacts{};
    struct stat status {};
    if (::fstat(as_fd(handle_), &status) != 0) return cause_of(errno);
    facts.identity = FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                                  static_cast<std::uint64_t>(status.st_ino)};
    facts.is_directory = S_ISDIR(status.st_mode);
    facts.is_regular = S_ISREG(status.st_mode);
    facts.is_empty = facts.is_regular && status.st_size == 0;
    return std::nullopt;
}

void truncate_handle(std::intptr_t handle) {
    while (::ftruncate(as_fd(handle), 0) != 0 && errno == EINTR) {
    }
}

std::optional<FileCause> NativeFile::truncate() const {
    while (::ftruncate(as_fd(handle_), 0) != 0) {
        if (errno != EINTR) return cause_of(errno);
    }
    return std::nullopt;
}

std::optional<FileCause> NativeFile::read(char* data, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t read = ::read(as_fd(handle_), data, size);
        if (read >= 0) {
            got = static_cast<std::size_t>(read);
            return std::nullopt;
        }
        if (errno != EINTR) return cause_of(errno);
    }
}

std::optional<FileCause> NativeFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(as_fd(handle_), data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return cause_of(errno);
        }
        if (written == 0) return FileCause::io_error;  // never for files, but no endless loop
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return std::nullopt;
}

std::optional<FileCause> NativeFile::rewind() {
    if (::lseek(as_fd(handle_), 0, SEEK_SET) != 0) return cause_of(errno);
    return std::nullopt;
}

std::optional<FileCause> NativeFile::close() {
    if (handle_ == kClosed) return std::nullopt;
    // Not retried after EINTR: Linux has released the descriptor whatever close returns.
    if (::close(as_fd(std::exchange(handle_, kClosed))) != 0) return cause_of(errno);
    return std::nullopt;
}

}  // namespace vandlor2
