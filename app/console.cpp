#include "app/console.h"

#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include <array>
#include <streambuf>
#endif

namespace vandlor2 {

std::vector<std::string> program_arguments(int argc, char* argv[]) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

#ifndef _WIN32

std::istream& keyboard() {
    return std::cin;
}

#else

namespace {

std::string utf8(const wchar_t* text, int length) {
    if (length == 0) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, converted.data(), size, nullptr, nullptr);
    return converted;
}

/// What is typed in a console window, read as UTF-16 and given as UTF-8. A line beginning
/// with Ctrl-Z ends the input, as it does for the C library.
class ConsoleInputBuffer : public std::streambuf {
  public:
    explicit ConsoleInputBuffer(HANDLE console) : console_(console) {}

  protected:
    int_type underflow() override {
        while (gptr() == egptr()) {
            if (ended_) return traits_type::eof();
            std::array<wchar_t, 256> typed;
            std::size_t count = 0;
            if (pending_surrogate_ != 0) typed[count++] = pending_surrogate_;
            pending_surrogate_ = 0;
            DWORD read = 0;
            if (!ReadConsoleW(console_, typed.data() + count,
                              static_cast<DWORD>(typed.size() - count), &read, nullptr) ||
                read == 0) {
                ended_ = true;
                continue;
            }
            count += read;
            for (std::size_t at = 0; at < count; ++at) {
                if (typed[at] == L'\x1A') {
                    ended_ = true;
                    count = at;
                }
            }
            // A character outside the basic plane may come in two reads.
            if (count > 0 && typed[count - 1] >= 0xD800 && typed[count - 1] <= 0xDBFF) {
                pending_surrogate_ = typed[--count];
            }
            text_ = utf8(typed.data(), static_cast<int>(count));
            setg(text_.data(), text_.data(), text_.data() + text_.size());
        }
        return traits_type::to_int_type(*gptr());
    }

  private:
    HANDLE console_;
    std::string text_;
    wchar_t pending_surrogate_ = 0;
    bool ended_ = false;
};

}  // namespace

std::vector<std::string> program_arguments(int argc, wchar_t* argv[]) {
    std::vector<std::string> arguments;
    for (int at = 1; at < argc; ++at) {
        arguments.push_back(utf8(argv[at], static_cast<int>(std::wcslen(argv[at]))));
    }
    return arguments;
}

std::istream& keyboard() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return std::cin;
    static ConsoleInputBuffer typed(input);
    static std::istream console(&typed);
    return console;
}

#endif

}  // namespace vandlor2
