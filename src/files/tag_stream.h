// The binary tag stream: a self-describing tree in the manner of an element
// tree. A tag has a name, an ordered list of typed, named, nullable
// attributes and an ordered list of child tags. Every value is preceded by a
// one-byte type identifier, so a reader can load attributes it knows nothing
// about. All integers are little-endian.
//
// Document:   ShortString "TBixBinaryStreamData", u16 version 1,
//             ShortString header 1, ShortString header 2, root tag.
// Tag:        ShortString name, u32 attribute count, attributes,
//             u32 child count, child tags.
// Attribute:  u8 base id (1..21) -- or, for a registered derived type,
//             u8 0, u8 base id, ShortString class name --
//             then ShortString name, u8 null flag (1 = null), value bytes
//             when not null.
// ShortString: u8 length, that many Windows-1252 bytes.
//
// Reading trusts nothing: every length and count is checked against the
// bytes still available before anything is allocated, nesting is limited to
// BixMaxTagDepth levels and a document to BixMaxElements tags and
// attributes, so a hostile file ends in a read error, never in a crash, a
// hang or a huge allocation.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "files/byte_stream.h"
#include "files/date_time.h"
#include "framework/basics.h"

namespace torvacalc {

// Deepest nesting of tags a document may have (the root is level 0). Real
// calculation files nest five or six levels; the limit keeps the recursive
// reader's stack use small whatever a file claims.
inline constexpr int BixMaxTagDepth = 256;
// Most tags and attributes a document read from a stream may hold together.
// A calculation of 2000 items with 35 attributes each has about 70 000; the
// limit bounds the memory a small, highly compressible file can claim (each
// element costs about 100 bytes in memory but can take only 3 in the file).
inline constexpr std::size_t BixMaxElements = std::size_t{4} << 20;
// Largest document, in bytes, that is read from a file or inflated from
// compressed data (256 MiB; a calculation of 2000 items takes about 3 MiB).
inline constexpr std::size_t BixMaxDocumentSize = std::size_t{256} << 20;

// A hash of a name that is the same for names equal ignoring ASCII case
// (for tables of names that are searched that way).
std::uint32_t BixFoldedHash(std::string_view name) noexcept;
// The same for names spelt alike (for tables searched by exact name).
std::uint32_t BixHash(std::string_view name) noexcept;

// Misuse of the tag stream: writing an unregistered derived type, a text
// that does not convert into a value, a tree nested too deeply to be read.
class EBixBinaryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBixBinaryAttribute;
class TBixBinaryAttributes;
class TBixBinaryTag;

// The name of an attribute: a text that reads as std::string and
// std::string_view, compares with texts and is assigned like one. An
// attribute that belongs to a list tells the list when its name is changed
// (assigned, or copied by Assign), so that the list's name index follows.
class TBixAttributeName {
 public:
  TBixAttributeName() = default;
  explicit TBixAttributeName(std::string text) : FText(std::move(text)) {}
  explicit TBixAttributeName(std::string_view text) : FText(text) {}
  explicit TBixAttributeName(const char* text) : FText(text) {}
  // A copy belongs to no list.
  TBixAttributeName(const TBixAttributeName& other) : FText(other.FText) {}
  TBixAttributeName& operator=(const TBixAttributeName& other) {
    if (this != &other) Set(other.FText);
    return *this;
  }
  TBixAttributeName& operator=(std::string text) {
    Set(std::move(text));
    return *this;
  }
  TBixAttributeName& operator=(std::string_view text) {
    Set(std::string(text));
    return *this;
  }
  TBixAttributeName& operator=(const char* text) {
    Set(std::string(text));
    return *this;
  }

  // Takes the name from the Windows-1252 bytes a stream holds.
  void AssignWin1252(std::string_view bytes);

  operator const std::string&() const noexcept { return FText; }
  operator std::string_view() const noexcept { return FText; }
  const std::string& str() const noexcept { return FText; }
  const char* c_str() const noexcept { return FText.c_str(); }
  const char* data() const noexcept { return FText.data(); }
  std::size_t size() const noexcept { return FText.size(); }
  bool empty() const noexcept { return FText.empty(); }

  friend bool operator==(const TBixAttributeName& a, const TBixAttributeName& b) { return a.FText == b.FText; }
  friend bool operator==(const TBixAttributeName& a, std::string_view b) { return a.FText == b; }
  friend std::ostream& operator<<(std::ostream& out, const TBixAttributeName& name);

 private:
  friend class TBixBinaryAttributes;
  void Set(std::string text);

  std::string FText;
  TBixBinaryAttributes* FOwner = nullptr;  // the list the attribute is in
};

// The identity of a data type: its class name, its base type identifier
// (the table position of the base type it is or derives from) and how to
// make an empty attribute of it.
struct TBixBinaryDataType {
  std::string_view ClassName;
  int BaseId;
  std::unique_ptr<TBixBinaryAttribute> (*Create)();
};

// A value of any data type, for callers that do not know the type.
using TBixVariant = std::variant<std::monostate, bool, std::int64_t, Extended, std::string>;

class TBixBinaryAttribute {
 public:
  // Attributes read from a stream live in their document's block memory
  // (see TBixBinaryStreamData), all others on the heap; either way they are
  // owned and deleted as usual.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

