#include "files/tag_stream.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <ostream>

#include "files/extended80.h"
#include "files/text_codec.h"

namespace torvacalc {

static_assert(std::numeric_limits<double>::is_iec559, "dates are stored as IEEE doubles");

namespace {

// Names compare ignoring ASCII case only: the result does not depend on
// the locale a program (a desktop toolkit) may set, where tolower would
// fold single bytes of UTF-8 text, and there is no library call per
// character in what is the inner loop of reading a file.
inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

inline bool SameName(std::string_view a, std::string_view b, bool caseSensitive) {
  if (a.size() != b.size()) return false;
  if (caseSensitive) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

void WriteShortString(TByteWriter& w, std::string_view utf8) {
  std::string bytes = Utf8ToWin1252(utf8);
  if (bytes.size() > 255) bytes.resize(255);
  w.WriteU8(static_cast<std::uint8_t>(bytes.size()));
  w.WriteBytes(bytes);
}

std::string_view ShortStringBytes(TByteReader& r) {
  const std::uint8_t n = r.ReadU8();
  return r.ReadBytes(n);
}

std::string ReadShortString(TByteReader& r) { return Win1252ToUtf8(ShortStringBytes(r)); }

template <class T>
std::unique_ptr<TBixBinaryAttribute> Make() {
  return std::make_unique<T>();
}

// Registered derived types, looked up by class name ignoring case.
class TTypeRegistry {
 public:
  TTypeRegistry()
      : FTypes{&TBixBinaryPicture::Type(), &TBixBinaryBitmap::Type(), &TBixBinaryIcon::Type(),
               &TBixBinaryMetafile::Type(), &TBixBinaryJPEG::Type(),
               &TBixBinaryTShiftState::Type(), &TBixBinarytClientDataSet::Type()} {}

  const TBixBinaryDataType* Find(std::string_view name) {
    std::lock_guard<std::mutex> guard(FLock);
    const auto it = Position(name);
    return it == FTypes.end() ? nullptr : *it;
  }
  void Add(const TBixBinaryDataType& type) {
    std::lock_guard<std::mutex> guard(FLock);
    const auto it = Position(type.ClassName);
    if (it == FTypes.end()) FTypes.push_back(&type);
    else *it = &type;
  }
  bool Remove(std::string_view name) {
    std::lock_guard<std::mutex> guard(FLock);
    const auto it = Position(name);
    if (it == FTypes.end()) return false;
    FTypes.erase(it);
    return true;
  }

 private:
  std::vector<const TBixBinaryDataType*>::iterator Position(std::string_view name) {
    return std::find_if(FTypes.begin(), FTypes.end(), [&](const TBixBinaryDataType* t) {
      return SameName(t->ClassName, name, false);
    });
  }
  std::mutex FLock;
  std::vector<const TBixBinaryDataType*> FTypes;
};

TTypeRegistry& Registry() {
  static TTypeRegistry registry;
  return registry;
}

std::unique_ptr<TBixBinaryAttribute> ReadAttribute(TByteReader& r) {
  const int id = r.ReadU8();
  const TBixBinaryDataType* type = nullptr;
  if (id != 0) {
    type = TBixBinaryAttribute::DataTypeOf(id);
  } else {
    const int baseId = r.ReadU8();
    const std::string className = ReadShortString(r);
    type = TBixBinaryAttribute::DataTypeOfClassName(className);
    // An unknown derived type is read as its base type. So is a known name
    // written with another base type: the base identifier decides the
    // layout of the value bytes.
    if (type == nullptr || type->BaseId != baseId) type = TBixBinaryAttribute::DataTypeOf(baseId);
  }
  if (type == nullptr) throw EStreamReadError("unknown data type");
  auto a = type->Create();
  a->ItemName.AssignWin1252(ShortStringBytes(r));
  a->IsNull = r.ReadU8() != 0;
  if (!a->IsNull) a->LoadValue(r);
  return a;
}

void WriteAttribute(TByteWriter& w, const TBixBinaryAttribute& a) {
  if (a.IsDerivedType()) {
    if (TBixBinaryAttribute::DataTypeOfClassName(a.ClassName()) == nullptr)
      throw EBixBinaryError("Die Klasse \"" + std::string(a.ClassName()) +
                            "\" muss mit TBixBinaryAttribute.RegisterBinaryDataType registriert "
                            "werden.");
    w.WriteU8(0);
    w.WriteU8(static_cast<std::uint8_t>(a.GetBaseTypeId()));
    WriteShortString(w, a.ClassName());
  } else {
    w.WriteU8(static_cast<std::uint8_t>(a.GetBaseTypeId()));
  }
  WriteShortString(w, a.ItemName);
  w.WriteU8(a.IsNull ? 1 : 0);
  if (!a.IsNull) a.SaveValue(w);
}

template <typename T>
std::string ShortestTextOf(T v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

// --- where tags and attributes live ------------------------------------------

namespace {

// Blocks of kBlockSize bytes given back by documents that went, kept for
// the next documents read (up to kPooledBlocks): memory a program touched
// once costs no page faults when it is used again, and an export reads
// document after document.
constexpr std::size_t kBlockSize = std::size_t{256} << 10;
constexpr std::size_t kPooledBlocks = 64;

class TBlockPool {
 public:
  std::unique_ptr<std::byte[]> Take() {
    {
      std::lock_guard<std::mutex> guard(FLock);
      if (!FBlocks.empty()) {
        std::unique_ptr<std::byte[]> block = std::move(FBlocks.back());
        FBlocks.pop_back();
        return block;
      }
    }
    return std::make_unique_for_overwrite<std::byte[]>(kBlockSize);
  }
  void Give(std::unique_ptr<std::byte[]> block) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FBlocks.size() < kPooledBlocks) FBlocks.push_back(std::move(block));
  }

 private:
  std::mutex FLock;
  std::vector<std::unique_ptr<std::byte[]>> FBlocks;
};

// Never destroyed: documents held by objects that static destruction takes
// apart (the process's file list) still give their blocks back.
TBlockPool& BlockPool() {
  static TBlockPool* const pool = new TBlockPool;
  return *pool;
}

}  // namespace

// Consecutive blocks of kBlockSize bytes (a larger one for a larger
// request); nothing is freed before the whole goes, and then the blocks of
// the common size go back to the pool.
class TBixBlockMemory {
 public:
  TBixBlockMemory() = default;
  TBixBlockMemory(const TBixBlockMemory&) = delete;
  TBixBlockMemory& operator=(const TBixBlockMemory&) = delete;
  ~TBixBlockMemory() {
    for (TBlock& b : FBlocks)
      if (b.Size == kBlockSize) BlockPool().Give(std::move(b.Data));
  }

  // Blocks start aligned for any element, and sizes are rounded up to
  // keep every place handed out aligned so.
  static constexpr std::size_t kAlignment = alignof(std::max_align_t);

  // The bytes the document is read from, for its attributes that are not
  // made yet: the reader's own while it reads, then a copy of the part the
  // document took (nullptr: its attributes are all made as they are read).
  const char* Bytes = nullptr;
  std::size_t Size = 0;

