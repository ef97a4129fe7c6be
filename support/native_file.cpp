#include "support/native_file.h"

#include <utility>

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
        case FileCause::file_too_large:
            return "File too large";
        case FileCause::invalid_name:
            return "Invalid file name";
        case FileCause::other:
            break;
    }
    return "Unexpected system error";
}

NativeFile::NativeFile(NativeFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        (void)close();
        handle_ = std::exchange(other.handle_, kClosed);
    }
    return *this;
}

NativeFile::~NativeFile() {
    close();
}

bool NativeFile::is_open() const {
    return handle_ != kClosed;
}

}  // namespace vandlor2
