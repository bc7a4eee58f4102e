// Text encodings of the file formats. The program holds all text as UTF-8;
// files carry 8-bit text in the Windows-1252 code page and wide text as
// UTF-16LE.
#pragma once

#include <string>
#include <string_view>

namespace torvacalc {

// UTF-8 to Windows-1252. A character the code page lacks, and a byte that
// is not valid UTF-8, becomes "?". The five code points 1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same number both ways, as Windows does, so every byte survives a round
// trip through UTF-8.
std::string Utf8ToWin1252(std::string_view utf8);
std::string Win1252ToUtf8(std::string_view bytes);
// The same into `out`, replacing what it held: a reader filling a name or
// value keeps the string's own room instead of moving a new one in.
void AssignWin1252AsUtf8(std::string& out, std::string_view bytes);

// UTF-8 to UTF-16LE bytes (two bytes per code unit, surrogate pairs above
// U+FFFF). Invalid UTF-8 becomes U+FFFD.
std::string Utf8ToUtf16LE(std::string_view utf8);
// UTF-16LE bytes (an even number) to UTF-8. An unpaired surrogate becomes
// U+FFFD.
std::string Utf16LEToUtf8(std::string_view bytes);

// True when every byte belongs to a well-formed UTF-8 sequence (no
// overlong forms, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The number of UTF-16 code units of a UTF-8 text.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace torvacalc