  void ReadFrom(const char* bytes, std::size_t size) {
    // Places of attributes count from the first byte in 32 bits.
    if (size > std::numeric_limits<std::uint32_t>::max()) return;
    Bytes = bytes;
    Size = size;
  }
  // Keeps the bytes up to `end`, where reading stopped: takes `bytes`
  // when given (they hold what was read), else copies them.
  void KeepBytesTo(const char* end, std::unique_ptr<char[]>* bytes) {
    if (Bytes == nullptr) return;
    Size = static_cast<std::size_t>(end - Bytes);
    if (bytes != nullptr) {
      FOwnBytes = std::move(*bytes);
      return;
    }
    FOwnBytes = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(Size, 1));
    std::memcpy(FOwnBytes.get(), Bytes, Size);
    Bytes = FOwnBytes.get();
  }

  void* Allocate(std::size_t size) {
    size = (size + kAlignment - 1) & ~(kAlignment - 1);
    if (size > FLeft) {
      const std::size_t blockSize = std::max(kBlockSize, size);
      FBlocks.push_back({blockSize == kBlockSize ? BlockPool().Take()
                                                 : std::make_unique_for_overwrite<std::byte[]>(blockSize),
                         blockSize});
      FNext = FBlocks.back().Data.get();
      FLeft = blockSize;
    }
    std::byte* p = FNext;
    FNext += size;
    FLeft -= size;
    return p;
  }

 private:
  struct TBlock {
    std::unique_ptr<std::byte[]> Data;
    std::size_t Size;
  };
  std::vector<TBlock> FBlocks;
  std::byte* FNext = nullptr;  // the free part of the last block
  std::size_t FLeft = 0;
  std::unique_ptr<char[]> FOwnBytes;
};

// Where an attribute of a list read lazily lies: its name (offset from
// the document's first byte, and length), its base type and null flag.
// The value follows the null flag.
//
// Names not made yet are compared as the file has them, in Windows-1252.
// For a name asked for in ASCII that is exact: a name that matches it
// (also ignoring case) is ASCII, the same in both encodings, and a name
// with other characters matches no ASCII name in either. A name asked for
// with other characters makes the list's attributes first.
struct TBixLazyAttribute {
  std::uint32_t Name;
  std::uint8_t NameSize;
  std::uint8_t Id;
  bool IsNull;
};

namespace {

// Every tag and attribute is preceded by a header that says where it
// lives, so that deleting one knows whether to free it. The header keeps
// the alignment of the element behind it (long double needs 16 bytes).
constexpr std::size_t kElementHeader = TBixBlockMemory::kAlignment;
static_assert(alignof(TBixBinaryExtended) <= kElementHeader);
constexpr unsigned char kOnHeap = 0, kInBlocks = 1;

// The block memory of the document this thread is reading, or nullptr.
thread_local TBixBlockMemory* tReadingInto = nullptr;

// Places the elements made on this thread in `blocks` while it lives.
class TReadingInto {
 public:
  explicit TReadingInto(TBixBlockMemory* blocks) : FPrevious(tReadingInto) { tReadingInto = blocks; }
  ~TReadingInto() { tReadingInto = FPrevious; }
  TReadingInto(const TReadingInto&) = delete;
  TReadingInto& operator=(const TReadingInto&) = delete;

