#include "support/native_file.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vandlor2 {

std::string_view cause_text(FileCause cause) {
    switch (cause) {
        case FileCause::no_such_file:
            return "No such file or directory";
        case FileCause::permission_denied:
            return "Permission denied";
        case FileCause::is_a_directory:
            return "Is a directory";
        case FileCause::not_a_directory:
            return "Not a directory";
        case FileCause::name_too_long:
            return "File name too long";
        case FileCause::read_only_file_system:
            return "Read-only file system";
        case FileCause::no_space:
            return "No space left on device";
        case FileCause::io_error:
            return "Input/output error";
        case FileCause::too_many_open_files:
            return "Too many open files";
        case FileCause::quota_exceeded:
            return "Disk quota exceeded";
        case FileCause::broken_pipe:
            return "Broken pipe";
        case FileCause::other:
            break;
    }
    return "Unexpected system error";
}

NativeFile::~NativeFile() {
    close();
}

bool NativeFile::is_open() const {
    return handle_ != kClosed;
}

#ifdef _WIN32

namespace {

#ifndef ERROR_DISK_QUOTA_EXCEEDED
constexpr DWORD ERROR_DISK_QUOTA_EXCEEDED = 1295;  // missing from some mingw-w64 headers
#endif

FileCause cause_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return FileCause::no_such_file;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileCause::permission_denied;
        case ERROR_DIRECTORY:
            return FileCause::not_a_directory;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return FileCause::name_too_long;
        case ERROR_WRITE_PROTECT:
            return FileCause::read_only_file_system;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileCause::no_space;
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
        case ERROR_NOT_READY:
            return FileCause::io_error;
        case ERROR_TOO_MANY_OPEN_FILES:
            return FileCause::too_many_open_files;
        case ERROR_DISK_QUOTA_EXCEEDED:
            return FileCause::quota_exceeded;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return FileCause::broken_pipe;
        default:
            return FileCause::other;
    }
}

std::wstring wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
    return text;
}

/// The name as Windows takes it: UTF-16, and beyond MAX_PATH in the form without that limit,
/// which must be absolute.
std::wstring file_system_name(const std::string& utf8) {
    std::wstring name = wide(utf8);
    constexpr std::size_t kShortestLimit = 248;  // MAX_PATH less room for an 8.3 file name
    if (name.size() < kShortestLimit || name.rfind(L"\\\\?\\", 0) == 0) return name;
    const DWORD length = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (length == 0) return name;
    std::wstring full(length, L'\0');
    full.resize(GetFullPathNameW(name.c_str(), length, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

HANDLE as_handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

bool is_directory(const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/// Why a name leads nowhere, as closely as POSIX tells it: Windows says "not found" both for
/// a name too long for the file system and for a path through a file.
FileCause cause_of_missing(const std::wstring& name, FileCause cause) {
    constexpr std::size_t kLongestName = 255;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= name.size(); ++at) {
        if (at < name.size() && name[at] != L'\\' && name[at] != L'/') continue;
        if (at - start > kLongestName) return FileCause::name_too_long;
        if (at < name.size() && at > 0 &&
            GetFileAttributesW(name.substr(0, at).c_str()) != INVALID_FILE_ATTRIBUTES &&
            !is_directory(name.substr(0, at))) {
            return FileCause::not_a_directory;
        }
        start = at + 1;
    }
    return cause;
}

/// The cause of a failed open: a directory is refused as "access denied", which says less.
FileCause cause_of_failed_open(const std::wstring& name) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && is_directory(name)) return FileCause::is_a_directory;
    const FileCause cause = cause_of(error);
    return cause == FileCause::no_such_file ? cause_of_missing(name, cause) : cause;
}

}  // namespace

std::optional<FileCause> NativeFile::open_for_reading(const std::string& name) {
    const std::wstring wide_name = file_system_name(name);
    // Others may keep writing it; the report is then found to be this very file.
    const HANDLE file = CreateFileW(wide_name.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return cause_of_failed_open(wide_name);
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return std::nullopt;
}

namespace {

std::optional<FileCause> open_writing(const std::string& name, DWORD disposition,
                                      std::intptr_t& handle) {
    const std::wstring wide_name = file_system_name(name);
    const HANDLE file =
        CreateFileW(wide_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return cause_of_failed_open(wide_name);
    handle = reinterpret_cast<std::intptr_t>(file);
    return std::nullopt;
}

}  // namespace

std::optional<FileCause> NativeFile::open_for_writing(const std::string& name) {
    return open_writing(name, OPEN_ALWAYS, handle_);
}

std::optional<FileCause> NativeFile::open_existing_for_writing(const std::string& name) {
    return open_writing(name, OPEN_EXISTING, handle_);
}

std::optional<FileCause> NativeFile::facts(FileFacts& facts) const {
    facts = FileFacts{};
    const HANDLE file = as_handle(handle_);
    SetLastError(NO_ERROR);
    if (GetFileType(file) != FILE_TYPE_DISK) {
        if (GetLastError() != NO_ERROR) return cause_of(GetLastError());
        return std::nullopt;  // a console, the NUL device or a pipe: nothing to truncate
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return cause_of(GetLastError());
    facts.identity =
        FileIdentity{information.dwVolumeSerialNumber,
                     (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    facts.is_directory = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.is_regular = !facts.is_directory;
    facts.is_empty =
        facts.is_regular && information.nFileSizeHigh == 0 && information.nFileSizeLow == 0;
    return std::nullopt;
}

void truncate_handle(std::intptr_t handle) {
    FILE_END_OF_FILE_INFO end{};
    SetFileInformationByHandle(as_handle(handle), FileEndOfFileInfo, &end, sizeof end);
}

std::optional<FileCause> NativeFile::truncate() const {
    FILE_END_OF_FILE_INFO end{};
    if (!SetFileInformationByHandle(as_handle(handle_), FileEndOfFileInfo, &end, sizeof end)) {
        return cause_of(GetLastError());
    }
    return std::nullopt;
}

std::optional<FileCause> NativeFile::read(char* data, std::size_t size, std::size_t& got) {
    got = 0;
    DWORD read = 0;
    const DWORD asked = static_cast<DWORD>(size < (DWORD{1} << 30) ? size : (DWORD{1} << 30));
    if (!ReadFile(as_handle(handle_), data, asked, &read, nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return std::nullopt;
        return cause_of(error);
    }
    got = read;
    return std::nullopt;
}

std::optional<FileCause> NativeFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const DWORD asked = static_cast<DWORD>(size < (DWORD{1} << 30) ? size : (DWORD{1} << 30));
        if (!WriteFile(as_handle(handle_), data, asked, &written, nullptr)) {
            return cause_of(GetLastError());
        }
        if (written == 0) return FileCause::io_error;
        data += written;
        size -= written;
    }
    return std::nullopt;
}

std::optional<FileCause> NativeFile::close() {
    if (handle_ == kClosed) return std::nullopt;
    const HANDLE file = as_handle(std::exchange(handle_, kClosed));
    if (!CloseHandle(file)) return cause_of(GetLastError());
    return std::nullopt;
}

#else  // POSIX

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

std::optional<FileCause> NativeFile::close() {
    if (handle_ == kClosed) return std::nullopt;
    // Not retried after EINTR: Linux has released the descriptor whatever close returns.
    if (::close(as_fd(std::exchange(handle_, kClosed))) != 0) return cause_of(errno);
    return std::nullopt;
}

#endif

}  // namespace vandlor2
