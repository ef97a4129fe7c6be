// The POSIX half of FileReplacement: a file of no name (O_TMPFILE) linked in only at the end,
// or a name of its own, put in place by rename.

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdio>
#include <optional>

#include "support/native_file_replacement.h"

namespace vandlor2 {
namespace {

constexpr int kMostLinks = 40;  // as many as the system follows

int as_fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileIdentity identity_of(const struct stat& status) {
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
}

/// Whether `name` names the file of `identity`, through symbolic links where `follow`.
bool names_file(const std::string& name, const FileIdentity& identity, bool follow) {
    struct stat status {};
    const int got = follow ? ::stat(name.c_str(), &status) : ::lstat(name.c_str(), &status);
    return got == 0 && S_ISREG(status.st_mode) && identity_of(status) == identity;
}

/// Whether the links in `folder` name open files rather than paths, as /proc's do
/// (/dev/stdout leads there): what such a link leads to is not the name's to replace.
bool links_to_open_files(const std::string& folder) {
#ifdef __linux__
    constexpr long kProcMagic = 0x9fa0;  // PROC_SUPER_MAGIC
    struct statfs facts {};
    return ::statfs(folder.c_str(), &facts) != 0 || facts.f_type == kProcMagic;
#else
    (void)folder;
    return false;
#endif
}

/// The file's own name that `name` leads to through symbolic links, or nothing where that
/// cannot be told.
std::optional<std::string> own_path(std::string path) {
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
        if (!S_ISLNK(status.st_mode)) return path;
        const std::string folder = folder_of(path);
        if (links_to_open_files(folder)) return std::nullopt;
        std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        // A link that changed its length meanwhile is not followed.
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
        target.resize(static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : folder + "/" + target;
    }
    return std::nullopt;
}

/// Whether the file has extended attributes (ACLs, labels), which a new file would not get.
bool has_extended_attributes(int fd) {
#ifdef __linux__
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    return size > 0 || (size < 0 && errno != ENOTSUP);
#else
    (void)fd;
    return false;
#endif
}

/// ".NAME.xxxxxx" in `folder`, the letters different at each attempt.
std::string temporary_name(const std::string& folder, const std::string& base, unsigned attempt) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::uint64_t seed =
        (static_cast<std::uint64_t>(getpid()) << 32) ^ static_cast<std::uint64_t>(now.tv_nsec);
    return temporary_file_name(folder + "/", base, seed, attempt);
}

}  // namespace

FileReplacement::~FileReplacement() {
    remove();
}

bool FileReplacement::begin(const std::string& name, const NativeFile& original,
                            bool original_was_empty, NativeFile& temporary) {
    const int fd = as_fd(original.handle());
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1 ||
        has_extended_attributes(fd)) {
        return false;
    }
    const std::optional<std::string> path = own_path(name);
    if (!path || !names_file(*path, identity_of(status), false)) return false;
    name_ = name;
    path_ = *path;
    original_was_empty_ = original_was_empty;
    identity_ = identity_of(status);
    mode_ = static_cast<unsigned>(status.st_mode & 07777);

    const std::string folder = folder_of(path_);
    int made = -1;
#ifdef O_TMPFILE
    made = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    named_ = made < 0;
    for (unsigned attempt = 0; made < 0 && attempt < kTemporaryNameTries; ++attempt) {
        temporary_ = temporary_name(folder, base_of(path_), attempt);
        made = ::open(temporary_.c_str(),
                      O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (made >= 0) break;
        const int error = errno;
        temporary_.clear();
        if (error != EEXIST && error != EINTR) return false;
    }
    if (made < 0) return false;
    temporary.handle_ = made;

    // The new file must be on the same file system and owned as the old one.
    struct stat fresh {};
    const bool owned = ::fstat(made, &fresh) == 0 && fresh.st_dev == status.st_dev &&
                       ((fresh.st_uid == status.st_uid && fresh.st_gid == status.st_gid) ||
                        ::fchown(made, status.st_uid, status.st_gid) == 0);
    if (!owned) {
        remove();
        (void)temporary.close();
        return false;
    }
    return true;
}

bool FileReplacement::put_in_place(NativeFile&, NativeFile& temporary) {
    const int fd = as_fd(temporary.handle());
    if (::fchmod(fd, mode_) != 0) return false;
    // Only the file that was opened and checked is replaced, and only by its name.
    if ((name_ != path_ && !names_file(name_, identity_, true)) ||
        !names_file(path_, identity_, false)) {
        return false;
    }
#ifdef O_TMPFILE
    if (!named_) {
        const std::string open_name = "/proc/self/fd/" + std::to_string(fd);
        for (unsigned attempt = 0; temporary_.empty() && attempt < kTemporaryNameTries; ++attempt) {
            temporary_ = temporary_name(folder_of(path_), base_of(path_), attempt);
            if (::linkat(AT_FDCWD, open_name.c_str(), AT_FDCWD, temporary_.c_str(),
                         AT_SYMLINK_FOLLOW) == 0) {
                break;
            }
            const int error = errno;
            temporary_.clear();
            if (error != EEXIST) return false;
        }
        if (temporary_.empty()) return false;
    }
#endif
    if (!exchange() && ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        if (!named_) remove();  // a file of no name is left as it was made
        return false;
    }
    temporary_.clear();
    return true;
}

bool FileReplacement::exchange() {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    // ext4 and btrfs write out the data of a file renamed over another before the rename, and
    // the run waits for that. Where the old file was empty before the run there is nothing to
    // keep safe that way: the two are swapped instead, and the old, empty one removed.
    if (!original_was_empty_ ||
        ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) != 0) {
        return false;
    }
    remove();
    return true;
#else
    return false;
#endif
}

void FileReplacement::remove() {
    if (temporary_.empty()) return;
    (void)::unlink(temporary_.c_str());
    temporary_.clear();
}

const char* FileReplacement::name_to_remove() const {
    return temporary_.empty() ? nullptr : temporary_.c_str();
}

void discard_temporary_handle(std::intptr_t handle, const char* name) {
    if (handle != NativeFile::kClosed) {
        while (::ftruncate(as_fd(handle), 0) != 0 && errno == EINTR) {
        }
    }
    if (name != nullptr) (void)::unlink(name);
}

}  // namespace vandlor2
