#include "files/raw_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <stdexcept>

#include "files/byte_stream.h"

namespace torvacalc {

namespace {

// Negative window bits: zlib writes and expects no header and no checksum.
constexpr int kRawWindowBits = -15;
// The inflater hands its output over in blocks of this size.
constexpr std::size_t kBlock = 65536;

// zlib counts in uInt; longer input is fed in pieces.
void Feed(z_stream& z, const char*& next, std::size_t& left) {
  if (z.avail_in != 0 || left == 0) return;
  const std::size_t n = std::min<std::size_t>(left, UINT_MAX);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(next));
  z.avail_in = static_cast<uInt>(n);
  next += n;
  left -= n;
}

}  // namespace

std::string RawDeflate(std::string_view data) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawWindowBits, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("cannot start the compression");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, deflateEnd);
  const char* next = data.data();
  std::size_t left = data.size();
  std::string out;
  out.reserve(data.size() / 4 + 64);
  std::array<char, kBlock> block;
  for (;;) {
    Feed(z, next, left);
    z.next_out = reinterpret_cast<Bytef*>(block.data());
    z.avail_out = static_cast<uInt>(block.size());
    const int rc = deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
      throw std::runtime_error("compression failed");
    out.append(block.data(), block.size() - z.avail_out);
    if (rc == Z_STREAM_END) return out;
  }
}

std::uint32_t Crc32(std::string_view data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(data.data());
  std::size_t left = data.size();
  while (left > 0) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return static_cast<std::uint32_t>(crc);
}

namespace {

// One inflater per thread, reset for every stream: its state and 32 KiB
// window are allocated once instead of for every file read.
class TInflater {
 public:
  TInflater() {
    FReady = inflateInit2(&FStream, kRawWindowBits) == Z_OK;
  }
  ~TInflater() {
    if (FReady) inflateEnd(&FStream);
  }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  // The stream, reset for new data; nullptr when zlib could not start.
  z_stream* Start() {
    if (!FReady) return nullptr;
    if (FUsed && inflateReset(&FStream) != Z_OK) return nullptr;
    FUsed = true;
    // Input left over from the last stream (whatever followed its end) is
    // not this stream's.
    FStream.next_in = Z_NULL;
    FStream.avail_in = 0;
    return &FStream;
  }

 private:
  z_stream FStream{};
  bool FReady = false;
  bool FUsed = false;
};

}  // namespace

std::string RawInflate(std::string_view data, std::size_t limit, std::size_t* consumed) {
  thread_local TInflater inflater;
  z_stream* z = inflater.Start();
  if (z == nullptr) throw EStreamReadError("cannot start the decompression");
  const char* next = data.data();
  std::size_t left = data.size();
  // The output is inflated straight into the string, which starts at a
  // guess of the document size (these documents shrink about tenfold) and
  // doubles when full, never past the limit.
  std::string out;
  std::size_t size = 0;
  out.resize(std::min(limit, std::max<std::size_t>(kBlock, data.size() * 12)));
  for (;;) {
    Feed(*z, next, left);
    if (size == out.size()) {
      if (size == limit) {
        // Full at the limit: one more byte would be too many.
        char probe;
        z->next_out = reinterpret_cast<Bytef*>(&probe);
        z->avail_out = 1;
        const int rc = inflate(z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) throw EStreamReadError("damaged compressed data");
        if (z->avail_out == 0) throw EStreamReadError("inflated data too large");
        if (rc == Z_STREAM_END) {
          if (consumed) *consumed = data.size() - left - z->avail_in;
          return out;
        }
        continue;  // input taken without output (Z_OK means progress)
      }
      out.resize(std::min(limit, std::max(2 * out.size(), kBlock)));
    }
    const std::size_t room = std::min<std::size_t>(out.size() - size, UINT_MAX);
    z->next_out = reinterpret_cast<Bytef*>(out.data() + size);
    z->avail_out = static_cast<uInt>(room);
    const int rc = inflate(z, Z_NO_FLUSH);
    // Z_BUF_ERROR: no progress possible, the data ends inside the stream.
    if (rc != Z_OK && rc != Z_STREAM_END) throw EStreamReadError("damaged compressed data");
    const std::size_t produced = room - z->avail_out;
    size += produced;
    if (rc == Z_STREAM_END) {
      out.resize(size);
      if (consumed) *consumed = data.size() - left - z->avail_in;
      return out;
    }
    if (produced == 0 && z->avail_in == 0 && left == 0) throw EStreamReadError("compressed data end early");
  }
}

}  // namespace torvacalc
