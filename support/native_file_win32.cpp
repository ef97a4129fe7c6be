// The Windows half of NativeFile.

#include "support/native_file_win32.h"

#include <windows.h>

#include <utility>

#include "support/native_file.h"

namespace vandlor2 {
namespace {

#ifndef ERROR_DISK_QUOTA_EXCEEDED
constexpr DWORD ERROR_DISK_QUOTA_EXCEEDED = 1295;  // missing from some mingw-w64 headers
#endif

FileCause cause_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
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
        case ERROR_FILE_TOO_LARGE:
            return FileCause::file_too_large;
        case ERROR_INVALID_NAME:
            return FileCause::invalid_name;
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

std::optional<FileCause> NativeFile::rewind() {
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(as_handle(handle_), start, nullptr, FILE_BEGIN)) {
        return cause_of(GetLastError());
    }
    return std::nullopt;
}

std::optional<FileCause> NativeFile::close() {
    if (handle_ == kClosed) return std::nullopt;
    const HANDLE file = as_handle(std::exchange(handle_, kClosed));
    if (!CloseHandle(file)) return cause_of(GetLastError());
    return std::nullopt;
}

}  // namespace vandlor2