 private:
  TBixBlockMemory* FPrevious;
};

}  // namespace

void* bix_detail::NewElement(std::size_t size) {
  unsigned char* header;
  if (tReadingInto != nullptr) {
    header = static_cast<unsigned char*>(tReadingInto->Allocate(size + kElementHeader));
    header[0] = kInBlocks;
  } else {
    header = static_cast<unsigned char*>(::operator new(size + kElementHeader));
    header[0] = kOnHeap;
  }
  return header + kElementHeader;
}

void bix_detail::DeleteElement(void* p) noexcept {
  if (p == nullptr) return;
  unsigned char* header = static_cast<unsigned char*>(p) - kElementHeader;
  // An element in blocks goes with its document's blocks.
  if (header[0] == kOnHeap) ::operator delete(header);
}

void* TBixBinaryAttribute::operator new(std::size_t size) { return bix_detail::NewElement(size); }
void TBixBinaryAttribute::operator delete(void* p, std::size_t) noexcept { bix_detail::DeleteElement(p); }
void* TBixBinaryTag::operator new(std::size_t size) { return bix_detail::NewElement(size); }
void TBixBinaryTag::operator delete(void* p, std::size_t) noexcept { bix_detail::DeleteElement(p); }

// --- helpers of the typed attributes ---------------------------------------

namespace bix_detail {

std::string FormatInteger(std::int64_t v) { return std::to_string(v); }

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  std::string_view s = Trim(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::int64_t v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<Extended> ParseReal(std::string_view text) {
  std::string s(Trim(text));
  if (!s.empty() && s.front() == '+') s.erase(0, 1);
  std::replace(s.begin(), s.end(), ',', '.');
  long double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  // Out of range: from_chars reports it; the text is not a value of the type.
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<bool> ParseBoolean(std::string_view text) {
  const std::string_view s = Trim(text);
  if (SameName(s, "true", false)) return true;
  if (SameName(s, "false", false)) return false;
  if (const auto n = ParseInteger(s)) return *n != 0;
  return std::nullopt;
}

void ThrowBadText(std::string_view type, std::string_view text) {
  throw EBixBinaryError("\"" + std::string(text) + "\" is not a value of " + std::string(type));
}

std::optional<std::int64_t> RealToInteger(Extended v) {
  if (!std::isfinite(v)) return std::nullopt;
  const Extended r = std::nearbyint(v);
  if (r < -0x1p63L || r >= 0x1p63L) return std::nullopt;
  return static_cast<std::int64_t>(r);
}

std::string ShortestText(float v) { return ShortestTextOf(v); }
std::string ShortestText(double v) { return ShortestTextOf(v); }
std::string ShortestText(long double v) { return ShortestTextOf(v); }

void WriteExtended(TByteWriter& w, Extended v) {
  const TExtended80 b = ExtendedToBytes(v);
  w.WriteBytes(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

Extended ReadExtended(TByteReader& r) {
  const std::string_view s = r.ReadBytes(10);
  TExtended80 b{};
  std::copy(s.begin(), s.end(), b.begin());
  return ExtendedFromBytes(b);
}

}  // namespace bix_detail

// --- the attribute base and its class functions ------------------------------

bool TBixBinaryAttribute::IsDerivedType() const { return DataTypeOf(GetBaseTypeId()) != &DataType(); }

std::string TBixBinaryAttribute::GetDataTypeAsString() const {
  std::string_view name = ClassName();
  constexpr std::string_view prefix = "TBixBinary";
  if (name.substr(0, prefix.size()) == prefix) name.remove_prefix(prefix.size());
  return std::string(name);
}

void TBixBinaryAttribute::Assign(const TBixBinaryAttribute& source) {
  if (&source == this) return;
  ItemName = source.ItemName;
  if (!source.IsNull) AssignValue(source);
  IsNull = source.IsNull;
}

void TBixBinaryAttribute::AssignValue(const TBixBinaryAttribute& source) {
  SetValueAsWideString(source.GetValueAsWideString());
}

std::optional<bool> TBixBinaryAttribute::AsBoolean() const { return std::nullopt; }
std::optional<std::int64_t> TBixBinaryAttribute::AsInteger() const { return std::nullopt; }
std::optional<Extended> TBixBinaryAttribute::AsFloat() const { return std::nullopt; }
std::optional<TDateTime> TBixBinaryAttribute::AsDateTime() const {
  const auto v = AsFloat();
  if (!v) return std::nullopt;
  return static_cast<TDateTime>(*v);
}
TBixVariant TBixBinaryAttribute::AsVariant() const { return GetValueAsWideString(); }

const TBixBinaryDataType* TBixBinaryAttribute::DataTypeOf(int id) {
  static const std::array<const TBixBinaryDataType*, 21> table = {
      &TBixBinaryBlob::Type(),       &TBixBinaryBoolean::Type(),   &TBixBinaryCurrency::Type(),
      &TBixBinaryDateTime::Type(),   &TBixBinaryReal48::Type(),    &TBixBinarySingle::Type(),
      &TBixBinaryDouble::Type(),     &TBixBinaryExtended::Type(),  &TBixBinaryComp::Type(),
      &TBixBinaryByte::Type(),       &TBixBinaryShortint::Type(),  &TBixBinaryAnsiChar::Type(),
      &TBixBinaryWord::Type(),       &TBixBinarySmallint::Type(),  &TBixBinaryLongword::Type(),
      &TBixBinaryLongint::Type(),    &TBixBinaryInt64::Type(),     &TBixBinaryAnsiString::Type(),
      &TBixBinaryWideString::Type(), &TBixBinaryShortString::Type(), &TBixBinaryXMLData::Type(),
  };
  if (id < 1 || id > 21) return nullptr;
  return table[static_cast<std::size_t>(id - 1)];
}

const TBixBinaryDataType* TBixBinaryAttribute::DataTypeOfClassName(std::string_view name) {
  return Registry().Find(name);
}

void TBixBinaryAttribute::RegisterBinaryDataType(const TBixBinaryDataType& type) {
  Registry().Add(type);
}

bool TBixBinaryAttribute::UnregisterBinaryDataType(std::string_view name) {
  return Registry().Remove(name);
}

// --- the data types --------------------------------------------------------

#define TORVACALC_BIX_TYPE(Class, baseId)                                   \
  const TBixBinaryDataType& Class::Type() {                                 \
    static const TBixBinaryDataType type{#Class, baseId, &Make<Class>};     \
    return type;                                                            \
  }
TORVACALC_BIX_TYPE(TBixBinaryBlob, 1)
TORVACALC_BIX_TYPE(TBixBinaryBoolean, 2)
TORVACALC_BIX_TYPE(TBixBinaryCurrency, 3)
TORVACALC_BIX_TYPE(TBixBinaryDateTime, 4)
TORVACALC_BIX_TYPE(TBixBinaryReal48, 5)
TORVACALC_BIX_TYPE(TBixBinarySingle, 6)
TORVACALC_BIX_TYPE(TBixBinaryDouble, 7)
TORVACALC_BIX_TYPE(TBixBinaryExtended, 8)
TORVACALC_BIX_TYPE(TBixBinaryComp, 9)
TORVACALC_BIX_TYPE(TBixBinaryByte, 10)
TORVACALC_BIX_TYPE(TBixBinaryShortint, 11)
TORVACALC_BIX_TYPE(TBixBinaryAnsiChar, 12)
TORVACALC_BIX_TYPE(TBixBinaryWord, 13)
TORVACALC_BIX_TYPE(TBixBinarySmallint, 14)
TORVACALC_BIX_TYPE(TBixBinaryLongword, 15)
TORVACALC_BIX_TYPE(TBixBinaryLongint, 16)
TORVACALC_BIX_TYPE(TBixBinaryInt64, 17)
TORVACALC_BIX_TYPE(TBixBinaryAnsiString, 18)
TORVACALC_BIX_TYPE(TBixBinaryWideString, 19)
TORVACALC_BIX_TYPE(TBixBinaryShortString, 20)
// Derived types carry the base identifier of the type they derive from.
TORVACALC_BIX_TYPE(TBixBinaryXMLData, 19)
TORVACALC_BIX_TYPE(TBixBinaryPicture, 1)
TORVACALC_BIX_TYPE(TBixBinaryBitmap, 1)
TORVACALC_BIX_TYPE(TBixBinaryIcon, 1)
TORVACALC_BIX_TYPE(TBixBinaryMetafile, 1)
TORVACALC_BIX_TYPE(TBixBinaryJPEG, 1)
TORVACALC_BIX_TYPE(TBixBinaryTShiftState, 1)
TORVACALC_BIX_TYPE(TBixBinarytClientDataSet, 1)
#undef TORVACALC_BIX_TYPE

std::string TBixBinaryBlob::GetValueAsWideString() const {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * FValue.size());
  for (char c : FValue) {
    const auto b = static_cast<unsigned char>(c);
    text.push_back(digits[b >> 4]);
    text.push_back(digits[b & 15]);
  }
  return text;
}

void TBixBinaryBlob::SetValueAsWideString(std::string_view text) {
  const auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) bix_detail::ThrowBadText(ClassName(), text);
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) bix_detail::ThrowBadText(ClassName(), text);
    bytes.push_back(static_cast<char>(hi * 16 + lo));
  }
  SetValue(std::move(bytes));
}

void TBixBinaryBlob::SaveValue(TByteWriter& w) const {
  w.WriteI64(static_cast<std::int64_t>(FValue.size()));
  w.WriteBytes(FValue);
}

void TBixBinaryBlob::LoadValue(TByteReader& r) {
  const std::int64_t n = r.ReadI64();
  if (n < 0 || static_cast<std::uint64_t>(n) > r.Remaining())
    throw EStreamReadError("blob size exceeds the data available");
  FValue = std::string(r.ReadBytes(static_cast<std::size_t>(n)));
}

void TBixBinaryBoolean::SetValueAsWideString(std::string_view text) {
  const auto v = bix_detail::ParseBoolean(text);
  if (!v) bix_detail::ThrowBadText(ClassName(), text);
  SetValue(*v);
}

std::string TBixBinaryCurrency::GetValueAsWideString() const {
  const bool negative = FValue < 0;
  const std::uint64_t a = negative ? ~static_cast<std::uint64_t>(FValue) + 1 : static_cast<std::uint64_t>(FValue);
  std::string text = (negative ? "-" : "") + std::to_string(a / 10000);
  if (const std::uint64_t frac = a % 10000; frac != 0) {
    std::string f = std::to_string(frac);
    f.insert(0, 4 - f.size(), '0');
    while (f.back() == '0') f.pop_back();
    text += "." + f;
  }
  return text;
}

void TBixBinaryCurrency::SetValueAsWideString(std::string_view text) {
  // Read exactly, in units of 1/10000; a fifth decimal rounds half away
  // from zero, further decimals are ignored.
  std::string_view s = Trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::uint64_t units = 0;
  int decimals = -1;  // -1: before the decimal mark
  bool anyDigit = false, roundUp = false;
  constexpr std::uint64_t limit = std::uint64_t{1} << 63;
  for (char c : s) {
    if (c == '.' || c == ',') {
      if (decimals >= 0) bix_detail::ThrowBadText(ClassName(), text);
      decimals = 0;
      continue;
    }
    if (c < '0' || c > '9') bix_detail::ThrowBadText(ClassName(), text);
    anyDigit = true;
    if (decimals >= 4) {
      if (decimals++ == 4) roundUp = c >= '5';
      continue;
    }
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (units > (limit - digit) / 10) bix_detail::ThrowBadText(ClassName(), text);
    units = units * 10 + digit;
    if (decimals >= 0) ++decimals;
  }
  if (!anyDigit) bix_detail::ThrowBadText(ClassName(), text);
  for (int d = std::max(decimals, 0); d < 4; ++d) {
    if (units > limit / 10) bix_detail::ThrowBadText(ClassName(), text);
    units *= 10;
  }
  units += roundUp ? 1 : 0;
  if (units > (negative ? limit : limit - 1)) bix_detail::ThrowBadText(ClassName(), text);
  SetValue(negative ? static_cast<std::int64_t>(~units + 1) : static_cast<std::int64_t>(units));
}

std::optional<std::int64_t> TBixBinaryCurrency::AsInteger() const {
  return bix_detail::RealToInteger(GetAmount());
}

void TBixBinaryDateTime::SetValueAsWideString(std::string_view text) {
  const auto v = TextToDateTime(Trim(text));
  if (!v) bix_detail::ThrowBadText(ClassName(), text);
  SetValue(*v);
}

void TBixBinaryDateTime::SaveValue(TByteWriter& w) const { w.WriteU64(std::bit_cast<std::uint64_t>(FValue)); }

void TBixBinaryDateTime::LoadValue(TByteReader& r) { FValue = std::bit_cast<double>(r.ReadU64()); }

std::optional<std::int64_t> TBixBinaryDateTime::AsInteger() const {
  return bix_detail::RealToInteger(std::trunc(static_cast<Extended>(FValue)));
}

double TBixBinaryReal48::Narrow(Extended v) {
  if (!std::isfinite(v)) throw EBixBinaryError("no Real48 value: " + bix_detail::ShortestText(v));
  if (v == 0) return 0;
  int e = 0;
  // 40 significant bits, rounded to nearest.
  Extended m = std::nearbyint(std::ldexp(std::frexp(std::fabs(v), &e), 40));
  m = std::ldexp(m, -40);
  if (m >= 1) {
    m /= 2;
    ++e;
  }
  // The leading bit has weight 2^(e-1); the format holds 2^-128 to 2^126.
  if (e - 1 < -128) return 0;
  if (e - 1 > 126) throw EBixBinaryError("Real48 overflow: " + bix_detail::ShortestText(v));
  const double r = static_cast<double>(std::ldexp(m, e));
  return v < 0 ? -r : r;
}

float TBixBinarySingle::Narrow(Extended v) {
  // Beyond the largest float by more than half a step the value overflows
  // to infinity, as the x87 store does with overflow masked.
  if (std::isfinite(v) && std::fabs(v) >= 0x1p128L)
    return v < 0 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

double TBixBinaryDouble::Narrow(Extended v) {
  if (std::isfinite(v) && std::fabs(v) >= 0x1p1024L)
    return v < 0 ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  return static_cast<double>(v);
}

std::int64_t TBixBinaryComp::Narrow(Extended v) {
  return bix_detail::RealToInteger(v).value_or(std::numeric_limits<std::int64_t>::min());
}

void TBixBinaryComp::SetValueAsWideString(std::string_view text) {
  const auto v = bix_detail::ParseInteger(text);
  if (!v) bix_detail::ThrowBadText(ClassName(), text);
  SetValue(*v);
}

void TBixBinaryComp::SaveValue(TByteWriter& w) const {
  bix_detail::WriteExtended(w, static_cast<Extended>(FValue));
}

std::string TBixBinaryAnsiChar::GetValueAsWideString() const {
  return FValue == 0 ? std::string() : Win1252ToUtf8(std::string_view(&FValue, 1));
}

void TBixBinaryAnsiChar::SetValueAsWideString(std::string_view text) {
  const std::string bytes = Utf8ToWin1252(text);
  if (bytes.size() > 1) bix_detail::ThrowBadText(ClassName(), text);
  SetValue(bytes.empty() ? '\0' : bytes[0]);
}

std::optional<bool> TBixBinaryTextValueBase::TextAsBoolean(const std::string& v) {
  return bix_detail::ParseBoolean(v);
}
std::optional<std::int64_t> TBixBinaryTextValueBase::TextAsInteger(const std::string& v) {
  if (const auto i = bix_detail::ParseInteger(v)) return i;
  if (const auto r = bix_detail::ParseReal(v)) return bix_detail::RealToInteger(*r);
  return std::nullopt;
}
std::optional<Extended> TBixBinaryTextValueBase::TextAsFloat(const std::string& v) {
  return bix_detail::ParseReal(v);
}
std::optional<TDateTime> TBixBinaryTextValueBase::TextAsDateTime(const std::string& v) {
  return TextToDateTime(Trim(v));
}

void TBixBinaryAnsiString::SaveValue(TByteWriter& w) const {
  const std::string bytes = Utf8ToWin1252(FValue);
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw EBixBinaryError("text too long for the stream");
  w.WriteI32(static_cast<std::int32_t>(bytes.size()));
  w.WriteBytes(bytes);
}

void TBixBinaryAnsiString::LoadValue(TByteReader& r) {
  const std::int32_t n = r.ReadI32();
  if (n < 0) throw EStreamReadError("negative text length");
  AssignWin1252AsUtf8(FValue, r.ReadBytes(static_cast<std::size_t>(n)));
}

void TBixBinaryWideString::SaveValue(TByteWriter& w) const {
  const std::string units = Utf8ToUtf16LE(FValue);
  if (units.size() / 2 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw EBixBinaryError("text too long for the stream");
  w.WriteI32(static_cast<std::int32_t>(units.size() / 2));
  w.WriteBytes(units);
}

void TBixBinaryWideString::LoadValue(TByteReader& r) {
  const std::int32_t n = r.ReadI32();
  if (n < 0) throw EStreamReadError("negative text length");
  FValue = Utf16LEToUtf8(r.ReadBytes(2 * static_cast<std::size_t>(n)));
}

void TBixBinaryShortString::SaveValue(TByteWriter& w) const { WriteShortString(w, FValue); }

void TBixBinaryShortString::LoadValue(TByteReader& r) { AssignWin1252AsUtf8(FValue, ShortStringBytes(r)); }

namespace {
constexpr std::string_view kGraphicClasses[] = {"TBitmap", "TIcon", "TMetafile", "TJPEGImage"};

// The graphic class name at the start of a picture's bytes, or nullopt when
// the bytes are too short for the length they claim.
std::optional<std::string_view> PictureClassName(const std::string& bytes) {
  if (bytes.empty()) return std::string_view();
  const std::size_t n = static_cast<unsigned char>(bytes[0]);
  if (1 + n > bytes.size()) return std::nullopt;
  return std::string_view(bytes).substr(1, n);
}
}  // namespace

std::string TBixBinaryPicture::GetGraphicClassName() const {
  const auto name = PictureClassName(FValue);
  return name ? Win1252ToUtf8(*name) : std::string();
}

std::string TBixBinaryPicture::GetGraphicData() const {
  const auto name = PictureClassName(FValue);
  return name && !FValue.empty() ? FValue.substr(1 + name->size()) : std::string();
}

void TBixBinaryPicture::SetGraphic(std::string_view className, std::string_view data) {
  TByteWriter w;
  WriteShortString(w, className);
  w.WriteBytes(data);
  SetValue(w.TakeData());
}

void TBixBinaryPicture::LoadValue(TByteReader& r) {
  TBixBinaryBlob::LoadValue(r);
  const auto name = PictureClassName(FValue);
  const bool known =
      name && std::any_of(std::begin(kGraphicClasses), std::end(kGraphicClasses),
                          [&](std::string_view c) { return SameName(c, *name, false); });
  if (!known) FValue = std::string(1, '\0');
}

// --- attribute names ---------------------------------------------------------

void TBixAttributeName::Set(std::string text) {
  FText = std::move(text);
  if (FOwner != nullptr) FOwner->NameChanged();
}

void TBixAttributeName::AssignWin1252(std::string_view bytes) {
  AssignWin1252AsUtf8(FText, bytes);
  if (FOwner != nullptr) FOwner->NameChanged();
}

std::ostream& operator<<(std::ostream& out, const TBixAttributeName& name) { return out << name.str(); }

// --- attribute list ----------------------------------------------------------

namespace {

// Lists shorter than this are searched name by name: as fast as an index,
// and no memory for one.
constexpr std::size_t kIndexedFrom = 8;
constexpr std::uint8_t kWalksBeforeIndex = 16;

// A hash of a name that is the same for names equal ignoring ASCII case:
// its length and its bytes, eight at a time (the last eight overlapping
// the ones before; fewer for short names), with bit 0x20 set in every
// byte, which is all that tells an upper-case letter from its lower-case
// one. Without that bit set (kFold 0), a hash of the name as it is spelt.
template <std::uint64_t kFold>
inline std::uint32_t NameHash(std::string_view name) noexcept {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15u;
  const std::size_t n = name.size();
  const char* p = name.data();
  std::uint64_t h = n * 0xC2B2AE3D27D4EB4Fu;
  const auto mix = [&](std::uint64_t chunk) { h = (h ^ (chunk | kFold)) * kMul; };
  if (n >= 8) {
    std::uint64_t chunk;
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&chunk, p + i, 8);
      mix(chunk);
    }
    std::memcpy(&chunk, p + n - 8, 8);
    mix(chunk);
  } else if (n >= 4) {
    std::uint32_t head = 0, tail = 0;
    std::memcpy(&head, p, 4);
    std::memcpy(&tail, p + n - 4, 4);
    mix(head | static_cast<std::uint64_t>(tail) << 32);
  } else if (n > 0) {
    mix(static_cast<unsigned char>(p[0]) | static_cast<std::uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
        static_cast<std::uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16);
  }
  return static_cast<std::uint32_t>(h >> 32) ^ static_cast<std::uint32_t>(h);
}

}  // namespace

inline std::uint32_t FoldedHash(std::string_view name) noexcept { return NameHash<0x2020202020202020u>(name); }

std::uint32_t BixFoldedHash(std::string_view name) noexcept { return FoldedHash(name); }
std::uint32_t BixHash(std::string_view name) noexcept { return NameHash<0>(name); }

namespace {

// Longest run of occupied slots an entry may have to pass. Real lists stay
// far below it; a hostile file whose names were made to meet in the table
// loses its index instead of making reading quadratic in its names.
constexpr std::size_t kMaxProbes = 64;

// Slots for n names: a power of two, at most two thirds full.
std::size_t SlotsFor(std::size_t n) {
  std::size_t slots = 16;
  while (slots * 2 < n * 3) slots *= 2;
  return slots;
}

}  // namespace

TBixBinaryAttributes::TBixBinaryAttributes(TBixBinaryAttributes&& other) noexcept
    : FItems(std::move(other.FItems)),
      FLazy(other.FLazy),
      FLazyCount(other.FLazyCount),
      FMemory(other.FMemory),
      FIndex(std::move(other.FIndex)),
      FCaseVariants(other.FCaseVariants),
      FUnindexed(other.FUnindexed) {
  for (const auto& a : FItems)
    if (a) Adopt(*a);
  other.Clear();
}

TBixBinaryAttributes& TBixBinaryAttributes::operator=(TBixBinaryAttributes&& other) noexcept {
  if (this == &other) return *this;
  FItems = std::move(other.FItems);
  FLazy = other.FLazy;
  FLazyCount = other.FLazyCount;
  FMemory = other.FMemory;
  FIndex = std::move(other.FIndex);
  FCaseVariants = other.FCaseVariants;
  FUnindexed = other.FUnindexed;
  for (const auto& a : FItems)
    if (a) Adopt(*a);
  other.Clear();
  return *this;
}

namespace {

// Bytes of the value of each base type that has a fixed size; 0 for the
// types of variable size (blob, texts) and for Real48, whose value must
// be read to be checked.
constexpr std::uint8_t kFixedValueSize[22] = {0, 0, 1, 8, 8, 0, 10, 10, 10, 10, 1,
                                              1, 1, 2, 2, 4, 4, 8, 0, 0, 0, 0};

// The size of a value of a base type of variable size at `p`, checked as
// reading it would; 0 when it does not fit in `left` bytes (no value of
// these types is empty). Also 0 for a Real48, which reading refuses
// outside its range: a list that holds one is read attribute by
// attribute, and the loop of TakePlaces calls nothing, so that it keeps
// its values in registers.
std::size_t VariableValueSize(const char* p, std::size_t left, std::uint8_t id) {
  const auto littleEndian = [p](int bytes) {
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(&v, p, static_cast<std::size_t>(bytes));
    } else {
      for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    return v;
  };
  switch (id) {
    case 1: {  // blob: 8-byte size, the bytes
      if (left < 8) return 0;
      const auto n = static_cast<std::int64_t>(littleEndian(8));
      return n >= 0 && static_cast<std::uint64_t>(n) <= left - 8 ? 8 + static_cast<std::size_t>(n) : 0;
    }
    case 5: return 0;
    case 20: {  // short string: 1-byte length, the bytes
      const std::size_t n = left < 1 ? left : static_cast<unsigned char>(p[0]);
      return left >= 1 + n ? 1 + n : 0;
    }
    default: {  // 18 Windows-1252 text, 19 UTF-16 text, 21 XML (a wide string)
      if (left < 4) return 0;
      const auto n = static_cast<std::int32_t>(littleEndian(4));
      if (n < 0) return 0;
      const std::size_t bytes = (id == 18 ? 1 : 2) * static_cast<std::size_t>(n);
      return bytes <= left - 4 ? 4 + bytes : 0;
    }
  }
}

// The n bytes at a and b are the same: names of up to 16 characters, as
// attributes have, compared in two overlapping words of each, in place of
// a call.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
  const auto word = [](const char* p, std::size_t k) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, k);
    return w;
  };
  if (n >= 8 && n <= 16) return word(a, 8) == word(b, 8) && word(a + n - 8, 8) == word(b + n - 8, 8);
  if (n >= 4 && n < 8) return word(a, 4) == word(b, 4) && word(a + n - 4, 4) == word(b + n - 4, 4);
  return std::memcmp(a, b, n) == 0;
}

