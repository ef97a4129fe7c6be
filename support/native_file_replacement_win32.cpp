// The Windows half of FileReplacement: a file that the system deletes once its last handle
// closes, so also when the process is ended outright, renamed over the file at the end.

#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "support/native_file_replacement.h"
#include "support/native_file_win32.h"

namespace vandlor2 {
namespace {

HANDLE as_handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::optional<FileIdentity> identity_of(HANDLE file, DWORD& links) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return std::nullopt;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    links = information.nNumberOfLinks;
    return FileIdentity{
        information.dwVolumeSerialNumber,
        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

/// The full name of the open file itself, its links followed.
std::optional<std::wstring> own_path(HANDLE file) {
    constexpr DWORD kForm = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, kForm);
    if (length == 0) return std::nullopt;
    std::wstring path(length, L'\0');
    const DWORD written = GetFinalPathNameByHandleW(file, path.data(), length, kForm);
    if (written == 0 || written >= length) return std::nullopt;
    path.resize(written);
    return path;
}

/// Whether `name` names the file of `identity` now.
bool names_file(const std::wstring& name, const FileIdentity& identity) {
    const HANDLE file = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD links = 0;
    const std::optional<FileIdentity> found = identity_of(file, links);
    CloseHandle(file);
    return found == identity;
}

bool delete_on_close(HANDLE file, bool deleted) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

/// ".NAME.xxxxxx" beside `path`, the letters different at each attempt.
std::wstring temporary_name(const std::wstring& path, unsigned attempt) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::uint64_t seed = (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount64();
    return temporary_file_name(path.substr(0, slash + 1), path.substr(slash + 1), seed, attempt);
}

/// Renames the open `file` over `path` in one step.
bool rename_over(HANDLE file, const std::wstring& temporary, const std::wstring& path) {
    const std::size_t name_bytes = path.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(rename->FileName, path.data(), name_bytes);
    if (SetFileInformationByHandle(file, FileRenameInfo, rename,
                                   static_cast<DWORD>(buffer.size()))) {
        return true;
    }
    // Where renaming through the handle is not offered, by name: the file is shared for that.
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

FileReplacement::~FileReplacement() {
    remove();
}

bool FileReplacement::begin(const std::string& name, const NativeFile& original,
                            bool original_was_empty, NativeFile& temporary) {
    const HANDLE report = as_handle(original.handle());
    DWORD links = 0;
    const std::optional<FileIdentity> identity = identity_of(report, links);
    if (GetFileType(report) != FILE_TYPE_DISK || !identity || links != 1) return false;
    const std::optional<std::wstring> path = own_path(report);
    if (!path) return false;
    name_ = name;
    path_ = narrow(*path);
    identity_ = *identity;
    original_was_empty_ = original_was_empty;
    named_ = true;
    for (unsigned attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        const std::wstring candidate = temporary_name(*path, attempt);
        const HANDLE made = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return false;
        }
        if (!delete_on_close(made, true)) {
            CloseHandle(made);
            DeleteFileW(candidate.c_str());
            return false;
        }
        temporary.handle_ = reinterpret_cast<std::intptr_t>(made);
        temporary_ = narrow(candidate);
        return true;
    }
    return false;
}

bool FileReplacement::put_in_place(NativeFile& original, NativeFile& temporary) {
    const HANDLE replacement = as_handle(temporary.handle());
    const std::wstring path = file_system_name(path_);
    // Only the file that was opened and checked is replaced, and only by its name.
    if (!names_file(file_system_name(name_), identity_) || !names_file(path, identity_) ||
        !delete_on_close(replacement, false)) {
        return false;
    }
    (void)original.close();  // a file open here cannot be renamed over
    if (rename_over(replacement, file_system_name(temporary_), path)) {
        temporary_.clear();
        return true;
    }
    delete_on_close(replacement, true);
    // The report's name was not touched: the report is opened again, to be written in place.
    FileFacts facts;
    if (!original.open_existing_for_writing(path_) &&
        (original.facts(facts) || !(facts.identity == identity_))) {
        (void)original.close();
    }
    return false;
}

// The system deletes the file with its last handle; only its name is forgotten here.
void FileReplacement::remove() {
    temporary_.clear();
}

const char* FileReplacement::name_to_remove() const {
    return nullptr;
}

void discard_temporary_handle(std::intptr_t handle, const char*) {
    if (handle == NativeFile::kClosed) return;
    truncate_handle(handle);
    delete_on_close(as_handle(handle), true);
}

}  // namespace vandlor2
