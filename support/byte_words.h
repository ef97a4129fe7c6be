#pragma once

// Eight bytes of a text read as one little-endian word, and tested all at once: a text's runs
// of blanks or of digits are passed a word at a time. Where the compiler or the byte order does
// not allow it, `kWordsOfEight` is false and callers go a byte at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vandlor2 {

#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline constexpr bool kWordsOfEight = true;
#else
inline constexpr bool kWordsOfEight = false;
#endif

inline constexpr std::uint64_t kEveryByte = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x80 * kEveryByte;

/// The eight bytes at `bytes`, the first in the lowest bits.
inline std::uint64_t eight_bytes(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, 8);
    return word;
}

/// The high bit of each byte of `word` that is not `byte`, with no carry between bytes.
inline std::uint64_t bytes_other_than(std::uint64_t word, unsigned char byte) {
    const std::uint64_t others = word ^ (kEveryByte * byte);
    return (((others & ~kHighBits) + ~kHighBits) | others) & kHighBits;
}

/// The high bit of each byte of `word` that is no decimal digit: '0' to '9' become 0 to 9, and
/// only they, then values of 10 or more are marked, with no borrow between bytes.
inline std::uint64_t non_digits(std::uint64_t word) {
    const std::uint64_t values = word ^ (kEveryByte * '0');
    return (values | ((values | kHighBits) - kEveryByte * 10)) & kHighBits;
}

/// The first byte whose high bit is set in `marks`, which is not 0.
inline std::size_t first_marked(std::uint64_t marks) {
#if defined(__GNUC__)
    return static_cast<std::size_t>(__builtin_ctzll(marks)) / 8;
#else
    std::size_t byte = 0;
    for (; (marks & 0x80) == 0; marks >>= 8) ++byte;
    return byte;
#endif
}

/// The bytes after the last one whose high bit is set in `marks`, which is not 0.
inline std::size_t after_last_marked(std::uint64_t marks) {
#if defined(__GNUC__)
    return static_cast<std::size_t>(__builtin_clzll(marks)) / 8;
#else
    std::size_t bytes = 0;
    for (; (marks & std::uint64_t{0x80} << 56) == 0; marks <<= 8) ++bytes;
    return bytes;
#endif
}

}  // namespace vandlor2