inline bool IsAscii(const char* p, std::size_t n) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  if (n >= 8) {
    std::uint64_t all = 0, word;
    for (std::size_t i = 0; i + 8 < n; i += 8) {
      std::memcpy(&word, p + i, 8);
      all |= word;
    }
    std::memcpy(&word, p + n - 8, 8);
    return ((all | word) & kHighBits) == 0;
  }
  unsigned char all = 0;
  for (std::size_t i = 0; i < n; ++i) all |= static_cast<unsigned char>(p[i]);
  return all < 0x80;
}

}  // namespace

bool TBixBinaryAttributes::TakePlaces(TByteReader& r, std::size_t count, TBixBlockMemory& memory) {
  auto* const places = static_cast<TBixLazyAttribute*>(memory.Allocate(count * sizeof(TBixLazyAttribute)));
  // Everything the loop reads is in locals: the stores into the places
  // could alias the document's fields otherwise.
  const char* const bytes = memory.Bytes;
  const char* const first = r.Here();
  const char* const end = first + r.Remaining();
  const char* p = first;
  for (TBixLazyAttribute *place = places, *const last = places + count; place != last; ++place) {
    // Type, name length, name, null flag.
    const auto left = static_cast<std::size_t>(end - p);
    if (left < 3) return false;
    const auto id = static_cast<std::uint8_t>(p[0]);
    const auto nameSize = static_cast<std::uint8_t>(p[1]);
    if (static_cast<std::uint8_t>(id - 1) > 20 || left < 3u + nameSize) return false;
    const char* name = p + 2;
    const bool isNull = name[nameSize] != 0;
    p = name + nameSize + 1;
    if (!isNull) {
      const auto rest = static_cast<std::size_t>(end - p);
      std::size_t size = kFixedValueSize[id];
      if (size == 0) size = VariableValueSize(p, rest, id);
      if (size == 0 || size > rest) return false;
      p += size;
    }
    *place = {static_cast<std::uint32_t>(name - bytes), nameSize, id, isNull};
  }
  r.ReadBytes(static_cast<std::size_t>(p - first));
  Clear();
  FItems.resize(count);
  FLazy = places;
  FLazyCount = count;
  FMemory = &memory;
  return true;
}

