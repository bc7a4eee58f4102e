#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace torvacalc {

// The length of the leading eight-byte blocks of `s` that hold no control
// character below 0x20 and neither byte `a` nor `b`: a multiple of eight,
// the rest (from the first block with such a byte, or the tail shorter
// than eight) is for the caller to look at byte by byte. Most texts a
// writer escapes need no escape, and this passes them a word at a time.
inline std::size_t PlainBlocks(std::string_view s, unsigned char a, unsigned char b) {
  constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
  // A byte is zero after the XOR where it matched; x - 1 in every byte
  // borrows from the high bit exactly there.
  const auto zeroByte = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t x;
    std::memcpy(&x, s.data() + i, 8);
    // x - 0x20 in every byte borrows from the high bit exactly where the
    // byte was below 0x20 and not already a high (UTF-8) byte.
    if (((x - ones * 0x20) & ~x & highs) | zeroByte(x ^ (ones * a)) | zeroByte(x ^ (ones * b))) break;
  }
  return i;
}

}  // namespace torvacalc
