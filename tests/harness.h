#pragma once
// What the whole-program tests share: files read whole, shell quoting, temporary folders and
// the exit status of a command.

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace harness {

namespace fs = std::filesystem;

/// The bytes of a file, or nothing when it cannot be opened.
inline std::optional<std::string> read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline std::string read_or_empty(const fs::path& path) {
    return read_file(path).value_or("");
}

inline void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

/// `text` as one word of a POSIX shell command, whatever bytes it holds.
inline std::string shell_quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

/// The lines of `text` as getline gives them.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// A new, empty folder of its own under the system's temporary folder, removed with all it
/// holds when this is destroyed.
class TempFolder {
  public:
    TempFolder() {
        std::string name = (fs::temp_directory_path() / "vandlor2-test-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("no temporary folder");
        path_ = name;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    /// The shell words that make the folder the current one, ready for the next command.
    std::string cd() const { return "cd " + shell_quoted(path_.string()) + " && "; }

  private:
    fs::path path_;
};

/// How a shell command ended: its exit code, or the signal that ended it.
struct Ending {
    int exit_code = -1;  ///< -1 when the command did not exit
    int signal = 0;      ///< the signal that ended it, if one did
};

inline Ending run_shell(const std::string& command) {
    const int status = std::system(command.c_str());
    Ending ending;
    if (WIFEXITED(status)) ending.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
    return ending;
}

}  // namespace harness