TBixBinaryAttribute& TBixBinaryAttributes::Make(std::size_t i) const {
  const TBixLazyAttribute& place = FLazy[i];
  const char* name = FMemory->Bytes + place.Name;
  // With the attributes read, in the document's blocks.
  TReadingInto into(FMemory);
  std::unique_ptr<TBixBinaryAttribute> a = TBixBinaryAttribute::DataTypeOf(place.Id)->Create();
  AssignWin1252AsUtf8(a->ItemName.FText, std::string_view(name, place.NameSize));
  a->IsNull = place.IsNull;
  if (!a->IsNull) {
    // Checked when the document was read: it cannot fail now.
    const std::size_t value = place.Name + place.NameSize + std::size_t{1};
    TByteReader r(FMemory->Bytes + value, FMemory->Size - value);
    a->LoadValue(r);
  }
  Adopt(*a);
  FItems[i] = std::move(a);
  return *FItems[i];
}

const TBixBinaryAttribute& TBixBinaryAttributes::ForReading(std::size_t i, TBixReadScratch& scratch) const {
  if (FItems[i]) return *FItems[i];
  const TBixLazyAttribute& place = FLazy[i];
  // The value as Make reads it (its bytes were checked when the document
  // was read); a boolean and an integer straight from their bytes.
  const char* const value = FMemory->Bytes + place.Name + place.NameSize + 1;
  const auto read = [&](TBixBinaryAttribute& a) -> const TBixBinaryAttribute& {
    a.IsNull = place.IsNull;
    if (!a.IsNull) {
      TByteReader r(value, FMemory->Size - static_cast<std::size_t>(value - FMemory->Bytes));
      a.LoadValue(r);
    }
    return a;
  };
  switch (place.Id) {
    case 2: {
      auto& a = scratch.emplace<TBixBinaryBoolean>();
      if (!place.IsNull) a.SetValue(*value != 0);
      return a;
    }
    case 16: {
      auto& a = scratch.emplace<TBixBinaryLongint>();
      if (!place.IsNull) {
        std::uint32_t u = 0;
        for (int k = 0; k < 4; ++k) u |= static_cast<std::uint32_t>(static_cast<unsigned char>(value[k])) << (8 * k);
        a.SetValue(static_cast<std::int32_t>(u));
      }
      return a;
    }
    case 8: return read(scratch.emplace<TBixBinaryExtended>());
    case 18: return read(scratch.emplace<TBixBinaryAnsiString>());
    default: return Make(i);
  }
}

