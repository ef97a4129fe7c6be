#pragma once
// What the Windows halves of the file modules share; used by their *_win32.cpp files alone.

#include <string>

namespace vandlor2 {

/// The UTF-8 name as Windows takes it: UTF-16, and beyond MAX_PATH in the form without that
/// limit, which must be absolute.
std::wstring file_system_name(const std::string& utf8);

}  // namespace vandlor2
