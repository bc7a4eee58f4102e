// Raw deflate data (RFC 1951) without the zlib or gzip wrapper, through
// zlib with negative window bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace torvacalc {

// Compresses at zlib's default level. Throws std::runtime_error when zlib
// fails (it does not for input that fits in memory).
std::string RawDeflate(std::string_view data);

// Decompresses one raw deflate stream; bytes after its end are ignored.
// Throws EStreamReadError when the data is damaged, ends early or would
// inflate to more than `limit` bytes; memory use stays below twice `limit`
// (the output, and the buffer it was inflated into). Every round of the loop either consumes input
// or produces output, or stops, so damaged data cannot make it spin.
// `consumed`, when given, receives the number of input bytes the stream took,
// so that a caller can read what follows it.
std::string RawInflate(std::string_view data, std::size_t limit, std::size_t* consumed = nullptr);
// The same into a buffer of its own, with no copy into a string; `size`
// receives the number of bytes inflated.
std::unique_ptr<char[]> RawInflateBuffer(std::string_view data, std::size_t limit, std::size_t& size,
                                         std::size_t* consumed = nullptr);

// CRC-32 (ISO 3309, the polynomial of zlib, gzip and PNG) of `data`.
std::uint32_t Crc32(std::string_view data);

}  // namespace torvacalc