TBixBinaryAttributes::TValueBytes TBixBinaryAttributes::ValueBytes(std::size_t i) const {
  if (FItems[i]) return {};
  const TBixLazyAttribute& place = FLazy[i];
  return {FMemory->Bytes + place.Name + place.NameSize + 1, place.Id, place.IsNull};
}

void TBixBinaryAttributes::MakeAll() const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (!FItems[i]) Make(i);
  FLazy = nullptr;
}

void TBixBinaryAttributes::NameChanged() const {
  DropIndex();
  // The places then no longer tell every name.
  if (FLazy != nullptr) MakeAll();
}

std::string_view TBixBinaryAttributes::NameAt(std::size_t i) const {
  if (FItems[i]) return FItems[i]->ItemName.str();
  return {FMemory->Bytes + FLazy[i].Name, FLazy[i].NameSize};
}

TBixBinaryAttribute* TBixBinaryAttributes::ByName(std::string_view name, bool caseSensitive) const {
  const long i = IndexOf(name, caseSensitive);
  return i < 0 ? nullptr : &(*this)[static_cast<std::size_t>(i)];
}

long TBixBinaryAttributes::IndexOf(std::string_view name, bool caseSensitive) const {
  // What an item's reader asks: an exact search of a list read and not
  // indexed, for a name in ASCII. Its names are walked at their places
  // straight away; the rest decides below.
  if (FLazy != nullptr && caseSensitive && FIndex.empty() && !name.empty() && IsAscii(name.data(), name.size())) {
    if (FUnindexed || FItems.size() < kIndexedFrom) return ScanPlaces(name);
    if (FWalks < kWalksBeforeIndex) {
      ++FWalks;
      return ScanPlaces(name);
    }
  }
  return SearchOrIndex(name, caseSensitive);
}

long TBixBinaryAttributes::SearchOrIndex(std::string_view name, bool caseSensitive) const {
  if (FLazy != nullptr && !IsAscii(name.data(), name.size())) {
    MakeAll();
    DropIndex();
  }
  if (FIndex.empty() && !FUnindexed && FItems.size() >= kIndexedFrom) {
    // A table costs about as much as this many walks through the names.
    if (FWalks < kWalksBeforeIndex) {
      ++FWalks;
      return Scan(name, caseSensitive);
    }
    BuildIndex();
  }
  if (FIndex.empty() || (caseSensitive && FCaseVariants)) return Scan(name, caseSensitive);
  const std::size_t mask = FIndex.size() - 1;
  for (std::size_t s = FoldedHash(name) & mask;; s = (s + 1) & mask) {
    const std::uint32_t slot = FIndex[s];
    if (slot == 0) return -1;
    const std::string_view n = NameAt(slot - 1);
    // Without case variants, the names equal to this one ignoring case are
    // all spelt alike: the one found is the only candidate.
    if (SameName(n, name, false)) return !caseSensitive || n == name ? static_cast<long>(slot - 1) : -1;
  }
}

