#include "files/text_codec.h"

#include <cstdint>
#include <cstring>

namespace torvacalc {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code points of the bytes 0x80 to 0x9F in Windows-1252 (the rest of the
// page equals ISO 8859-1). Undefined positions keep their C1 control.
constexpr char16_t kWin1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

// Decodes one code point from UTF-8 at `i`, advancing `i`. Overlong forms,
// surrogates, values above U+10FFFF and truncated sequences give
// kReplacement and consume one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len = 0;
  char32_t cp = 0, min = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + static_cast<std::size_t>(len) > s.size()) {
    ++i;
    return kReplacement;
  }
  for (int k = 1; k < len; ++k) {
    const unsigned char cc = byte(i + static_cast<std::size_t>(k));
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += static_cast<std::size_t>(len);
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char Win1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int k = 0; k < 32; ++k)
    if (kWin1252High[k] == cp) return static_cast<char>(0x80 + k);
  return '?';
}

void AppendUtf16(std::string& out, char16_t unit) {
  out.push_back(static_cast<char>(unit & 0xFF));
  out.push_back(static_cast<char>(unit >> 8));
}

}  // namespace

std::string Utf8ToWin1252(std::string_view utf8) {
  // Names and most texts are plain ASCII, the same bytes in both
  // encodings: copied at once up to the first byte that is not.
  std::size_t ascii = 0;
  while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
  std::string out(utf8.substr(0, ascii));
  if (ascii == utf8.size()) return out;
  out.reserve(utf8.size());
  for (std::size_t i = ascii; i < utf8.size();) out.push_back(Win1252Byte(DecodeUtf8(utf8, i)));
  return out;
}

void AssignWin1252AsUtf8(std::string& out, std::string_view bytes) {
  // Names and most texts of a calculation file are plain ASCII, which is
  // the same in both encodings: found eight bytes at a time and copied at
  // once.
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  const std::size_t n = bytes.size();
  std::size_t ascii = 0;
  std::uint64_t word;
  for (; ascii + 8 <= n; ascii += 8) {
    std::memcpy(&word, bytes.data() + ascii, 8);
    if (word & kHighBits) break;
  }
  // The last bytes of a longer text as the eight that end it.
  if (ascii < n && n >= 8 && ascii + 8 > n) {
    std::memcpy(&word, bytes.data() + n - 8, 8);
    if (!(word & kHighBits)) ascii = n;
  }
  while (ascii < n && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
  out.assign(bytes.data(), ascii);
  if (ascii == n) return;
  out.reserve(n + 8);
  for (char ch : bytes.substr(ascii)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) out.push_back(ch);
    else AppendUtf8(out, c < 0xA0 ? kWin1252High[c - 0x80] : c);
  }
}

std::string Win1252ToUtf8(std::string_view bytes) {
  std::string out;
  AssignWin1252AsUtf8(out, bytes);
  return out;
}

std::string Utf8ToUtf16LE(std::string_view utf8) {
  std::string out;
  out.reserve(2 * utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = DecodeUtf8(utf8, i);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      AppendUtf16(out, static_cast<char16_t>(0xD800 + (v >> 10)));
      AppendUtf16(out, static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      AppendUtf16(out, static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16LEToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size() / 2;
  const auto unit = [&](std::size_t k) -> char16_t {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
  };
  for (std::size_t k = 0; k < n; ++k) {
    const char16_t u = unit(k);
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
      ++k;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    // A replacement that took one byte stands for an invalid one; a real
    // U+FFFD in the text takes three.
    if (DecodeUtf8(text, i) == kReplacement && i - start == 1) return false;
  }
  return true;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size();) n += DecodeUtf8(utf8, i) >= 0x10000 ? 2 : 1;
  return n;
}

}  // namespace torvacalc
