#pragma once

#include <istream>
#include <string>
#include <vector>

namespace vandlor2 {

/// The program's arguments, without the program name, as UTF-8 on Windows (where any name
/// the file system can hold must reach the files whole) and as given elsewhere.
std::vector<std::string> program_arguments(int argc, char* argv[]);
#ifdef _WIN32
std::vector<std::string> program_arguments(int argc, wchar_t* argv[]);
#endif

/// Standard input for the answers to the prompts. On Windows a console is read as UTF-16 and
/// given as UTF-8, so that a typed name reaches the files whole; elsewhere it is std::cin.
std::istream& keyboard();

}  // namespace vandlor2