inline long TBixBinaryAttributes::ScanPlaces(std::string_view name) const {
  // The names of the attributes read are at their places, made or not
  // (in Windows-1252, exact for a name asked for in ASCII); those added
  // since follow.
  const char first = name.front();
  const char* bytes = FMemory->Bytes;
  for (std::size_t i = 0; i < FLazyCount; ++i) {
    const TBixLazyAttribute& place = FLazy[i];
    if (place.NameSize == name.size() && bytes[place.Name] == first &&
        SameBytes(bytes + place.Name, name.data(), name.size()))
      return static_cast<long>(i);
  }
  for (std::size_t i = FLazyCount; i < FItems.size(); ++i)
    if (FItems[i]->ItemName.str() == name) return static_cast<long>(i);
  return -1;
}

long TBixBinaryAttributes::Scan(std::string_view name, bool caseSensitive) const {
  if (FLazy != nullptr && caseSensitive && !name.empty()) return ScanPlaces(name);
  if (caseSensitive && !name.empty()) {
    // Many names of a tag share their length, so the first character
    // decides before the bytes are compared.
    const char first = name.front();
    for (std::size_t i = 0; i < FItems.size(); ++i) {
      const std::string_view n = NameAt(i);
      if (n.size() == name.size() && n.front() == first && std::memcmp(n.data(), name.data(), name.size()) == 0)
        return static_cast<long>(i);
    }
    return -1;
  }
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (SameName(NameAt(i), name, caseSensitive)) return static_cast<long>(i);
  return -1;
}

void TBixBinaryAttributes::Enter(std::size_t i) const {
  const std::string_view name = NameAt(i);
  const std::size_t mask = FIndex.size() - 1;
  std::size_t probes = 0;
  for (std::size_t s = FoldedHash(name) & mask;; s = (s + 1) & mask) {
    if (++probes > kMaxProbes) {
      FIndex.clear();
      FCaseVariants = false;
      FUnindexed = true;
      return;
    }
    std::uint32_t& slot = FIndex[s];
    if (slot == 0) {
      slot = static_cast<std::uint32_t>(i + 1);
      return;
    }
    // A name already there keeps its first position.
    const std::string_view n = NameAt(slot - 1);
    if (SameName(n, name, false)) {
      if (n != name) FCaseVariants = true;
      return;
    }
  }
}

void TBixBinaryAttributes::BuildIndex() const {
  FIndex.assign(SlotsFor(FItems.size()), 0);
  FCaseVariants = false;
  for (std::size_t i = 0; i < FItems.size() && !FIndex.empty(); ++i) Enter(i);
}

TBixBinaryAttribute& TBixBinaryAttributes::Add(std::unique_ptr<TBixBinaryAttribute> attribute) {
  FItems.push_back(std::move(attribute));
  Adopt(*FItems.back());
  if (!FIndex.empty()) {
    // A filling table is built again, larger, by the next lookup.
    if (FIndex.size() * 2 < FItems.size() * 3) DropIndex();
    else Enter(FItems.size() - 1);
  }
  return *FItems.back();
}

TBixBinaryAttribute& TBixBinaryAttributes::Set(std::unique_ptr<TBixBinaryAttribute> attribute) {
  const long i = IndexOf(attribute->ItemName, true);
  if (i < 0) return Add(std::move(attribute));
  // Same name, same place: the index stays as it is.
  auto& slot = FItems[static_cast<std::size_t>(i)];
  slot = std::move(attribute);
  Adopt(*slot);
  return *slot;
}

void TBixBinaryAttributes::Delete(std::size_t i) {
  if (FLazy != nullptr) MakeAll();
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
  DropIndex();
}

bool TBixBinaryAttributes::Remove(std::string_view name, bool caseSensitive) {
  const long i = IndexOf(name, caseSensitive);
  if (i < 0) return false;
  Delete(static_cast<std::size_t>(i));
  return true;
}

void TBixBinaryAttributes::Clear() {
  // The room goes too: it may lie in the blocks of a document that goes
  // before this list is used again.
  List().swap(FItems);
  FLazy = nullptr;
  FLazyCount = 0;
  FMemory = nullptr;
  DropIndex();
  FUnindexed = false;
}

void TBixLoadBudget::Take(std::size_t n) {
  if (n > ElementsLeft) throw EStreamReadError("too many tags and attributes");
  ElementsLeft -= n;
}

// --- tag -----------------------------------------------------------------------

TBixBinaryTag::TBixBinaryTag() noexcept = default;

TBixBinaryTag::TBixBinaryTag(std::string name, std::int64_t data)
    : TagName(std::move(name)), Data(data) {}

TBixBinaryTag::~TBixBinaryTag() = default;

TBixBinaryTag& TBixBinaryTag::AddTag(std::string name, std::int64_t data) {
  FTags.push_back(std::make_unique<TBixBinaryTag>(std::move(name), data));
  return *FTags.back();
}

void TBixBinaryTag::DeleteTag(std::size_t i) {
  FTags.erase(FTags.begin() + static_cast<std::ptrdiff_t>(i));
}

TBixBinaryAttribute& TBixBinaryTag::AddAttribute(std::string name, const TBixBinaryDataType& type) {
  auto a = type.Create();
  a->ItemName = std::move(name);
  return FAttributes.Add(std::move(a));
}

bool TBixBinaryTag::AttributeAsBoolean(std::string_view name, bool def, bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->AsBoolean().value_or(def) : def;
}

char TBixBinaryTag::AttributeAsAnsiChar(std::string_view name, char def, bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  if (!a || a->IsNull) return def;
  if (const auto* c = dynamic_cast<const TBixBinaryAnsiChar*>(a)) return c->GetValue();
  const std::string bytes = Utf8ToWin1252(a->GetValueAsWideString());
  return bytes.size() == 1 ? bytes[0] : def;
}

std::int64_t TBixBinaryTag::AttributeAsInteger(std::string_view name, std::int64_t def,
                                               bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->AsInteger().value_or(def) : def;
}

Extended TBixBinaryTag::AttributeAsFloat(std::string_view name, Extended def, bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->AsFloat().value_or(def) : def;
}

std::string TBixBinaryTag::AttributeAsString(std::string_view name, const std::string& def,
                                             bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->GetValueAsWideString() : def;
}

TDateTime TBixBinaryTag::AttributeAsDateTime(std::string_view name, TDateTime def,
                                             bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->AsDateTime().value_or(def) : def;
}

TBixVariant TBixBinaryTag::AttributeAsVariant(std::string_view name, const TBixVariant& def,
                                              bool caseSensitive) const {
  const auto* a = AttributeByName(name, caseSensitive);
  return a && !a->IsNull ? a->AsVariant() : def;
}

std::optional<std::string> TBixBinaryTag::AttributeAsClientDataSet(std::string_view name,
                                                                   bool caseSensitive) const {
  const auto* a = dynamic_cast<const TBixBinaryBlob*>(AttributeByName(name, caseSensitive));
  if (!a || a->IsNull) return std::nullopt;
  return a->GetValue();
}

TBixBinaryTag* TBixBinaryTag::FindFirstTag(std::string_view name, bool caseSensitive) const {
  for (const auto& t : FTags)
    if (SameName(t->TagName, name, caseSensitive)) return t.get();
  return nullptr;
}

TBixBinaryTag* TBixBinaryTag::FindFirstTag(std::string_view name, std::int64_t data,
                                           bool caseSensitive, bool create) {
  if (TBixBinaryTag* t = FindFirstTag(name, caseSensitive)) return t;
  return create ? &AddTag(std::string(name), data) : nullptr;
}

