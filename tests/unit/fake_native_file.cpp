// NativeFile over the in-memory files of fake_files.h.

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "support/native_file_replacement.h"
#include "tests/unit/fake_files.h"

namespace vandlor2 {
namespace {

struct FileData {
    std::uint64_t index = 0;
    bool regular = true;
    std::string bytes;
};

struct OpenFile {
    std::shared_ptr<FileData> data;
    std::string name;
    std::size_t position = 0;
};

struct Planned {
    FileCause cause;
    std::function<void()> meanwhile;
};

struct World {
    std::map<std::string, std::shared_ptr<FileData>> names;
    std::vector<OpenFile> open;  ///< by handle; a closed one has no data
    std::map<std::string, Planned> failing_close;
    std::map<std::string, FileCause> failing_writes;
    bool in_place_only = false;
    bool failing_replacement = false;
    std::uint64_t last_index = 0;
};

World& world() {
    static World the_world;
    return the_world;
}

OpenFile& open_file(std::intptr_t handle) {
    return world().open.at(static_cast<std::size_t>(handle));
}

std::optional<FileCause> open_by_name(const std::string& name, bool create, std::intptr_t& handle) {
    World& w = world();
    auto found = w.names.find(name);
    if (found == w.names.end()) {
        if (!create) return FileCause::no_such_file;
        fake_files::put(name, "");
        found = w.names.find(name);
    }
    w.open.push_back({found->second, name, 0});
    handle = static_cast<std::intptr_t>(w.open.size() - 1);
    return std::nullopt;
}

}  // namespace

namespace fake_files {

void reset() {
    world() = World{};
}

void put(const std::string& name, const std::string& bytes) {
    auto data = std::make_shared<FileData>();
    data->index = ++world().last_index;
    data->bytes = bytes;
    world().names[name] = std::move(data);
}

void put_device(const std::string& name) {
    put(name, "");
    world().names[name]->regular = false;
}

void link(const std::string& existing, const std::string& name) {
    world().names[name] = world().names.at(existing);
}

std::optional<std::string> bytes_of(const std::string& name) {
    const auto found = world().names.find(name);
    if (found == world().names.end()) return std::nullopt;
    return found->second->bytes;
}

void fail_next_close(const std::string& name, FileCause cause, std::function<void()> meanwhile) {
    world().failing_close[name] = {cause, std::move(meanwhile)};
}

void fail_writes(const std::string& name, FileCause cause) {
    world().failing_writes[name] = cause;
}

void refuse_replacements() {
    world().in_place_only = true;
}

void fail_replacements() {
    world().failing_replacement = true;
}

std::vector<std::string> names() {
    std::vector<std::string> all;
    for (const auto& entry : world().names) all.push_back(entry.first);
    return all;
}

}  // namespace fake_files

std::optional<FileCause> NativeFile::open_for_reading(const std::string& name) {
    return open_by_name(name, false, handle_);
}

std::optional<FileCause> NativeFile::open_for_writing(const std::string& name) {
    return open_by_name(name, true, handle_);
}

std::optional<FileCause> NativeFile::open_existing_for_writing(const std::string& name) {
    return open_by_name(name, false, handle_);
}

std::optional<FileCause> NativeFile::facts(FileFacts& facts) const {
    const FileData& data = *open_file(handle_).data;
    facts = FileFacts{};
    facts.identity = FileIdentity{1, data.index};
    facts.is_regular = data.regular;
    facts.is_empty = data.regular && data.bytes.empty();
    return std::nullopt;
}

void truncate_handle(std::intptr_t handle) {
    open_file(handle).data->bytes.clear();
}

std::optional<FileCause> NativeFile::truncate() const {
    truncate_handle(handle_);
    return std::nullopt;
}

std::optional<FileCause> NativeFile::read(char* data, std::size_t size, std::size_t& got) {
    OpenFile& file = open_file(handle_);
    got = file.data->bytes.copy(data, size, std::min(file.position, file.data->bytes.size()));
    file.position += got;
    return std::nullopt;
}

std::optional<FileCause> NativeFile::write(const char* data, std::size_t size) {
    OpenFile& file = open_file(handle_);
    const auto failing = world().failing_writes.find(file.name);
    if (failing != world().failing_writes.end()) return failing->second;
    if (!file.data->regular) return std::nullopt;
    file.data->bytes.replace(file.position, size, data, size);
    file.position += size;
    return std::nullopt;
}

std::optional<FileCause> NativeFile::rewind() {
    open_file(handle_).position = 0;
    return std::nullopt;
}

std::optional<FileCause> NativeFile::close() {
    if (handle_ == kClosed) return std::nullopt;
    OpenFile& file = open_file(std::exchange(handle_, kClosed));
    const auto named = world().names.find(file.name);
    const bool still_named = named != world().names.end() && named->second == file.data;
    file.data.reset();
    const auto failing = world().failing_close.find(file.name);
    if (!still_named || failing == world().failing_close.end()) return std::nullopt;
    const Planned planned = failing->second;
    world().failing_close.erase(failing);
    if (planned.meanwhile) planned.meanwhile();
    return planned.cause;
}

// A replacement named after the file, a dot before it; no owner, mode or links to keep.
FileReplacement::~FileReplacement() {
    remove();
}

bool FileReplacement::begin(const std::string& name, const NativeFile& original, bool,
                            NativeFile& temporary) {
    World& w = world();
    if (w.in_place_only || !open_file(original.handle()).data->regular) return false;
    name_ = name;
    temporary_ = "." + name + ".new";
    identity_ = FileIdentity{1, open_file(original.handle()).data->index};
    fake_files::put(temporary_, "");
    if (open_by_name(temporary_, false, temporary.handle_)) return false;
    open_file(temporary.handle_).name = name;  // planned failures meet the replacement too
    return true;
}

bool FileReplacement::put_in_place(NativeFile&, NativeFile& temporary) {
    World& w = world();
    const auto named = w.names.find(name_);
    if (w.failing_replacement || named == w.names.end() ||
        named->second->index != identity_.index) {
        return false;
    }
    named->second = open_file(temporary.handle()).data;
    w.names.erase(temporary_);
    temporary_.clear();
    return true;
}

void FileReplacement::remove() {
    if (!temporary_.empty()) world().names.erase(temporary_);
    temporary_.clear();
}

const char* FileReplacement::name_to_remove() const {
    return temporary_.empty() ? nullptr : temporary_.c_str();
}

void discard_temporary_handle(std::intptr_t, const char*) {}

}  // namespace vandlor2
