// The calculation file: one complete calculation in a tag-stream document
// behind a short fixed header.
//
//   13 bytes  "HYDRIXbyQUENT" (no length prefix)
//   i32       format version, 1
//   u32       flags: 1 compressed, 4 attribute section, 8 empty values omitted
//   body      the document; when compressed, raw deflate data (RFC 1951,
//             no zlib or gzip wrapper)
//   trailer   with flag 16: "HXCRC32" and a u32, the CRC-32 of the
//             uncompressed document
//
// The raw deflate stream carries no check of its own, so a damaged file
// could inflate to other numbers. The trailer lies after the end of the
// deflate stream (or of the tag document), where readers that do not know
// it stop reading; this reader verifies it whenever it is there or flag 16
// promises it, and files without it still open.
//
// Document tags: root "HXFile" with "Infos" (HXVersion, SaveCounter,
// FileName, SaveDate), "Calculations"/"Calculation" (filled by the super
// module) and, with the attribute section, "Attributes" (the name pool).
//
// Reading is safe against hostile files: the inflated document is limited
// to HXFileMaxDocumentSize bytes and the tag stream checks every count and
// length (tag_stream.h). Every failure ends in EHXFileReadError "File
// Error!" with an empty document.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "files/tag_stream.h"

namespace torvacalc {

// A calculation file that cannot be read: wrong signature or version,
// damaged compressed data, damaged document.
class EHXFileReadError : public std::runtime_error {
 public:
  EHXFileReadError() : std::runtime_error("File Error!") {}
};

// A file that cannot be opened or read at all (missing, no permission).
class EHXFileOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be written; the previous file is left as it was.
class EHXFileWriteError : public std::runtime_error {
 public:
  explicit EHXFileWriteError(const std::string& what, int error = 0) : std::runtime_error(what), Errno(error) {}
  // The system's error number of a failed write (0: not the system's).
  int Errno;
};

// The identity of a calculation: 16 random bytes.
struct TGUID {
  std::array<std::uint8_t, 16> Bytes{};

  static TGUID NewGUID();
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the first three groups are the
  // little-endian 32- and 16-bit fields, as Windows shows a GUID.
  std::string ToString() const;
  friend bool operator==(const TGUID&, const TGUID&) = default;
};

inline constexpr std::string_view HXFileSignature = "HYDRIXbyQUENT";
inline constexpr std::int32_t HXFileFormatVersion = 1;
inline constexpr std::uint32_t HXFlagCompressed = 1;
inline constexpr std::uint32_t HXFlagAttributeSection = 4;
inline constexpr std::uint32_t HXFlagOmitEmptyValues = 8;
inline constexpr std::uint32_t HXFlagChecksum = 16;
inline constexpr std::string_view HXFileChecksumTag = "HXCRC32";
// The largest document read or written: 256 MiB uncompressed. Inflating
// stops with a read error beyond it, so a small "deflate bomb" cannot take
// more memory than this.
inline constexpr std::size_t HXFileMaxDocumentSize = BixMaxDocumentSize;
// Tags and attributes a compressed file may hold: this many, plus so many
// for every byte of the file. Calculation files hold about 1 per byte (a
// whole valve calculation of 25 KB about 25 000); a file of empty tags of
// one name holds 50 per byte and would claim gigabytes.
inline constexpr std::size_t HXFileMinElements = std::size_t{1} << 16;
inline constexpr std::size_t HXFileElementsPerStoredByte = 8;

// The summary of a file for file lists, built from the display texts of
// its items by THXFile::ReadFileInfos.
struct THXFileInfos {
  // Display texts of the summary items found, in the order they are read.
  std::vector<std::pair<std::string, std::string>> Values;
  // Summary lines: the valve ("manufacturer series size"), then
  // "caption: text" lines.
  std::vector<std::string> Lines;

  std::string Value(std::string_view name) const;
  std::string Text() const;  // the lines, one per line
  void Clear();
};

class THXFile {
 public:
  THXFile();
  explicit THXFile(const TGUID& guid);
  THXFile(const THXFile&) = delete;
  THXFile& operator=(const THXFile&) = delete;
  ~THXFile();