std::vector<TBixBinaryTag*> TBixBinaryTag::FindTagsByName(std::string_view name,
                                                          bool caseSensitive) const {
  std::vector<TBixBinaryTag*> list;
  FillListByName(name, list, caseSensitive);
  return list;
}

void TBixBinaryTag::FillListByName(std::string_view name, std::vector<TBixBinaryTag*>& list,
                                   bool caseSensitive) const {
  for (const auto& t : FTags)
    if (SameName(t->TagName, name, caseSensitive)) list.push_back(t.get());
}

TBixBinaryTag* TBixBinaryTag::TagByPath(std::string_view path, char separator, bool caseSensitive,
                                        bool create) {
  // Paths name tags the program knows; an index this large is a mistake, and
  // creating that many tags would exhaust memory.
  constexpr std::size_t kMaxPathIndex = std::size_t{1} << 20;
  TBixBinaryTag* tag = this;
  std::size_t start = 0;
  while (tag != nullptr) {
    const std::size_t end = std::min(path.find(separator, start), path.size());
    std::string_view part = path.substr(start, end - start);
    if (!part.empty() && part.back() == ']') {
      const std::size_t open = part.find('[');
      if (open == std::string_view::npos) return nullptr;
      const std::string_view digits = part.substr(open + 1, part.size() - open - 2);
      std::size_t index = 0;
      const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), index);
      if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() ||
          index >= kMaxPathIndex)
        return nullptr;
      const std::string_view name = part.substr(0, open);
      std::vector<TBixBinaryTag*> list = tag->FindTagsByName(name, caseSensitive);
      if (index < list.size()) {
        tag = list[index];
      } else if (create) {
        for (std::size_t k = list.size(); k <= index; ++k) tag->AddTag(std::string(name));
        tag = tag->FTags.back().get();
      } else {
        return nullptr;
      }
    } else {
      tag = tag->FindFirstTag(part, 0, caseSensitive, create);
    }
    if (end >= path.size()) break;
    start = end + 1;
  }
  return tag;
}

void TBixBinaryTag::Clear() {
  FAttributes.Clear();
  TagList().swap(FTags);
}

void TBixBinaryTag::SaveToStreamNow(TByteWriter& w) const { Save(w, 0); }

void TBixBinaryTag::LoadFromStreamNow(TByteReader& r) {
  TBixLoadBudget budget;
  Load(r, budget, 0);
}

void TBixBinaryTag::Save(TByteWriter& w, int depth) const {
  if (depth > BixMaxTagDepth)
    throw EBixBinaryError("tags nested deeper than " + std::to_string(BixMaxTagDepth) + " levels");
  WriteShortString(w, TagName);
  w.WriteU32(static_cast<std::uint32_t>(FAttributes.Count()));
  for (const auto& a : FAttributes) WriteAttribute(w, *a);
  w.WriteU32(static_cast<std::uint32_t>(FTags.size()));
  for (const auto& t : FTags) t->Save(w, depth + 1);
}

void TBixBinaryTag::Load(TByteReader& r, TBixLoadBudget& budget, int depth) {
  if (depth > BixMaxTagDepth) throw EStreamReadError("tags nested too deeply");
  AssignWin1252AsUtf8(TagName, ShortStringBytes(r));
  FAttributes.Clear();
  // The smallest attribute is 3 bytes (type, empty name, null flag), the
  // smallest tag 9 (empty name, two zero counts).
  const std::uint32_t attributeCount = r.ReadU32();
  r.NeedElements(attributeCount, 3);
  budget.Take(attributeCount);
  if (attributeCount == 0 || tReadingInto == nullptr || tReadingInto->Bytes == nullptr ||
      !FAttributes.TakePlaces(r, attributeCount, *tReadingInto)) {
    FAttributes.Reserve(attributeCount);
    for (std::uint32_t i = 0; i < attributeCount; ++i) FAttributes.Add(ReadAttribute(r));
  }
  FTags.clear();
  const std::uint32_t tagCount = r.ReadU32();
  r.NeedElements(tagCount, 9);
  budget.Take(tagCount);
  FTags.reserve(tagCount);
  for (std::uint32_t i = 0; i < tagCount; ++i) {
    FTags.push_back(std::make_unique<TBixBinaryTag>());
    FTags.back()->Load(r, budget, depth + 1);
  }
}

// --- document --------------------------------------------------------------------

TBixBinaryStreamData::TBixBinaryStreamData(std::string name, std::int64_t data)
    : TBixBinaryTag(std::move(name), data) {}

TBixBinaryStreamData::~TBixBinaryStreamData() {
  // The tree goes before the blocks it may live in.
  TBixBinaryTag::Clear();
}

void TBixBinaryStreamData::SaveToStream(TByteWriter& w) const {
  WriteShortString(w, Identifier);
  w.WriteU16(Version);
  WriteShortString(w, HeaderText1);
  WriteShortString(w, HeaderText2);
  Save(w, 0);
}

std::uint8_t TBixBinaryStreamData::LoadFromStream(TByteReader& r, std::size_t maxElements) {
  return Read(r, maxElements, nullptr);
}

std::uint8_t TBixBinaryStreamData::LoadFromBuffer(std::unique_ptr<char[]> bytes, std::size_t size,
                                                  std::size_t& consumed, std::size_t maxElements) {
  TByteReader r(bytes.get(), size);
  const std::uint8_t result = Read(r, maxElements, &bytes);
  consumed = r.Position();
  return result;
}

std::uint8_t TBixBinaryStreamData::Read(TByteReader& r, std::size_t maxElements, std::unique_ptr<char[]>* bytes) {
  try {
    const std::uint8_t n = r.ReadU8();
    if (r.ReadBytes(n) != Identifier) return BixLoadUnknownIdentifier;
  } catch (const EStreamReadError&) {
    return BixLoadUnknownIdentifier;
  }
  std::uint8_t result = BixLoadOk;
  TBixBlockMemory* blocks = nullptr;
  try {
    if (r.ReadU16() != Version) return BixLoadWrongVersion;
    HeaderText1 = ReadShortString(r);
    HeaderText2 = ReadShortString(r);
    TBixBinaryTag::Clear();
    FBlocks = std::make_unique<TBixBlockMemory>();
    blocks = FBlocks.get();
    blocks->ReadFrom(r.Here(), r.Remaining());
    TReadingInto into(blocks);
    TBixLoadBudget budget{std::min(maxElements, BixMaxElements)};
    Load(r, budget, 0);
  } catch (const std::exception&) {
    result = BixLoadDamaged;
  }
  // What was read (all of it, or up to the damage) stays readable when
  // the reader's bytes are gone.
  if (blocks != nullptr) blocks->KeepBytesTo(r.Here(), bytes);
  return result;
}

std::uint8_t TBixBinaryStreamData::LoadFromFile(const std::string& fileName) {
  std::string bytes, error;
  if (ReadFileBytes(fileName, BixMaxDocumentSize, bytes, &error) != TReadFileResult::Ok)
    throw EStreamReadError(fileName + ": " + error);
  TByteReader r(bytes);
  return LoadFromStream(r);
}

void TBixBinaryStreamData::Clear() {
  TBixBinaryTag::Clear();
  FBlocks.reset();
  HeaderText1.clear();
  HeaderText2.clear();
}

}  // namespace torvacalc
