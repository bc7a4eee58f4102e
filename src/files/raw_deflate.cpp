#include "files/raw_deflate.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

namespace {

// zlib's CRC-32 of any length, in pieces of what its interface counts.
uLong Crc32Bytewise(uLong crc, const Bytef* p, std::size_t left) {
  while (left > 0) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TORVACALC_CRC_FOLDING 1

// The CRC of 64 bytes or more by carry-less multiplication, after Gopal et
// al., "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ
// Instruction" (Intel, 2009): the data are folded 64 bytes at a time into
// four 128-bit remainders, these into one, then 16 bytes at a time; the
// last 128 bits are reduced to 32 by Barrett's method. The constants are
// the powers of x modulo the bit-reflected polynomial P = 0x1DB710641 that
// shift a remainder by 512 and by 128 bits, and the Barrett quotient
// floor(x^64 / P), as published for CRC-32 there. `crc` and the result are
// the plain remainder, without zlib's inversions; whole 16-byte blocks are
// taken, `n` is set to the bytes left over.
#define TORVACALC_CRC_TARGET __attribute__((target("pclmul,sse4.1")))

TORVACALC_CRC_TARGET inline __m128i Load16(const Bytef* q) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
}

// One fold: the low half times one constant, the high half times the
// other, added to what lies that far further on.
TORVACALC_CRC_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

TORVACALC_CRC_TARGET std::uint32_t Crc32Folding(std::uint32_t crc, const Bytef*& p, std::size_t& n) {
  __m128i x1 = _mm_xor_si128(Load16(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load16(p + 16), x3 = Load16(p + 32), x4 = Load16(p + 48);
  p += 64;
  n -= 64;
  const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
  for (; n >= 64; p += 64, n -= 64) {
    x1 = Fold(x1, k1k2, Load16(p));
    x2 = Fold(x2, k1k2, Load16(p + 16));
    x3 = Fold(x3, k1k2, Load16(p + 32));
    x4 = Fold(x4, k1k2, Load16(p + 48));
  }
  const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
  x1 = Fold(x1, k3k4, x2);
  x1 = Fold(x1, k3k4, x3);
  x1 = Fold(x1, k3k4, x4);
  for (; n >= 16; p += 16, n -= 16) x1 = Fold(x1, k3k4, Load16(p));
  // 128 bits to 64 (appending 32 zero bits), then to 32.
  const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x10), _mm_srli_si128(x1, 8));
  const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00), _mm_srli_si128(x1, 4));
  const __m128i poly = _mm_set_epi64x(0x1f7011641, 0x1db710641);
  __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
  t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, t), 1));
}

bool HasCarrylessMultiply() {
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return has;
}
#endif

}  // namespace

std::uint32_t Crc32(std::string_view data) {
  const auto* p = reinterpret_cast<const Bytef*>(data.data());
  std::size_t left = data.size();
  uLong crc = crc32(0L, Z_NULL, 0);
#ifdef TORVACALC_CRC_FOLDING
  // zlib's CRC is the remainder of the inverted start, inverted.
  if (left >= 64 && HasCarrylessMultiply())
    crc = ~Crc32Folding(~static_cast<std::uint32_t>(crc), p, left) & 0xFFFFFFFFu;
#endif
  return static_cast<std::uint32_t>(Crc32Bytewise(crc, p, left));
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
  std::size_t size = 0;
  const std::unique_ptr<char[]> out = RawInflateBuffer(data, limit, size, consumed);
  return std::string(out.get(), size);
}

std::unique_ptr<char[]> RawInflateBuffer(std::string_view data, std::size_t limit, std::size_t& size,
                                         std::size_t* consumed) {
  thread_local TInflater inflater;
  z_stream* z = inflater.Start();
  if (z == nullptr) throw EStreamReadError("cannot start the decompression");
  const char* next = data.data();
  std::size_t left = data.size();
  // The output is inflated straight into a buffer that starts at a guess
  // of the document size (these documents shrink about fifteenfold) and
  // doubles when full, never past the limit; it is not cleared first, as a
  // string's room would be.
  std::size_t capacity = std::min(limit, std::max<std::size_t>(kBlock, data.size() * 16));
  auto out = std::make_unique_for_overwrite<char[]>(capacity);
  size = 0;
  for (;;) {
    Feed(*z, next, left);
    if (size == capacity) {
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
      capacity = std::min(limit, std::max(2 * capacity, kBlock));
      auto larger = std::make_unique_for_overwrite<char[]>(capacity);
      std::copy_n(out.get(), size, larger.get());
      out = std::move(larger);
    }
    const std::size_t room = std::min<std::size_t>(capacity - size, UINT_MAX);
    z->next_out = reinterpret_cast<Bytef*>(out.get() + size);
    z->avail_out = static_cast<uInt>(room);
    const int rc = inflate(z, Z_NO_FLUSH);
    // Z_BUF_ERROR: no progress possible, the data ends inside the stream.
    if (rc != Z_OK && rc != Z_STREAM_END) throw EStreamReadError("damaged compressed data");
    const std::size_t produced = room - z->avail_out;
    size += produced;
    if (rc == Z_STREAM_END) {
      if (consumed) *consumed = data.size() - left - z->avail_in;
      return out;
    }
    if (produced == 0 && z->avail_in == 0 && left == 0) throw EStreamReadError("compressed data end early");
  }
}

}  // namespace torvacalc