  // How the next save writes; a load reads the file's own flags but
  // restores these afterwards.
  bool Compressed = true;
  bool OmitEmptyValues = false;
  bool UseAttributeSection = false;

  TBixBinaryStreamData& Document() { return FDocument; }
  const TBixBinaryStreamData& Document() const { return FDocument; }
  // The name pool of the attribute section, in index order.
  const std::vector<std::string>& AttributeNames() const { return FAttributeNames; }

  const std::string& GetHXVersion() const { return FHXVersion; }
  const std::string& GetFileName() const { return FFileName; }
  void SetFileName(std::string fileName) { FFileName = std::move(fileName); }
  const TGUID& GetGUID() const { return FGUID; }
  void SetGUID(const TGUID& guid) { FGUID = guid; }
  std::int32_t GetSaveCounter() const { return FSaveCounter; }
  const THXFileInfos& FileInfos() const { return FInfos; }
  // Version and flags of the file last read (0 before any).
  std::int32_t GetLoadedVersion() const { return FLoadedVersion; }
  std::uint32_t GetLoadedFlags() const { return FLoadedFlags; }
  // Size of the document, and of the whole file, last read or written.
  std::size_t GetFileSize() const { return FDocumentSize; }
  std::size_t GetCompressedFileSize() const { return FStoredSize; }

  // The version text written into files: "major.minor [full version]".
  static std::string ProgramVersionText();

  // Counts the save, refreshes "Infos" and writes header and document.
  // Throws EHXFileWriteError when the document cannot be written (an
  // unregistered data type, a tree too deep, more than
  // HXFileMaxDocumentSize bytes).
  void SaveToStream(TByteWriter& w);
  std::string SaveToString();
  // Reads a file's bytes. Throws EHXFileReadError ("File Error!") for
  // anything that is not a good file; the document is then empty.
  void LoadFromStream(TByteReader& r);
  void LoadFromString(std::string_view bytes);
  // Reads a file from disk (an empty name: the stored file name) and takes
  // its name. Throws EHXFileOpenError when it cannot be read at all.
  void Load(const std::string& fileName = {});
  // Takes the name (empty: the stored one) and writes the file atomically:
  // a temporary file beside it, flushed, renamed over the old one. On
  // failure the old file, the name and the save counter stay as they were
  // and EHXFileWriteError says why.
  void SaveToFile(const std::string& fileName = {});

  // Hands the "Calculation" tag to a writer (the super module's SaveToTag).
  // Another calculation's GUID empties the tag first; for the same
  // calculation the item tags are kept and marked invalid (ResetItems), so
  // items written again become valid and the tags of items the calculation
  // no longer has stay behind marked invalid. A file without a name takes
  // `fileName`.
  void SCMToFile(const TGUID& guid, const std::string& fileName,
                 const std::function<void(THXFile&, TBixBinaryTag&)>& writeProc);
  // Hands the "Calculation" tag to a reader (the super module's
  // LoadFromTag), then the file's GUID to the caller; returns the reader's
  // result.
  bool FileToSCM(TGUID& guid, const std::function<bool(THXFile&, TBixBinaryTag&)>& readProc);
  // Sets "_ItemIsValid" to false in every tag under "Items".
  void ResetItems();