  TBixBinaryAttribute() = default;
  TBixBinaryAttribute(const TBixBinaryAttribute&) = default;
  TBixBinaryAttribute& operator=(const TBixBinaryAttribute&) = default;
  virtual ~TBixBinaryAttribute() = default;

  TBixAttributeName ItemName;
  bool IsNull = true;

  virtual const TBixBinaryDataType& DataType() const = 0;
  std::string_view ClassName() const { return DataType().ClassName; }
  int GetBaseTypeId() const { return DataType().BaseId; }
  // True for a type that derives from one of the 21 base types; it is
  // written with its class name and must be registered.
  bool IsDerivedType() const;
  // The class name without "TBixBinary": "Longint", "AnsiString", ...
  std::string GetDataTypeAsString() const;

  // The value as text (UTF-8): numbers in the shortest form that reads back
  // exactly, "True"/"False", dates as "2024-03-05 14:30:00", blobs as hex.
  virtual std::string GetValueAsWideString() const = 0;
  // Sets the value from such a text and clears IsNull; throws
  // EBixBinaryError when the text does not fit the type.
  virtual void SetValueAsWideString(std::string_view text) = 0;
  // The text form, or empty text when null.
  std::string GetAsWideString() const { return IsNull ? std::string() : GetValueAsWideString(); }
  // The value of a text type (the three string types and the types derived
  // from them) as it is held, UTF-8, for reading it without a copy; nullptr
  // for other types.
  virtual const std::string* TextValue() const { return nullptr; }

  // Copies name, null flag and value; a value of another type goes through
  // its text form.
  void Assign(const TBixBinaryAttribute& source);
  virtual std::unique_ptr<TBixBinaryAttribute> Clone() const = 0;

  virtual void SaveValue(TByteWriter& w) const = 0;
  virtual void LoadValue(TByteReader& r) = 0;

  // Conversions for the AttributeAs... readers; nullopt when the value has
  // no sensible meaning in the other type. Null attributes are handled by
  // the readers, these look at the value only.
  virtual std::optional<bool> AsBoolean() const;
  virtual std::optional<std::int64_t> AsInteger() const;
  virtual std::optional<Extended> AsFloat() const;
  virtual std::optional<TDateTime> AsDateTime() const;
  virtual TBixVariant AsVariant() const;

  // The base type of a type identifier, nullptr outside 1 to 21.
  static const TBixBinaryDataType* DataTypeOf(int id);
  static int BaseIdOf(const TBixBinaryDataType& type) { return type.BaseId; }
  // The registered derived type of that class name (ignoring case), or
  // nullptr.
  static const TBixBinaryDataType* DataTypeOfClassName(std::string_view name);
  // Registers a derived type so that it can be written and read by name.
  // The seven derived types of this library are registered from the start.
  static void RegisterBinaryDataType(const TBixBinaryDataType& type);
  template <class T>
  static void RegisterBinaryDataType() {
    RegisterBinaryDataType(T::Type());
  }
  // Removes a registration; false when the name was not registered.
  static bool UnregisterBinaryDataType(std::string_view name);

 protected:
  // Copies the value of an attribute of the same type; the default goes
  // through the text form.
  virtual void AssignValue(const TBixBinaryAttribute& source);
};

// Helpers of the typed attributes below.
namespace bix_detail {
std::string FormatInteger(std::int64_t v);
std::optional<std::int64_t> ParseInteger(std::string_view text);
std::optional<Extended> ParseReal(std::string_view text);
std::optional<bool> ParseBoolean(std::string_view text);
[[noreturn]] void ThrowBadText(std::string_view type, std::string_view text);
// Extended to an integer: rounded to nearest, nullopt when not finite or
// outside the range of int64.
std::optional<std::int64_t> RealToInteger(Extended v);
std::string ShortestText(float v);
std::string ShortestText(double v);
std::string ShortestText(long double v);
void WriteExtended(TByteWriter& w, Extended v);
Extended ReadExtended(TByteReader& r);
// Room for a tag, an attribute or a list of them: in the block memory of
// the document this thread is reading, else on the heap; and its release.
void* NewElement(std::size_t size);
void DeleteElement(void* p) noexcept;

// Places the element lists of the tags a document reads (their child
// tags, their attributes) where the elements live: a calculation file's
// thousand tags then do not each cost a heap allocation for the list of
// their attributes. A list that grows later moves to the heap.
template <class T>
struct TBixElementAllocator {
  using value_type = T;
  TBixElementAllocator() noexcept = default;
  template <class U>
  TBixElementAllocator(const TBixElementAllocator<U>&) noexcept {}
  // (A vector asks for at most PTRDIFF_MAX bytes: the header NewElement
  // adds cannot overflow the size.)
  T* allocate(std::size_t n) { return static_cast<T*>(NewElement(n * sizeof(T))); }
  void deallocate(T* p, std::size_t) noexcept { DeleteElement(p); }
  friend bool operator==(const TBixElementAllocator&, const TBixElementAllocator&) noexcept { return true; }
};
}  // namespace bix_detail

// An attribute that holds one value of type T.
template <class Self, typename T>
class TBixBinaryValue : public TBixBinaryAttribute {
 public:
  using ValueType = T;
  const T& GetValue() const { return FValue; }
  // Sets the value and clears IsNull.
  void SetValue(T value) {
    FValue = std::move(value);
    IsNull = false;
  }
  const TBixBinaryDataType& DataType() const override { return Self::Type(); }
  std::unique_ptr<TBixBinaryAttribute> Clone() const override {
    return std::make_unique<Self>(static_cast<const Self&>(*this));
  }
  // Sets the attribute `name` of `tag`: an attribute of that exact name is
  // replaced in its place, otherwise the new one is appended.
  static Self& AddToTag(TBixBinaryTag& tag, std::string name, T value);

