// In-memory byte streams for the binary file formats: a writer that appends
// to a growing buffer and a reader over a fixed span that checks every read
// against the bytes still available. All integers are little-endian,
// independent of the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace torvacalc {

// A read beyond the end of the data, or a length or count that cannot fit in
// what is left of it.
class EStreamReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TByteWriter {
 public:
  void WriteU8(std::uint8_t v) { FData.push_back(static_cast<char>(v)); }
  void WriteU16(std::uint16_t v) { WriteLE(v, 2); }
  void WriteU32(std::uint32_t v) { WriteLE(v, 4); }
  void WriteU64(std::uint64_t v) { WriteLE(v, 8); }
  void WriteI8(std::int8_t v) { WriteU8(static_cast<std::uint8_t>(v)); }
  void WriteI16(std::int16_t v) { WriteU16(static_cast<std::uint16_t>(v)); }
  void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
  void WriteI64(std::int64_t v) { WriteU64(static_cast<std::uint64_t>(v)); }
  void WriteBytes(std::string_view bytes) { FData.append(bytes); }

  const std::string& Data() const { return FData; }
  std::string TakeData() { return std::move(FData); }
  std::size_t Size() const { return FData.size(); }
  void Clear() { FData.clear(); }

 private:
  void WriteLE(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) FData.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  std::string FData;
};

class TByteReader {
 public:
  TByteReader(const void* data, std::size_t size)
      : FData(static_cast<const unsigned char*>(data)), FSize(size) {}
  explicit TByteReader(std::string_view bytes) : TByteReader(bytes.data(), bytes.size()) {}

  std::size_t Position() const { return FPos; }
  std::size_t Remaining() const { return FSize - FPos; }
  bool AtEnd() const { return FPos == FSize; }

  // Throws EStreamReadError unless `n` more bytes are available.
  void Need(std::size_t n) const {
    if (n > Remaining()) throw EStreamReadError("unexpected end of data");
  }
  // Throws unless `count` elements of at least `minBytes` each can still
  // follow. Counts read from a file are checked this way before anything is
  // allocated for them, so a damaged count cannot ask for huge memory.
  void NeedElements(std::uint64_t count, std::size_t minBytes) const {
    if (minBytes > 0 && count > Remaining() / minBytes)
      throw EStreamReadError("count exceeds the data available");
  }

  std::uint8_t ReadU8() {
    Need(1);
    return FData[FPos++];
  }
  std::uint16_t ReadU16() { return static_cast<std::uint16_t>(ReadLE(2)); }
  std::uint32_t ReadU32() { return static_cast<std::uint32_t>(ReadLE(4)); }
  std::uint64_t ReadU64() { return ReadLE(8); }
  std::int8_t ReadI8() { return static_cast<std::int8_t>(ReadU8()); }
  std::int16_t ReadI16() { return static_cast<std::int16_t>(ReadU16()); }
  std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
  std::int64_t ReadI64() { return static_cast<std::int64_t>(ReadU64()); }

  // The next `n` bytes, valid as long as the underlying data.
  std::string_view ReadBytes(std::size_t n) {
    Need(n);
    if (n == 0) return {};
    std::string_view v(reinterpret_cast<const char*>(FData + FPos), n);
    FPos += n;
    return v;
  }
  std::string_view Rest() { return ReadBytes(Remaining()); }
  // The next byte's address (the end of the data when none is left).
  const char* Here() const { return reinterpret_cast<const char*>(FData + FPos); }

 private:
  std::uint64_t ReadLE(int bytes) {
    Need(static_cast<std::size_t>(bytes));
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(FData[FPos + i]) << (8 * i);
    FPos += static_cast<std::size_t>(bytes);
    return v;
  }
  const unsigned char* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

enum class TReadFileResult { Ok, CannotRead, TooLarge };

// Reads a whole file into `data`. A file larger than `maxBytes` is refused
// before anything is read; `error` says why a read failed.
TReadFileResult ReadFileBytes(const std::string& path, std::size_t maxBytes, std::string& data,
                              std::string* error = nullptr);

}  // namespace torvacalc