  // Attribute writers. With OmitEmptyValues an empty value (empty text,
  // false, character 0, number or date 0, no dataset, empty set) is not
  // written and removes an attribute of that name. Otherwise the attribute
  // replaces one of the same name or is appended; with the attribute
  // section its stored name is its index in the name pool.
  void AddStrAttr(TBixBinaryTag& tag, std::string_view name, const std::string& value);
  void AddAnsiStrAttr(TBixBinaryTag& tag, std::string_view name, const std::string& value);
  void AddBooleanAttr(TBixBinaryTag& tag, std::string_view name, bool value);
  void AddAnsiCharAttr(TBixBinaryTag& tag, std::string_view name, char value);
  void AddDateTimeAttr(TBixBinaryTag& tag, std::string_view name, TDateTime value);
  void AddExtendedAttr(TBixBinaryTag& tag, std::string_view name, Extended value);
  void AddLongIntAttr(TBixBinaryTag& tag, std::string_view name, std::int32_t value);
  // A dataset in its own serialisation (empty: no dataset).
  void AddCDSAttr(TBixBinaryTag& tag, std::string_view name, const std::string& data);
  // A set of up to 32 elements as its bit mask (bit n: element n).
  void AddSetAttr(TBixBinaryTag& tag, std::string_view name, std::uint32_t elements);

  // The attribute the readers below read for `name` (a pooled name is
  // looked for under its index first), or nullptr.
  const TBixBinaryAttribute* Attribute(const TBixBinaryTag& tag, std::string_view name) const {
    return FindAttribute(tag, name);
  }
  // Attribute readers: the value, or the default when it is missing or null.
  bool AttributeExists(const TBixBinaryTag& tag, std::string_view name) const;
  bool AttributeAsBoolean(const TBixBinaryTag& tag, std::string_view name, bool def = false) const;
  char AttributeAsAnsiChar(const TBixBinaryTag& tag, std::string_view name, char def = 0) const;
  TDateTime AttributeAsDateTime(const TBixBinaryTag& tag, std::string_view name,
                                TDateTime def = 0) const;
  Extended AttributeAsFloat(const TBixBinaryTag& tag, std::string_view name, Extended def = 0) const;
  std::int64_t AttributeAsInteger(const TBixBinaryTag& tag, std::string_view name,
                                  std::int64_t def = 0) const;
  std::string AttributeAsString(const TBixBinaryTag& tag, std::string_view name,
                                const std::string& def = {}) const;
  TBixVariant AttributeAsVariant(const TBixBinaryTag& tag, std::string_view name,
                                 const TBixVariant& def = {}) const;
  std::optional<std::string> AttributeAsCDS(const TBixBinaryTag& tag, std::string_view name) const;
  std::uint32_t AttributeAsSet(const TBixBinaryTag& tag, std::string_view name,
                               std::uint32_t def = 0) const;
  TBixBinaryTag& AddTag(TBixBinaryTag& parent, std::string name) { return parent.AddTag(std::move(name)); }
  TBixBinaryTag* FindFirstTag(TBixBinaryTag& parent, std::string_view name, bool create = false) {
    return parent.FindFirstTag(name, 0, true, create);
  }

  // Tags of the document, created on first access (exact names).
  TBixBinaryTag& GetInfoTag();
  TBixBinaryTag& GetCalculationListTag();
  TBixBinaryTag& GetCalculationTag();
  TBixBinaryTag& GetItemsTag();
  TBixBinaryTag& GetGraphicsTag();
  TBixBinaryTag& GetStructureTag();
  TBixBinaryTag& GetAttrTag();
  TBixBinaryTag& GetAddParameterListTag();  // "AdditionalDatas.Items"
  // An item's tag in "Items", or an additional parameter's tag, found
  // ignoring case; never created. Items are found through an index of
  // their names, built on the first lookup; each hit is checked against
  // the tag it names, and a name the index does not know is searched for,
  // so tags added, removed or renamed since are still found right.
  TBixBinaryTag* GetParameterTag(std::string_view name) const;
  TBixBinaryTag* GetAddParameterTag(std::string_view name) const;

  // Readers for file lists, which show files without rebuilding their
  // calculations.
  std::string GetIdentifier() const;  // "DisplayText" of the item "Identifier"
  // Texts of items whose "Utilized" is true; empty otherwise.
  std::string GetParamDisplayText(std::string_view name) const;
  std::string GetParamCaption(std::string_view name, bool shortCaption = false) const;
  // "Value" in the basic unit, NoValue when absent.
  Extended GetParamValue(std::string_view name) const;
  // "SwitchIndex" and "CalcUnitNo", -1 when absent.
  int GetParamSwitchIndex(std::string_view name) const;
  int GetParamCalcUnit(std::string_view name) const;
  std::string GetParamText(std::string_view name) const;
  // Builds FileInfos() from the items of the loaded calculation.
  void ReadFileInfos();