 protected:
  void AssignValue(const TBixBinaryAttribute& source) override {
    if (const auto* same = dynamic_cast<const TBixBinaryValue*>(&source)) FValue = same->FValue;
    else TBixBinaryAttribute::AssignValue(source);
  }
  T FValue{};
};

// A type derived from another data type: same value and layout, its own
// class name.
template <class Self, class Base>
class TBixBinaryDerived : public Base {
 public:
  const TBixBinaryDataType& DataType() const override { return Self::Type(); }
  std::unique_ptr<TBixBinaryAttribute> Clone() const override {
    return std::make_unique<Self>(static_cast<const Self&>(*this));
  }
  // As TBixBinaryValue::AddToTag, with an attribute of this type.
  static Self& AddToTag(TBixBinaryTag& tag, std::string name, typename Base::ValueType value);
};

// Integer types: little-endian, sizeof(T) bytes.
template <class Self, typename T>
class TBixBinaryIntegerValue : public TBixBinaryValue<Self, T> {
 public:
  std::string GetValueAsWideString() const override { return bix_detail::FormatInteger(this->FValue); }
  void SetValueAsWideString(std::string_view text) override {
    const auto v = bix_detail::ParseInteger(text);
    if (!v || *v < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        (*v > 0 && static_cast<std::uint64_t>(*v) > static_cast<std::uint64_t>(std::numeric_limits<T>::max())))
      bix_detail::ThrowBadText(this->ClassName(), text);
    this->SetValue(static_cast<T>(*v));
  }
  void SaveValue(TByteWriter& w) const override {
    auto u = static_cast<std::uint64_t>(static_cast<std::int64_t>(this->FValue));
    for (std::size_t i = 0; i < sizeof(T); ++i) w.WriteU8(static_cast<std::uint8_t>(u >> (8 * i)));
  }
  void LoadValue(TByteReader& r) override {
    const std::string_view b = r.ReadBytes(sizeof(T));
    std::uint64_t u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      u |= static_cast<std::uint64_t>(static_cast<unsigned char>(b[i])) << (8 * i);
    this->FValue = static_cast<T>(u);
  }
  std::optional<bool> AsBoolean() const override { return this->FValue != 0; }
  std::optional<std::int64_t> AsInteger() const override { return static_cast<std::int64_t>(this->FValue); }
  std::optional<Extended> AsFloat() const override { return static_cast<Extended>(this->FValue); }
  TBixVariant AsVariant() const override { return static_cast<std::int64_t>(this->FValue); }
};

// Real types: written as 80-bit extended, narrowed to T on reading.
template <class Self, typename T>
class TBixBinaryRealValue : public TBixBinaryValue<Self, T> {
 public:
  std::string GetValueAsWideString() const override { return bix_detail::ShortestText(this->FValue); }
  void SetValueAsWideString(std::string_view text) override {
    const auto v = bix_detail::ParseReal(text);
    if (!v) bix_detail::ThrowBadText(this->ClassName(), text);
    this->SetValue(Self::Narrow(*v));
  }
  void SaveValue(TByteWriter& w) const override { bix_detail::WriteExtended(w, this->FValue); }
  void LoadValue(TByteReader& r) override { this->FValue = Self::Narrow(bix_detail::ReadExtended(r)); }
  std::optional<bool> AsBoolean() const override { return this->FValue != 0; }
  std::optional<std::int64_t> AsInteger() const override {
    return bix_detail::RealToInteger(this->FValue);
  }
  std::optional<Extended> AsFloat() const override { return static_cast<Extended>(this->FValue); }
  TBixVariant AsVariant() const override { return static_cast<Extended>(this->FValue); }
};

// 1: raw bytes; 8-byte signed size, then the bytes.
class TBixBinaryBlob : public TBixBinaryValue<TBixBinaryBlob, std::string> {
 public:
  static const TBixBinaryDataType& Type();
  std::string GetValueAsWideString() const override;  // hexadecimal
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override;
  std::optional<Extended> AsFloat() const override { return std::nullopt; }
  std::optional<std::int64_t> AsInteger() const override { return std::nullopt; }
  std::optional<bool> AsBoolean() const override { return std::nullopt; }
  TBixVariant AsVariant() const override { return FValue; }
};

// 2: one byte, 0 = false; any other byte reads as true.
class TBixBinaryBoolean : public TBixBinaryValue<TBixBinaryBoolean, bool> {
 public:
  static const TBixBinaryDataType& Type();
  std::string GetValueAsWideString() const override { return FValue ? "True" : "False"; }
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override { w.WriteU8(FValue ? 1 : 0); }
  void LoadValue(TByteReader& r) override { FValue = r.ReadU8() != 0; }
  std::optional<bool> AsBoolean() const override { return FValue; }
  std::optional<std::int64_t> AsInteger() const override { return FValue ? 1 : 0; }
  std::optional<Extended> AsFloat() const override { return FValue ? 1 : 0; }
  TBixVariant AsVariant() const override { return FValue; }
};

// 3: a money amount with four decimals, held and written as the amount
// times 10000 in a signed 64-bit integer.
class TBixBinaryCurrency : public TBixBinaryValue<TBixBinaryCurrency, std::int64_t> {
 public:
  static const TBixBinaryDataType& Type();
  Extended GetAmount() const { return static_cast<Extended>(FValue) / 10000; }
  std::string GetValueAsWideString() const override;  // "12.5", "-0.0001"
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override { w.WriteI64(FValue); }
  void LoadValue(TByteReader& r) override { FValue = r.ReadI64(); }
  std::optional<bool> AsBoolean() const override { return FValue != 0; }
  std::optional<std::int64_t> AsInteger() const override;
  std::optional<Extended> AsFloat() const override { return GetAmount(); }
  TBixVariant AsVariant() const override { return GetAmount(); }
};

// 4: a date (see date_time.h), 8-byte IEEE double.
class TBixBinaryDateTime : public TBixBinaryValue<TBixBinaryDateTime, TDateTime> {
 public:
  static const TBixBinaryDataType& Type();
  std::string GetValueAsWideString() const override { return DateTimeToText(FValue); }
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override;
  std::optional<std::int64_t> AsInteger() const override;
  std::optional<Extended> AsFloat() const override { return FValue; }
  TBixVariant AsVariant() const override { return static_cast<Extended>(FValue); }
};

// 5: the 6-byte real of Turbo Pascal: 40 significant bits, magnitudes from
// 2^-128 to below 2^127, no infinities or NaNs. Held as a double rounded to
// that precision; reading a value outside its range is a read error.
class TBixBinaryReal48 : public TBixBinaryRealValue<TBixBinaryReal48, double> {
 public:
  static const TBixBinaryDataType& Type();
  static double Narrow(Extended v);
};

// 6: IEEE single.
class TBixBinarySingle : public TBixBinaryRealValue<TBixBinarySingle, float> {
 public:
  static const TBixBinaryDataType& Type();
  static float Narrow(Extended v);
};

// 7: IEEE double.
class TBixBinaryDouble : public TBixBinaryRealValue<TBixBinaryDouble, double> {
 public:
  static const TBixBinaryDataType& Type();
  static double Narrow(Extended v);
};

// 8: the program's own precision.
class TBixBinaryExtended : public TBixBinaryRealValue<TBixBinaryExtended, Extended> {
 public:
  static const TBixBinaryDataType& Type();
  static Extended Narrow(Extended v) { return v; }
};

// 9: a 64-bit integer that the x87 handles as a real. INT64_MIN is its
// "not a number"; a NaN or a value outside the range reads as that.
class TBixBinaryComp : public TBixBinaryValue<TBixBinaryComp, std::int64_t> {
 public:
  static const TBixBinaryDataType& Type();
  static std::int64_t Narrow(Extended v);
  std::string GetValueAsWideString() const override { return bix_detail::FormatInteger(FValue); }
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override { FValue = Narrow(bix_detail::ReadExtended(r)); }
  std::optional<bool> AsBoolean() const override { return FValue != 0; }
  std::optional<std::int64_t> AsInteger() const override { return FValue; }
  std::optional<Extended> AsFloat() const override { return static_cast<Extended>(FValue); }
  TBixVariant AsVariant() const override { return FValue; }
};

class TBixBinaryByte : public TBixBinaryIntegerValue<TBixBinaryByte, std::uint8_t> {  // 10
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryShortint : public TBixBinaryIntegerValue<TBixBinaryShortint, std::int8_t> {  // 11
 public:
  static const TBixBinaryDataType& Type();
};

// 12: one 8-bit character, held as its Windows-1252 byte; its text is that
// character in UTF-8.
class TBixBinaryAnsiChar : public TBixBinaryValue<TBixBinaryAnsiChar, char> {
 public:
  static const TBixBinaryDataType& Type();
  std::string GetValueAsWideString() const override;
  void SetValueAsWideString(std::string_view text) override;
  void SaveValue(TByteWriter& w) const override { w.WriteU8(static_cast<std::uint8_t>(FValue)); }
  void LoadValue(TByteReader& r) override { FValue = static_cast<char>(r.ReadU8()); }
  std::optional<std::int64_t> AsInteger() const override { return static_cast<unsigned char>(FValue); }
  std::optional<Extended> AsFloat() const override { return std::nullopt; }
  std::optional<bool> AsBoolean() const override { return std::nullopt; }
  TBixVariant AsVariant() const override { return GetValueAsWideString(); }
};

class TBixBinaryWord : public TBixBinaryIntegerValue<TBixBinaryWord, std::uint16_t> {  // 13
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinarySmallint : public TBixBinaryIntegerValue<TBixBinarySmallint, std::int16_t> {  // 14
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryLongword : public TBixBinaryIntegerValue<TBixBinaryLongword, std::uint32_t> {  // 15
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryLongint : public TBixBinaryIntegerValue<TBixBinaryLongint, std::int32_t> {  // 16
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryInt64 : public TBixBinaryIntegerValue<TBixBinaryInt64, std::int64_t> {  // 17
 public:
  static const TBixBinaryDataType& Type();
};

// Texts: held as UTF-8 in the program.
class TBixBinaryTextValueBase {
 protected:
  static std::optional<bool> TextAsBoolean(const std::string& v);
  static std::optional<std::int64_t> TextAsInteger(const std::string& v);
  static std::optional<Extended> TextAsFloat(const std::string& v);
  static std::optional<TDateTime> TextAsDateTime(const std::string& v);
};

template <class Self>
class TBixBinaryTextValue : public TBixBinaryValue<Self, std::string>, protected TBixBinaryTextValueBase {
 public:
  std::string GetValueAsWideString() const override { return this->FValue; }
  const std::string* TextValue() const override { return &this->FValue; }
  void SetValueAsWideString(std::string_view text) override { this->SetValue(std::string(text)); }
  std::optional<bool> AsBoolean() const override { return TextAsBoolean(this->FValue); }
  std::optional<std::int64_t> AsInteger() const override { return TextAsInteger(this->FValue); }
  std::optional<Extended> AsFloat() const override { return TextAsFloat(this->FValue); }
  std::optional<TDateTime> AsDateTime() const override { return TextAsDateTime(this->FValue); }
  TBixVariant AsVariant() const override { return this->FValue; }
};

// 18: 4-byte signed length, then the Windows-1252 bytes. Characters the
// code page lacks are written as "?".
class TBixBinaryAnsiString : public TBixBinaryTextValue<TBixBinaryAnsiString> {
 public:
  static const TBixBinaryDataType& Type();
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override;
};

// 19: 4-byte signed length in UTF-16 code units, then UTF-16LE.
class TBixBinaryWideString : public TBixBinaryTextValue<TBixBinaryWideString> {
 public:
  static const TBixBinaryDataType& Type();
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override;
};

// 20: 1-byte length, then up to 255 Windows-1252 bytes; longer texts are
// cut at 255 characters when written.
class TBixBinaryShortString : public TBixBinaryTextValue<TBixBinaryShortString> {
 public:
  static const TBixBinaryDataType& Type();
  void SaveValue(TByteWriter& w) const override;
  void LoadValue(TByteReader& r) override;
};

// 21: XML text; a wide string by layout (base identifier 19), so it is
// written with its class name and must be registered before it is written.
class TBixBinaryXMLData : public TBixBinaryDerived<TBixBinaryXMLData, TBixBinaryWideString> {
 public:
  static const TBixBinaryDataType& Type();
};

// Derived blob types. Their contents are the serialisation of the object
// they carry; this library keeps them as bytes.
class TBixBinaryGraphic : public TBixBinaryBlob {};

// A picture: ShortString class name of the graphic it holds (empty when it
// holds none), then the graphic's own serialisation. On reading, a class
// name that is not one of the known graphic classes (TBitmap, TIcon,
// TMetafile, TJPEGImage; compared ignoring case) leaves the picture empty.
class TBixBinaryPicture : public TBixBinaryDerived<TBixBinaryPicture, TBixBinaryBlob> {
 public:
  static const TBixBinaryDataType& Type();
  std::string GetGraphicClassName() const;
  std::string GetGraphicData() const;
  void SetGraphic(std::string_view className, std::string_view data);
  void LoadValue(TByteReader& r) override;
};

class TBixBinaryBitmap : public TBixBinaryDerived<TBixBinaryBitmap, TBixBinaryGraphic> {
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryIcon : public TBixBinaryDerived<TBixBinaryIcon, TBixBinaryGraphic> {
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryMetafile : public TBixBinaryDerived<TBixBinaryMetafile, TBixBinaryGraphic> {
 public:
  static const TBixBinaryDataType& Type();
};
class TBixBinaryJPEG : public TBixBinaryDerived<TBixBinaryJPEG, TBixBinaryGraphic> {
 public:
  static const TBixBinaryDataType& Type();
};
// A set of keyboard modifiers, as the little-endian bit mask of the set.
class TBixBinaryTShiftState : public TBixBinaryDerived<TBixBinaryTShiftState, TBixBinaryBlob> {
 public:
  static const TBixBinaryDataType& Type();
};
// A table embedded in a file, in its dataset's own serialisation.
class TBixBinarytClientDataSet : public TBixBinaryDerived<TBixBinarytClientDataSet, TBixBinaryBlob> {
 public:
  static const TBixBinaryDataType& Type();
};

// The ordered, owned attributes of one tag.
//
// A list of more than a few attributes keeps an index of their names (an
// open-addressed table of positions, keyed by the name folded to lower
// case), so that finding an attribute by name does not compare it with
// every name before it: a calculation file's items have about 34
// attributes each, and an export looks up several per item and value. The
// index is built by lookups, not while a list is read or filled: most tags
// of a file read are never searched (a calculation reads the tags of its
// own items only), and most of the rest only a few times, which walking
// the names does faster than building a table. Once built it follows every
// change:
// attributes added, replaced, deleted, and names changed on attributes in
// the list. The first attribute of a name is the one found, with or
// without the index.
//
// A list read with its document (TBixBinaryStreamData::LoadFromStream)
// holds at first only where each attribute lies in the document's bytes:
// reading checked every attribute there, and an attribute is made from its
// bytes when it is first reached (by position, by name or by walking the
// list). A calculation reads a few attributes of each item tag out of 34,
// so most of them are never made. (Since reaching an attribute may make
// it, and a lookup may build the index, one list is not used from two
// threads at once.)
struct TBixLazyAttribute;
class TBixBlockMemory;

// Room for an attribute read for its value alone
// (TBixBinaryAttributes::ForReading): the types an item's values are
// written in.
using TBixReadScratch =
    std::variant<std::monostate, TBixBinaryBoolean, TBixBinaryExtended, TBixBinaryLongint, TBixBinaryAnsiString>;

class TBixBinaryAttributes {
 public:
  using List = std::vector<std::unique_ptr<TBixBinaryAttribute>,
                           bix_detail::TBixElementAllocator<std::unique_ptr<TBixBinaryAttribute>>>;

  TBixBinaryAttributes() = default;
  TBixBinaryAttributes(const TBixBinaryAttributes&) = delete;
  TBixBinaryAttributes& operator=(const TBixBinaryAttributes&) = delete;
  TBixBinaryAttributes(TBixBinaryAttributes&& other) noexcept;
  TBixBinaryAttributes& operator=(TBixBinaryAttributes&& other) noexcept;
  ~TBixBinaryAttributes() = default;

  std::size_t Count() const { return FItems.size(); }
  bool Empty() const { return FItems.empty(); }
  TBixBinaryAttribute& operator[](std::size_t i) const { return FItems[i] ? *FItems[i] : Make(i); }
  List::const_iterator begin() const {
    if (FLazy != nullptr) MakeAll();
    return FItems.begin();
  }
  List::const_iterator end() const {
    if (FLazy != nullptr) MakeAll();
    return FItems.end();
  }

  // The first attribute of that name, or nullptr.
  TBixBinaryAttribute* ByName(std::string_view name, bool caseSensitive = true) const;
  // Attribute i as a reader of its value needs it: the attribute, or, for
  // one not made yet of a type of TBixReadScratch, its value read from the
  // document's bytes into `scratch` (without its name). Making it would
  // copy its name and take room in the document's blocks for a value that
  // is read once. What it gives lives as long as `scratch` and the list.
  const TBixBinaryAttribute& ForReading(std::size_t i, TBixReadScratch& scratch) const;
  // Its position, or -1.
  long IndexOf(std::string_view name, bool caseSensitive = true) const;
  // Where the value of attribute i lies in the document's bytes while it
  // is not made: its base type identifier, its null flag and its first
  // byte, as checked when the document was read. Id 0 once it is made
  // (the attribute then answers). A reader of a boolean, a number or a
  // text takes the value from there, without making an attribute for it.
  struct TValueBytes {
    const char* Value = nullptr;
    std::uint8_t Id = 0;
    bool IsNull = true;
  };
  TValueBytes ValueBytes(std::size_t i) const;

  // Appends.
  TBixBinaryAttribute& Add(std::unique_ptr<TBixBinaryAttribute> attribute);
  // Replaces the first attribute of the same exact name in its place, or
  // appends.
  TBixBinaryAttribute& Set(std::unique_ptr<TBixBinaryAttribute> attribute);
  void Delete(std::size_t i);
  // Removes the first attribute of that name; false when there was none.
  bool Remove(std::string_view name, bool caseSensitive = true);
  void Clear();
  // Room for n attributes.
  void Reserve(std::size_t n) { FItems.reserve(n); }

 private:
  friend class TBixAttributeName;
  friend class TBixBinaryTag;
  // Takes the places of `count` attributes from `r` (the document being
  // read into `memory`), checking each as reading it would. False, with
  // `r` where it was, when an attribute is of a derived type (its type is
  // found by name as it is read) or is damaged: the caller then reads them
  // all at once, as it reads any list, and meets the damage as it would.
  bool TakePlaces(TByteReader& r, std::size_t count, TBixBlockMemory& memory);
  // Makes attribute i (or all) from the document's bytes.
  TBixBinaryAttribute& Make(std::size_t i) const;
  void MakeAll() const;
  // The name of attribute i, made or not.
  std::string_view NameAt(std::size_t i) const;
  long Scan(std::string_view name, bool caseSensitive) const;
  // The exact search of a list read, for a name that is not empty.
  long ScanPlaces(std::string_view name) const;
  // IndexOf beyond an exact search of the names of a list read.
  long SearchOrIndex(std::string_view name, bool caseSensitive) const;
  // Builds the index of a list long enough to have one.
  void BuildIndex() const;
  // Enters position i into the built index; gives the index up when names
  // crowd one place of it.
  void Enter(std::size_t i) const;
  // An attribute of the list was renamed.
  void NameChanged() const;
  // Forgets the index; the next lookup builds it again.
  void DropIndex() const {
    FIndex.clear();
    FCaseVariants = false;
    FWalks = 0;
  }
  void Adopt(TBixBinaryAttribute& attribute) const {
    attribute.ItemName.FOwner = const_cast<TBixBinaryAttributes*>(this);
  }

  // Null where an attribute read is not made yet.
  mutable List FItems;
  // Where the attributes read lie (nullptr once all are made, and for a
  // list not read lazily), how many were read (the first of FItems; more
  // may have been added since), and the memory of the document that holds
  // them. While FLazy is set, the name of every attribute read, made or
  // not, is the one at its place: renaming one makes them all.
  mutable const TBixLazyAttribute* FLazy = nullptr;
  std::size_t FLazyCount = 0;
  TBixBlockMemory* FMemory = nullptr;
  // Positions + 1 (0: free slot); empty for a short list and until the
  // first lookup. Its size is a power of two.
  mutable std::vector<std::uint32_t> FIndex;
  // Two names of the list equal ignoring case but not exactly: an exact
  // search then walks the list.
  mutable bool FCaseVariants = false;
  // Names that crowd one place of the table (a hostile file): the list is
  // searched name by name until it is cleared.
  mutable bool FUnindexed = false;
  // Lookups that walked the names since the index was last dropped.
  mutable std::uint8_t FWalks = 0;
};

// What a document being read may still hold.
struct TBixLoadBudget {
  std::size_t ElementsLeft = BixMaxElements;
  void Take(std::size_t n);
};

class TBixBinaryTag {
 public:
  using TagList =
      std::vector<std::unique_ptr<TBixBinaryTag>, bix_detail::TBixElementAllocator<std::unique_ptr<TBixBinaryTag>>>;

  // As for attributes: tags read from a stream live in their document's
  // block memory.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

  // (A tag read takes its name from the stream: made without one, it
  // makes no empty string to move in first.)
  explicit TBixBinaryTag() noexcept;
  explicit TBixBinaryTag(std::string name, std::int64_t data = 0);
  TBixBinaryTag(const TBixBinaryTag&) = delete;
  TBixBinaryTag& operator=(const TBixBinaryTag&) = delete;
  virtual ~TBixBinaryTag();

  std::string TagName;
  std::int64_t Data = 0;  // free for the owner's use; not written

  TBixBinaryAttributes& Attributes() { return FAttributes; }
  const TBixBinaryAttributes& Attributes() const { return FAttributes; }

  const TagList& GetTags() const { return FTags; }
  std::size_t TagCount() const { return FTags.size(); }
  TBixBinaryTag& Tag(std::size_t i) const { return *FTags[i]; }
  // Appends a child tag.
  TBixBinaryTag& AddTag(std::string name, std::int64_t data = 0);
  void DeleteTag(std::size_t i);

  // Appends a new, null attribute of the given type.
  TBixBinaryAttribute& AddAttribute(std::string name, const TBixBinaryDataType& type);
  template <class T>
  T& AddAttribute(std::string name) {
    return static_cast<T&>(AddAttribute(std::move(name), T::Type()));
  }

  TBixBinaryAttribute* AttributeByName(std::string_view name, bool caseSensitive = true) const {
    return FAttributes.ByName(name, caseSensitive);
  }
  bool AttributeExists(std::string_view name, bool caseSensitive = true) const {
    return AttributeByName(name, caseSensitive) != nullptr;
  }

  // Readers: the named attribute's value converted to the asked type, or the
  // default when the attribute is missing, null or does not convert.
  bool AttributeAsBoolean(std::string_view name, bool def = false, bool caseSensitive = true) const;
  // The character as its Windows-1252 byte.
  char AttributeAsAnsiChar(std::string_view name, char def = 0, bool caseSensitive = true) const;
  std::int64_t AttributeAsInteger(std::string_view name, std::int64_t def = 0,
                                  bool caseSensitive = true) const;
  Extended AttributeAsFloat(std::string_view name, Extended def = 0, bool caseSensitive = true) const;
  std::string AttributeAsString(std::string_view name, const std::string& def = {},
                                bool caseSensitive = true) const;
  TDateTime AttributeAsDateTime(std::string_view name, TDateTime def = 0,
                                bool caseSensitive = true) const;
  TBixVariant AttributeAsVariant(std::string_view name, const TBixVariant& def = {},
                                 bool caseSensitive = true) const;
  // The bytes of a blob attribute (a client dataset's serialisation).
  std::optional<std::string> AttributeAsClientDataSet(std::string_view name,
                                                      bool caseSensitive = true) const;

  // The first child of that name; with `create`, a new child of that name
  // (and `data`) is appended when there is none.
  TBixBinaryTag* FindFirstTag(std::string_view name, bool caseSensitive = true) const;
  TBixBinaryTag* FindFirstTag(std::string_view name, std::int64_t data, bool caseSensitive,
                              bool create);
  std::vector<TBixBinaryTag*> FindTagsByName(std::string_view name, bool caseSensitive = true) const;
  // Appends the children of that name to `list`.
  void FillListByName(std::string_view name, std::vector<TBixBinaryTag*>& list,
                      bool caseSensitive = true) const;
  // Walks a path of child names split at `separator`. A part "Name[n]"
  // selects the n-th child of that name (from 0); with `create`, children of
  // that name are appended until there are enough. A plain part is the
  // first child of that name (created when asked). nullptr when a step is
  // missing or a part is malformed.
  TBixBinaryTag* TagByPath(std::string_view path, char separator = '.', bool caseSensitive = true,
                           bool create = false);

  // Removes all attributes and child tags.
  void Clear();

  // Writes this tag with its attributes and children. Throws
  // EBixBinaryError for an unregistered derived type or a tree deeper than
  // BixMaxTagDepth below this tag (it could not be read back).
  void SaveToStreamNow(TByteWriter& w) const;
  // Replaces name, attributes and children by those read from `r`.
  // Throws EStreamReadError on damaged data.
  void LoadFromStreamNow(TByteReader& r);

 protected:
  void Save(TByteWriter& w, int depth) const;
  void Load(TByteReader& r, TBixLoadBudget& budget, int depth);

 private:
  TBixBinaryAttributes FAttributes;
  TagList FTags;
};

// Results of TBixBinaryStreamData::LoadFromStream.
inline constexpr std::uint8_t BixLoadOk = 0;
inline constexpr std::uint8_t BixLoadWrongVersion = 1;
inline constexpr std::uint8_t BixLoadUnknownIdentifier = 2;
inline constexpr std::uint8_t BixLoadDamaged = 3;

// Memory for the tags and attributes of one document read from a stream.
class TBixBlockMemory;

// A document: the root tag and two header strings.
//
// The tags and attributes LoadFromStream reads, and the lists of them
// each tag holds, are placed one after the other in large blocks that the
// document owns, instead of one heap allocation each (a calculation file
// has about 3500 attributes): reading does not pay for thousands of small
// allocations, and dropping the document frees a few blocks instead of
// every element. Tags and attributes added later come from the heap as
// usual, and so does the room of a list that grows. An element deleted
// before its document (replaced, removed) leaves its place in the block
// until the document is cleared, read again or destroyed.
class TBixBinaryStreamData : public TBixBinaryTag {
 public:
  static constexpr std::string_view Identifier = "TBixBinaryStreamData";
  static constexpr std::uint16_t Version = 1;

  explicit TBixBinaryStreamData(std::string name = {}, std::int64_t data = 0);
  ~TBixBinaryStreamData() override;

  std::string HeaderText1;
  std::string HeaderText2;

  void SaveToStream(TByteWriter& w) const;
  // Reads a document: BixLoadOk, BixLoadWrongVersion, BixLoadUnknownIdentifier
  // (the stream does not start with the identifier; nothing more is read)
  // or BixLoadDamaged. After a failure the document holds what was read up
  // to it.
  // `maxElements`: the most tags and attributes the document may hold
  // (a reader of compressed data sets it by the size of that data).
  std::uint8_t LoadFromStream(TByteReader& r, std::size_t maxElements = BixMaxElements);
  // The same from the first `size` bytes of `bytes`, which the document
  // keeps instead of a copy of what it read; `consumed` receives the
  // number of bytes the document took.
  std::uint8_t LoadFromBuffer(std::unique_ptr<char[]> bytes, std::size_t size, std::size_t& consumed,
                              std::size_t maxElements = BixMaxElements);
  // Reads a file's whole contents as a document; a file that cannot be read
  // throws EStreamReadError.
  std::uint8_t LoadFromFile(const std::string& fileName);
  // Clears attributes, children and header strings; the root keeps its name.
  void Clear();

 private:
  // Reads from `r`; the bytes read are then copied, or taken from `bytes`
  // when it holds them.
  std::uint8_t Read(TByteReader& r, std::size_t maxElements, std::unique_ptr<char[]>* bytes);

  std::unique_ptr<TBixBlockMemory> FBlocks;
};

template <class Self, typename T>
Self& TBixBinaryValue<Self, T>::AddToTag(TBixBinaryTag& tag, std::string name, T value) {
  auto a = std::make_unique<Self>();
  a->ItemName = std::move(name);
  a->SetValue(std::move(value));
  return static_cast<Self&>(tag.Attributes().Set(std::move(a)));
}

template <class Self, class Base>
Self& TBixBinaryDerived<Self, Base>::AddToTag(TBixBinaryTag& tag, std::string name,
                                              typename Base::ValueType value) {
  auto a = std::make_unique<Self>();
  a->ItemName = std::move(name);
  a->SetValue(std::move(value));
  return static_cast<Self&>(tag.Attributes().Set(std::move(a)));
}

}  // namespace torvacalc
