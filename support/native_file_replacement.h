#pragma once

#include <cstdint>
#include <string>

#include "support/native_file.h"

namespace vandlor2 {

/// How many names, each taken by another file first, a temporary file is tried under.
inline constexpr unsigned kTemporaryNameTries = 64;

/// The name of a temporary file for the file `base` in `folder` (given with its separator at
/// the end): ".BASE.xxxxxx", the base cut to leave room for the rest, the six letters drawn
/// from `seed` (the process and the clock) and the attempt, so that each attempt differs.
template <typename Char>
std::basic_string<Char> temporary_file_name(const std::basic_string<Char>& folder,
                                            const std::basic_string<Char>& base, std::uint64_t seed,
                                            unsigned attempt) {
    constexpr std::size_t kLongestBase = 200;
    constexpr std::size_t kSuffixLetters = 6;
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::uint64_t kLetterCount = sizeof kLetters - 1;
    std::basic_string<Char> name = folder;
    name += Char('.');
    name += base.substr(0, kLongestBase);
    name += Char('.');
    std::uint64_t mix = seed ^ (attempt * std::uint64_t{0x9E3779B97F4A7C15});
    for (std::size_t letter = 0; letter < kSuffixLetters; ++letter) {
        name += static_cast<Char>(kLetters[mix % kLetterCount]);
        mix /= kLetterCount;
    }
    return name;
}

/// A new content for a regular file, written into a temporary file in the file's own folder
/// and put in its place in one step, so that the name shows the old file or the whole new one
/// at every instant, whatever ends the process. The temporary file has no name while it is
/// written where the system allows (Linux), or one the system removes with the last handle
/// (Windows); otherwise a name beginning with a dot, derived from the file's.
///
/// Where a replacement would change what others see of the file, there is none, and the file
/// is to be written in place: a file that is not regular or has other hard links, one reached
/// through a link of /proc (/dev/stdout), one with extended attributes (ACLs), one whose owner
/// and group cannot be given to a new file, and one whose folder takes no new file.
class FileReplacement {
  public:
    FileReplacement() = default;
    /// Removes the name of a temporary file that was not put in place.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /// Opens `temporary` for reading and writing as a new, empty file beside `original`, the
    /// file open as `name`, owned as `original` is. Gives false, with `temporary` closed and
    /// nothing left behind, where `original` is to be written in place. `original_was_empty`
    /// tells whether the original held nothing before it was emptied for the new content.
    bool begin(const std::string& name, const NativeFile& original, bool original_was_empty,
               NativeFile& temporary);

    /// Gives `temporary`, written whole, the permissions of `original` and puts it in the place
    /// of `original`, if the name given to `begin` still names that file; `temporary` is then
    /// the file of that name. Gives false where it did not, the original's name untouched:
    /// `original` is then open (again) for writing in place, unless that failed. Called where
    /// no ending is handled (a ReportWriteSection), since the handles change.
    bool put_in_place(NativeFile& original, NativeFile& temporary);

    /// Removes the temporary file's name, if it has one; the file goes with its last handle.
    void remove();

    /// The temporary file's name while it has one that an ending must remove, else nullptr.
    /// Valid until the next call of a member other than this.
    const char* name_to_remove() const;

  private:
    /// Swaps the temporary file with the original where the original was empty; gives
    /// whether it did.
    bool exchange();

    std::string name_;       ///< the name the file was opened by
    std::string path_;       ///< the file's own name, through its symbolic links
    std::string temporary_;  ///< the temporary file's name, while it has one
    FileIdentity identity_;
    unsigned mode_ = 0;   ///< the permissions to give the new file
    bool named_ = false;  ///< whether the temporary file was made with a name
    bool original_was_empty_ = false;
};

/// Empties and removes the temporary file open as `handle` (see NativeFile::handle), named
/// `name` where that is not nullptr; safe to call from a signal handler.
void discard_temporary_handle(std::intptr_t handle, const char* name);

}  // namespace vandlor2
