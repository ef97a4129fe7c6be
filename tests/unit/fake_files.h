#pragma once
// An in-memory file system behind NativeFile, for the tests of the files of a run: linked in
// place of the platform's own, it holds files by name and fails chosen calls on demand.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/native_file.h"

namespace vandlor2::fake_files {

/// Forgets every file and every planned failure.
void reset();

/// A regular file of its own, with these bytes.
void put(const std::string& name, const std::string& bytes);
/// A device such as /dev/null: written to, never holding anything.
void put_device(const std::string& name);
/// A second name for the file of `existing`, as a hard link makes one.
void link(const std::string& existing, const std::string& name);
/// The bytes of the file of that name, if there is one.
std::optional<std::string> bytes_of(const std::string& name);

/// A file's replacement counts as opened by the file's name.
///
/// The next close of the file that `name` names, opened by that name, runs `meanwhile` and then
/// fails with `cause`, having released the file, as a close that fails does on POSIX.
void fail_next_close(const std::string& name, FileCause cause,
                     std::function<void()> meanwhile = {});
/// Every write to a file opened by the name `name` fails with `cause`.
void fail_writes(const std::string& name, FileCause cause);

/// No report is replaced: each is written in place, as a device or a linked file is.
void refuse_replacements();
/// Every replacement, once written, fails to be put in place.
void fail_replacements();
/// The names of every file there is.
std::vector<std::string> names();

}  // namespace vandlor2::fake_files