 private:
  // The name an attribute is stored under when written (pooled with the
  // attribute section in use), and the one a reader looks for.
  std::string StoredName(std::string_view name);
  // The position of that attribute in the tag's list, or -1. (Files
  // without the attribute section store the names themselves.)
  long FindIndex(const TBixBinaryTag& tag, std::string_view name) const {
    return FAttributeIndex.empty() ? tag.Attributes().IndexOf(name) : FindPooledIndex(tag, name);
  }
  long FindPooledIndex(const TBixBinaryTag& tag, std::string_view name) const;
  // With `scratch`, an attribute not made yet may be read into it for its
  // value alone (TBixBinaryAttributes::ForReading).
  const TBixBinaryAttribute* FindAttribute(const TBixBinaryTag& tag, std::string_view name,
                                           TBixReadScratch* scratch = nullptr) const;
  // Applies OmitEmptyValues: true when the value is not to be written.
  bool OmitValue(TBixBinaryTag& tag, std::string_view name, bool empty);
  template <class T, typename V>
  void WriteAttr(TBixBinaryTag& tag, std::string_view name, V value, bool empty);
  void RefreshInfos();
  void RebuildAttributeSection();
  void RebuildNamePool();
  void ResetDocument();

  // The item index: lower-cased name to position under "Items" (the first
  // of a name), for the "Items" tag it was built from.
  // (Positions + 1 in an open-addressed table keyed by BixFoldedHash.)
  mutable std::vector<std::uint32_t> FItemIndex;
  mutable const TBixBinaryTag* FIndexedItems = nullptr;
  // Hashes names and texts alike, so that the pool is searched with a
  // view of a name rather than a copy.
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>{}(name); }
  };
  std::vector<std::string> FAttributeNames;
  // Pooled name to index, and the index as the text it is stored under.
  std::unordered_map<std::string, std::size_t, TNameHash, std::equal_to<>> FAttributeIndex;
  std::vector<std::string> FStoredNames;
  std::string FHXVersion;
  std::string FFileName;
  TGUID FGUID;
  std::int32_t FSaveCounter = 0;
  TBixBinaryStreamData FDocument{"HXFile"};
  THXFileInfos FInfos;
  std::int32_t FLoadedVersion = 0;
  std::uint32_t FLoadedFlags = 0;
  std::size_t FDocumentSize = 0;
  std::size_t FStoredSize = 0;
};

// True when the file exists and begins with the signature.
bool IsHX7File(const std::string& fileName);

// The calculation files of the process, found by their calculation's GUID.
// The list owns its files. Used from the main thread only.
class THXFileList {
 public:
  THXFile& Add(std::unique_ptr<THXFile> file);
  THXFile& Insert(std::size_t index, std::unique_ptr<THXFile> file);
  void Delete(std::size_t index);
  void Clear() { FFiles.clear(); }
  long IndexOf(const THXFile* file) const;
  long IndexOfName(std::string_view fileName) const;
  long IndexOfGUID(const TGUID& guid) const;
  std::size_t GetCount() const { return FFiles.size(); }
  THXFile& GetItems(std::size_t index) const { return *FFiles.at(index); }
  // The file of that GUID; with `create`, a new file carrying the GUID is
  // added when there is none. nullptr otherwise.
  THXFile* FileOfGUID(const TGUID& guid, bool create);
  // Keeps `file` as the file of its GUID, in place of one kept before
  // (a calculation file opened again).
  THXFile& Put(std::unique_ptr<THXFile> file);

 private:
  std::vector<std::unique_ptr<THXFile>> FFiles;
};

// The process's list, created on first use.
THXFileList& HXFileList();

}  // namespace torvacalc
