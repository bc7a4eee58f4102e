#include "files/hx_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <random>

#include "files/raw_deflate.h"
#include "files/text_codec.h"
#include "framework/settings.h"
#include "framework/translation.h"

namespace torvacalc {

namespace {

bool IsEmptyText(const std::string& s) { return s.empty(); }

// "%s %s %s" of the parts that are set.
std::string JoinWords(std::initializer_list<std::string> parts) {
  std::string text;
  for (const auto& p : parts) {
    if (p.empty()) continue;
    if (!text.empty()) text += ' ';
    text += p;
  }
  return text;
}

}  // namespace

// --- GUID ----------------------------------------------------------------------

TGUID TGUID::NewGUID() {
  thread_local std::random_device device;
  TGUID g;
  for (std::size_t i = 0; i < g.Bytes.size(); i += 4) {
    const unsigned v = device();
    for (std::size_t k = 0; k < 4; ++k) g.Bytes[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
  }
  return g;
}

std::string TGUID::ToString() const {
  const auto& b = Bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return buf;
}

// --- summary -------------------------------------------------------------------

std::string THXFileInfos::Value(std::string_view name) const {
  for (const auto& [n, v] : Values)
    if (n == name) return v;
  return {};
}

std::string THXFileInfos::Text() const {
  std::string text;
  for (const auto& line : Lines) text += line + "\n";
  return text;
}

void THXFileInfos::Clear() {
  Values.clear();
  Lines.clear();
}

// --- file ------------------------------------------------------------------------

THXFile::THXFile() : THXFile(TGUID::NewGUID()) {}

THXFile::THXFile(const TGUID& guid) : FHXVersion(ProgramVersionText()), FGUID(guid) {}

THXFile::~THXFile() = default;

std::string THXFile::ProgramVersionText() {
  const std::string full = TORVACALC_VERSION;
  const std::size_t second = full.find('.', full.find('.') + 1);
  return full.substr(0, second) + " [" + full + "]";
}

std::string THXFile::StoredName(std::string_view name) {
  if (!UseAttributeSection) return std::string(name);
  auto it = FAttributeIndex.find(name);
  if (it == FAttributeIndex.end()) {
    it = FAttributeIndex.emplace(std::string(name), FAttributeNames.size()).first;
    FAttributeNames.emplace_back(name);
    FStoredNames.push_back(std::to_string(it->second));
  }
  return FStoredNames[it->second];
}

long THXFile::FindPooledIndex(const TBixBinaryTag& tag, std::string_view name) const {
  const TBixBinaryAttributes& list = tag.Attributes();
  // A pooled name is stored as its index; tags written without the pool
  // (and "Infos") carry the name itself.
  long i = -1;
  if (const auto it = FAttributeIndex.find(name); it != FAttributeIndex.end())
    i = list.IndexOf(FStoredNames[it->second]);
  if (i < 0) i = list.IndexOf(name);
  return i;
}

const TBixBinaryAttribute* THXFile::FindAttribute(const TBixBinaryTag& tag, std::string_view name,
                                                  TBixReadScratch* scratch) const {
  const long i = FindIndex(tag, name);
  if (i < 0) return nullptr;
  const TBixBinaryAttributes& list = tag.Attributes();
  const auto at = static_cast<std::size_t>(i);
  return scratch ? &list.ForReading(at, *scratch) : &list[at];
}

bool THXFile::OmitValue(TBixBinaryTag& tag, std::string_view name, bool empty) {
  if (!OmitEmptyValues || !empty) return false;
  // Remove what an earlier write left under this name, without adding the
  // name to the pool.
  if (UseAttributeSection) {
    const auto it = FAttributeIndex.find(name);
    if (it != FAttributeIndex.end()) tag.Attributes().Remove(FStoredNames[it->second]);
  } else {
    tag.Attributes().Remove(name);
  }
  return true;
}

template <class T, typename V>
void THXFile::WriteAttr(TBixBinaryTag& tag, std::string_view name, V value, bool empty) {
  if (OmitValue(tag, name, empty)) return;
  T::AddToTag(tag, StoredName(name), std::move(value));
}

void THXFile::AddStrAttr(TBixBinaryTag& tag, std::string_view name, const std::string& value) {
  WriteAttr<TBixBinaryAnsiString>(tag, name, value, IsEmptyText(value));
}
void THXFile::AddAnsiStrAttr(TBixBinaryTag& tag, std::string_view name, const std::string& value) {
  WriteAttr<TBixBinaryAnsiString>(tag, name, value, IsEmptyText(value));
}
void THXFile::AddBooleanAttr(TBixBinaryTag& tag, std::string_view name, bool value) {
  WriteAttr<TBixBinaryBoolean>(tag, name, value, !value);
}
void THXFile::AddAnsiCharAttr(TBixBinaryTag& tag, std::string_view name, char value) {
  WriteAttr<TBixBinaryAnsiChar>(tag, name, value, value == 0);
}
void THXFile::AddDateTimeAttr(TBixBinaryTag& tag, std::string_view name, TDateTime value) {
  WriteAttr<TBixBinaryDateTime>(tag, name, value, value == 0);
}
void THXFile::AddExtendedAttr(TBixBinaryTag& tag, std::string_view name, Extended value) {
  WriteAttr<TBixBinaryExtended>(tag, name, value, value == 0);
}
void THXFile::AddLongIntAttr(TBixBinaryTag& tag, std::string_view name, std::int32_t value) {
  WriteAttr<TBixBinaryLongint>(tag, name, value, value == 0);
}
void THXFile::AddCDSAttr(TBixBinaryTag& tag, std::string_view name, const std::string& data) {
  WriteAttr<TBixBinarytClientDataSet>(tag, name, data, data.empty());
}
void THXFile::AddSetAttr(TBixBinaryTag& tag, std::string_view name, std::uint32_t elements) {
  std::string mask(4, '\0');
  for (std::size_t i = 0; i < 4; ++i) mask[i] = static_cast<char>(elements >> (8 * i));
  WriteAttr<TBixBinaryTShiftState>(tag, name, mask, elements == 0);
}

namespace {

// Values of the types items are written in, from their bytes in the
// document (TBixBinaryAttributes::ValueBytes): a boolean is one byte, a
// long integer four, little-endian.
constexpr std::uint8_t kBooleanId = 2, kExtendedId = 8, kLongintId = 16, kAnsiStringId = 18;

std::int32_t LongintAt(const char* p) {
  std::uint32_t u = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&u, p, 4);
  } else {
    for (int k = 0; k < 4; ++k) u |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[k])) << (8 * k);
  }
  return static_cast<std::int32_t>(u);
}

}  // namespace

bool THXFile::AttributeExists(const TBixBinaryTag& tag, std::string_view name) const {
  return FindIndex(tag, name) >= 0;
}

bool THXFile::AttributeAsBoolean(const TBixBinaryTag& tag, std::string_view name, bool def) const {
  const long i = FindIndex(tag, name);
  if (i < 0) return def;
  const auto v = tag.Attributes().ValueBytes(static_cast<std::size_t>(i));
  if (v.Id == kBooleanId) return v.IsNull ? def : *v.Value != 0;
  TBixReadScratch scratch;
  const auto& a = tag.Attributes().ForReading(static_cast<std::size_t>(i), scratch);
  return !a.IsNull ? a.AsBoolean().value_or(def) : def;
}
char THXFile::AttributeAsAnsiChar(const TBixBinaryTag& tag, std::string_view name, char def) const {
  const auto* a = FindAttribute(tag, name);
  return a ? tag.AttributeAsAnsiChar(a->ItemName, def) : def;
}
TDateTime THXFile::AttributeAsDateTime(const TBixBinaryTag& tag, std::string_view name,
                                       TDateTime def) const {
  TBixReadScratch scratch;
  const auto* a = FindAttribute(tag, name, &scratch);
  return a && !a->IsNull ? a->AsDateTime().value_or(def) : def;
}
Extended THXFile::AttributeAsFloat(const TBixBinaryTag& tag, std::string_view name, Extended def) const {
  const long i = FindIndex(tag, name);
  if (i < 0) return def;
  const auto v = tag.Attributes().ValueBytes(static_cast<std::size_t>(i));
  if (v.Id == kExtendedId && !v.IsNull) {
    TByteReader r(v.Value, 10);
    return bix_detail::ReadExtended(r);
  }
  TBixReadScratch scratch;
  const auto& a = tag.Attributes().ForReading(static_cast<std::size_t>(i), scratch);
  return !a.IsNull ? a.AsFloat().value_or(def) : def;
}
std::int64_t THXFile::AttributeAsInteger(const TBixBinaryTag& tag, std::string_view name,
                                         std::int64_t def) const {
  const long i = FindIndex(tag, name);
  if (i < 0) return def;
  const auto v = tag.Attributes().ValueBytes(static_cast<std::size_t>(i));
  if (v.Id == kLongintId) return v.IsNull ? def : LongintAt(v.Value);
  TBixReadScratch scratch;
  const auto& a = tag.Attributes().ForReading(static_cast<std::size_t>(i), scratch);
  return !a.IsNull ? a.AsInteger().value_or(def) : def;
}
std::string THXFile::AttributeAsString(const TBixBinaryTag& tag, std::string_view name,
                                       const std::string& def) const {
  const long i = FindIndex(tag, name);
  if (i < 0) return def;
  const auto v = tag.Attributes().ValueBytes(static_cast<std::size_t>(i));
  if (v.Id == kAnsiStringId && !v.IsNull) {
    // Its length (never negative in a document read), then its bytes;
    // most texts an item reads (its notes and comments) are empty.
    std::string text;
    if (const std::int32_t n = LongintAt(v.Value); n > 0)
      AssignWin1252AsUtf8(text, std::string_view(v.Value + 4, static_cast<std::size_t>(n)));
    return text;
  }
  TBixReadScratch scratch;
  const auto& a = tag.Attributes().ForReading(static_cast<std::size_t>(i), scratch);
  return !a.IsNull ? a.GetValueAsWideString() : def;
}
TBixVariant THXFile::AttributeAsVariant(const TBixBinaryTag& tag, std::string_view name,
                                        const TBixVariant& def) const {
  TBixReadScratch scratch;
  const auto* a = FindAttribute(tag, name, &scratch);
  return a && !a->IsNull ? a->AsVariant() : def;
}
std::optional<std::string> THXFile::AttributeAsCDS(const TBixBinaryTag& tag, std::string_view name) const {
  const auto* a = FindAttribute(tag, name);
  return a ? tag.AttributeAsClientDataSet(a->ItemName) : std::nullopt;
}
std::uint32_t THXFile::AttributeAsSet(const TBixBinaryTag& tag, std::string_view name,
                                      std::uint32_t def) const {
  TBixReadScratch scratch;
  const auto* a = FindAttribute(tag, name, &scratch);
  if (!a || a->IsNull) return def;
  if (const auto* blob = dynamic_cast<const TBixBinaryBlob*>(a)) {
    const std::string& b = blob->GetValue();
    if (b.size() > 4) return def;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < b.size(); ++i)
      v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
    return v;
  }
  const auto v = a->AsInteger();
  return v && *v >= 0 && *v <= 0xFFFFFFFF ? static_cast<std::uint32_t>(*v) : def;
}

// --- tags ------------------------------------------------------------------------

TBixBinaryTag& THXFile::GetInfoTag() { return *FDocument.FindFirstTag("Infos", 0, true, true); }
TBixBinaryTag& THXFile::GetCalculationListTag() {
  return *FDocument.FindFirstTag("Calculations", 0, true, true);
}
TBixBinaryTag& THXFile::GetCalculationTag() {
  return *GetCalculationListTag().FindFirstTag("Calculation", 0, true, true);
}
TBixBinaryTag& THXFile::GetItemsTag() { return *GetCalculationTag().FindFirstTag("Items", 0, true, true); }
TBixBinaryTag& THXFile::GetGraphicsTag() {
  return *GetCalculationTag().FindFirstTag("Graphics", 0, true, true);
}
TBixBinaryTag& THXFile::GetStructureTag() {
  return *GetCalculationTag().FindFirstTag("Structure", 0, true, true);
}
TBixBinaryTag& THXFile::GetAttrTag() { return *FDocument.FindFirstTag("Attributes", 0, true, true); }
TBixBinaryTag& THXFile::GetAddParameterListTag() {
  return *GetCalculationTag().TagByPath("AdditionalDatas.Items", '.', true, true);
}

namespace {

bool SameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + ('a' - 'A'));
    if (x != y) return false;
  }
  return true;
}

}  // namespace

TBixBinaryTag* THXFile::GetParameterTag(std::string_view name) const {
  const TBixBinaryTag* t = FDocument.FindFirstTag("Calculations");
  if (t) t = t->FindFirstTag("Calculation");
  if (t) t = t->FindFirstTag("Items");
  if (!t) return nullptr;
  const auto rebuild = [&] {
    // A power of two of slots, at most two thirds full; a name met again
    // keeps its first position. Names that crowd one place of the table
    // (a hostile file) leave the items without an index: they are then
    // searched one by one, as they would be without it.
    constexpr std::size_t kMaxProbes = 64;
    std::size_t slots = 16;
    while (slots * 2 < t->TagCount() * 3) slots *= 2;
    FItemIndex.assign(slots, 0);
    FIndexedItems = t;
    for (std::size_t i = 0; i < t->TagCount(); ++i) {
      const std::string& n = t->Tag(i).TagName;
      std::size_t probes = 0;
      for (std::size_t s = BixFoldedHash(n) & (slots - 1);; s = (s + 1) & (slots - 1)) {
        if (++probes > kMaxProbes) {
          FItemIndex.clear();
          return;
        }
        std::uint32_t& slot = FItemIndex[s];
        if (slot == 0) {
          slot = static_cast<std::uint32_t>(i + 1);
          break;
        }
        if (SameNameNoCase(t->Tag(slot - 1).TagName, n)) break;
      }
    }
  };
  if (FIndexedItems != t) rebuild();
  if (FItemIndex.empty()) return t->FindFirstTag(name, false);
  const std::size_t mask = FItemIndex.size() - 1;
  for (std::size_t s = BixFoldedHash(name) & mask;; s = (s + 1) & mask) {
    const std::uint32_t slot = FItemIndex[s];
    if (slot == 0) break;
    if (slot - 1 < t->TagCount() && SameNameNoCase(t->Tag(slot - 1).TagName, name)) return &t->Tag(slot - 1);
  }
  // Not known, or the tags changed since the index was built.
  TBixBinaryTag* found = t->FindFirstTag(name, false);
  if (found) rebuild();
  return found;
}

TBixBinaryTag* THXFile::GetAddParameterTag(std::string_view name) const {
  const TBixBinaryTag* t = FDocument.FindFirstTag("Calculations");
  if (t) t = t->FindFirstTag("Calculation");
  if (t) t = t->FindFirstTag("AdditionalDatas");
  if (t) t = t->FindFirstTag("Items");
  return t ? t->FindFirstTag(name, false) : nullptr;
}

// --- readers for file lists ---------------------------------------------------------

std::string THXFile::GetIdentifier() const {
  const TBixBinaryTag* t = GetParameterTag("Identifier");
  return t ? AttributeAsString(*t, "DisplayText") : std::string();
}

std::string THXFile::GetParamDisplayText(std::string_view name) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  if (!t || !AttributeAsBoolean(*t, "Utilized")) return {};
  return AttributeAsString(*t, "DisplayText");
}

std::string THXFile::GetParamCaption(std::string_view name, bool shortCaption) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  if (!t || !AttributeAsBoolean(*t, "Utilized")) return {};
  return AttributeAsString(*t, shortCaption ? "ShortCaption" : "Caption");
}

Extended THXFile::GetParamValue(std::string_view name) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  return t ? AttributeAsFloat(*t, "Value", NoValue) : NoValue;
}

int THXFile::GetParamSwitchIndex(std::string_view name) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  return t ? static_cast<int>(std::clamp<std::int64_t>(AttributeAsInteger(*t, "SwitchIndex", -1),
                                                       INT32_MIN, INT32_MAX))
           : -1;
}

int THXFile::GetParamCalcUnit(std::string_view name) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  return t ? static_cast<int>(std::clamp<std::int64_t>(AttributeAsInteger(*t, "CalcUnitNo", -1),
                                                       INT32_MIN, INT32_MAX))
           : -1;
}

std::string THXFile::GetParamText(std::string_view name) const {
  const TBixBinaryTag* t = GetParameterTag(name);
  return t ? AttributeAsString(*t, "Text") : std::string();
}

void THXFile::ReadFileInfos() {
  FInfos.Clear();
  static constexpr std::string_view kItems[] = {
      "DeviceType",   "Author",        "Revisor",           "WhenCreated", "WhenModified",
      "HYDRIXBuild",  "HYDRIXVersion", "LanguageNo",        "OnlyFittingValves",
      "VSeries",      "VManufacturer", "kvs",               "ListDN",      "DNV",
      "CharacteristicType", "FMDevice", "Fluidname",        "FluidnameV",  "CalculatedPhase",
      "Phase"};
  constexpr std::size_t kCount = std::size(kItems);
  // Their tags as GetParameterTag finds them (the first of each name,
  // ignoring case), in one pass over the item tags: for twenty names that
  // costs less than the index of every item. Most tags are passed over by
  // their length and first letter: `candidates` holds, for each key of
  // the two, the names of kItems that have it (bit k: kItems[k]).
  std::array<const TBixBinaryTag*, kCount> tags{};
  const TBixBinaryTag* items = FDocument.FindFirstTag("Calculations");
  if (items) items = items->FindFirstTag("Calculation");
  if (items) items = items->FindFirstTag("Items");
  if (items) {
    const auto key = [](std::string_view n) {
      const char c = n.front();
      return (n.size() + 8 * static_cast<std::size_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c)) & 63;
    };
    std::array<std::uint32_t, 64> candidates{};
    for (std::size_t k = 0; k < kCount; ++k) candidates[key(kItems[k])] |= std::uint32_t{1} << k;
    std::size_t left = kCount;
    for (std::size_t i = 0; i < items->TagCount() && left > 0; ++i) {
      const std::string& n = items->Tag(i).TagName;
      if (n.empty()) continue;
      for (std::uint32_t m = candidates[key(n)]; m != 0; m &= m - 1) {
        const auto k = static_cast<std::size_t>(std::countr_zero(m));
        if (!tags[k] && SameNameNoCase(n, kItems[k])) {
          tags[k] = &items->Tag(i);
          --left;
        }
      }
    }
  }
  const auto tagOf = [&](std::string_view name) {
    for (std::size_t k = 0; k < kCount; ++k)
      if (kItems[k] == name) return tags[k];
    return static_cast<const TBixBinaryTag*>(nullptr);
  };
  // As GetParamDisplayText and GetParamCaption: texts of utilized items.
  const auto utilizedText = [&](const TBixBinaryTag* t, std::string_view attribute) {
    return t && AttributeAsBoolean(*t, "Utilized") ? AttributeAsString(*t, attribute) : std::string();
  };
  for (std::size_t k = 0; k < kCount; ++k) {
    std::string text = utilizedText(tags[k], "DisplayText");
    if (!text.empty()) FInfos.Values.emplace_back(std::string(kItems[k]), std::move(text));
  }
  const auto value = [&](std::string_view name) { return FInfos.Value(name); };
  // "caption: text" of an item, its short caption or else its name as label.
  const auto line = [&](std::string_view name, const std::string& text) {
    if (text.empty()) return;
    std::string label = utilizedText(tagOf(name), "ShortCaption");
    if (label.empty()) label = utilizedText(tagOf(name), "Caption");
    if (label.empty()) label = std::string(name);
    FInfos.Lines.push_back(label + ": " + text);
  };
  // The valve: manufacturer, series, nominal size.
  if (std::string valve = JoinWords({value("VManufacturer"), value("VSeries"), value("DNV")});
      !valve.empty())
    FInfos.Lines.push_back(std::move(valve));
  for (std::string_view name : {"DeviceType", "kvs", "ListDN", "CharacteristicType", "FMDevice",
                                "OnlyFittingValves"})
    line(name, value(name));
  // The medium and its phase: the calculated phase where there is one.
  const bool ownFluid = !value("Fluidname").empty();
  line(ownFluid ? "Fluidname" : "FluidnameV", value(ownFluid ? "Fluidname" : "FluidnameV"));
  const bool calculated = !value("CalculatedPhase").empty();
  line(calculated ? "CalculatedPhase" : "Phase", value(calculated ? "CalculatedPhase" : "Phase"));
  for (std::string_view name : {"Author", "Revisor", "WhenCreated", "WhenModified"})
    line(name, value(name));
  line("HYDRIXVersion",
       JoinWords({value("HYDRIXVersion"), value("HYDRIXBuild"), value("LanguageNo")}));
}

// --- saving and loading ---------------------------------------------------------------

void THXFile::RebuildAttributeSection() {
  TBixBinaryTag& tag = GetAttrTag();
  tag.Attributes().Clear();
  tag.Attributes().Reserve(FAttributeNames.size());
  for (std::size_t i = 0; i < FAttributeNames.size(); ++i)
    tag.AddAttribute<TBixBinaryLongint>(FAttributeNames[i]).SetValue(static_cast<std::int32_t>(i));
}

void THXFile::RebuildNamePool() {
  FAttributeNames.clear();
  FAttributeIndex.clear();
  FStoredNames.clear();
  const TBixBinaryTag* tag = FDocument.FindFirstTag("Attributes");
  if (!tag) return;
  // Indices are the positions in the tag; a name listed twice keeps its
  // first position.
  for (const auto& a : tag->Attributes()) {
    FAttributeIndex.emplace(a->ItemName.str(), FAttributeNames.size());
    FStoredNames.push_back(std::to_string(FAttributeNames.size()));
    FAttributeNames.push_back(a->ItemName.str());
  }
}

void THXFile::RefreshInfos() {
  FHXVersion = ProgramVersionText();
  FDocument.HeaderText1 = Translate("HYDRIX(ApplicationKind)");
  FDocument.HeaderText2 = FHXVersion;
  TBixBinaryTag& info = GetInfoTag();
  TBixBinaryAnsiString::AddToTag(info, "HXVersion", FHXVersion);
  TBixBinaryLongint::AddToTag(info, "SaveCounter", FSaveCounter);
  TBixBinaryAnsiString::AddToTag(info, "FileName", FFileName);
  TBixBinaryDateTime::AddToTag(info, "SaveDate", NowAsDateTime());
}

void THXFile::SaveToStream(TByteWriter& w) {
  if (UseAttributeSection) RebuildAttributeSection();
  ++FSaveCounter;
  RefreshInfos();
  TByteWriter doc;
  try {
    FDocument.SaveToStream(doc);
  } catch (const EBixBinaryError& e) {
    throw EHXFileWriteError(e.what());
  }
  if (doc.Size() > HXFileMaxDocumentSize) throw EHXFileWriteError("document too large");
  const std::size_t start = w.Size();
  w.WriteBytes(HXFileSignature);
  w.WriteI32(HXFileFormatVersion);
  w.WriteU32((Compressed ? HXFlagCompressed : 0) | (UseAttributeSection ? HXFlagAttributeSection : 0) |
             (OmitEmptyValues ? HXFlagOmitEmptyValues : 0) | HXFlagChecksum);
  if (Compressed) {
    try {
      w.WriteBytes(RawDeflate(doc.Data()));
    } catch (const std::runtime_error& e) {
      throw EHXFileWriteError(e.what());
    }
  } else {
    w.WriteBytes(doc.Data());
  }
  w.WriteBytes(HXFileChecksumTag);
  w.WriteU32(Crc32(doc.Data()));
  FDocumentSize = doc.Size();
  FStoredSize = w.Size() - start;
}

std::string THXFile::SaveToString() {
  TByteWriter w;
  SaveToStream(w);
  return w.TakeData();
}

void THXFile::ResetDocument() {
  FDocument.Clear();
  FDocument.TagName = "HXFile";
  FAttributeNames.clear();
  FAttributeIndex.clear();
  FStoredNames.clear();
  FItemIndex.clear();
  FIndexedItems = nullptr;
  FInfos.Clear();
}

void THXFile::LoadFromStream(TByteReader& r) {
  const bool compressed = Compressed, omit = OmitEmptyValues, section = UseAttributeSection;
  const auto restore = [&] {
    Compressed = compressed;
    OmitEmptyValues = omit;
    UseAttributeSection = section;
  };
  FItemIndex.clear();
  FIndexedItems = nullptr;
  try {
    const std::size_t start = r.Position();
    if (r.Remaining() < HXFileSignature.size() + 8 ||
        r.ReadBytes(HXFileSignature.size()) != HXFileSignature)
      throw EHXFileReadError();
    const std::int32_t version = r.ReadI32();
    if (version != HXFileFormatVersion) throw EHXFileReadError();
    const std::uint32_t flags = r.ReadU32();
    Compressed = (flags & HXFlagCompressed) != 0;
    UseAttributeSection = (flags & HXFlagAttributeSection) != 0;
    OmitEmptyValues = (flags & HXFlagOmitEmptyValues) != 0;
    // The inflated document goes to the tree, which reads its attributes
    // from it when they are first asked for.
    std::unique_ptr<char[]> inflated;
    std::string_view body = r.Rest();
    const std::size_t storedBytes = body.size();
    std::string_view trailer;
    if (Compressed) {
      std::size_t consumed = 0, size = 0;
      inflated = RawInflateBuffer(body, HXFileMaxDocumentSize, size, &consumed);
      trailer = body.substr(consumed);
      body = std::string_view(inflated.get(), size);
    } else if (body.size() > HXFileMaxDocumentSize + HXFileChecksumTag.size() + 4) {
      throw EHXFileReadError();
    }
    ResetDocument();
    TByteReader doc(body);
    // Deflate turns a few bytes into a thousand: the tags and attributes
    // a compressed file may hold are bounded by its own size, so that
    // memory and time stay in proportion to the file. Uncompressed data
    // bounds them by itself (each takes at least 3 bytes).
    const std::size_t maxElements =
        Compressed ? HXFileMinElements + HXFileElementsPerStoredByte * storedBytes : BixMaxElements;
    std::size_t docBytes = 0;
    // (The tree keeps the inflated bytes: `body` stays valid.)
    const std::uint8_t loaded = Compressed
                                    ? FDocument.LoadFromBuffer(std::move(inflated), body.size(), docBytes, maxElements)
                                    : FDocument.LoadFromStream(doc, maxElements);
    if (loaded != BixLoadOk) throw EHXFileReadError();
    if (!Compressed) {
      trailer = body.substr(doc.Position());
      body = body.substr(0, doc.Position());
    }
    // The check: required when the flag promises it, verified whenever it
    // is there (a flipped flag bit must not switch it off).
    const bool hasTrailer = trailer.size() == HXFileChecksumTag.size() + 4 &&
                            trailer.substr(0, HXFileChecksumTag.size()) == HXFileChecksumTag;
    if ((flags & HXFlagChecksum) && !hasTrailer) throw EHXFileReadError();
    if (hasTrailer) {
      TByteReader check(trailer.substr(HXFileChecksumTag.size()));
      if (check.ReadU32() != Crc32(body)) throw EHXFileReadError();
    }
    if (const TBixBinaryTag* info = FDocument.FindFirstTag("Infos")) {
      FSaveCounter = static_cast<std::int32_t>(std::clamp<std::int64_t>(
          info->AttributeAsInteger("SaveCounter", FSaveCounter), INT32_MIN, INT32_MAX));
      FHXVersion = info->AttributeAsString("HXVersion", FHXVersion);
    }
    RebuildNamePool();
    ReadFileInfos();
    FLoadedVersion = version;
    FLoadedFlags = flags;
    FDocumentSize = body.size();
    FStoredSize = r.Position() - start;
  } catch (...) {
    ResetDocument();
    restore();
    throw EHXFileReadError();
  }
  restore();
}

void THXFile::LoadFromString(std::string_view bytes) {
  TByteReader r(bytes);
  LoadFromStream(r);
}

void THXFile::Load(const std::string& fileName) {
  const std::string name = fileName.empty() ? FFileName : fileName;
  std::string bytes, error;
  // A file much larger than the largest document cannot be a good one.
  const auto result =
      ReadFileBytes(name, HXFileMaxDocumentSize + (std::size_t{1} << 20), bytes, &error);
  if (result == TReadFileResult::TooLarge) {
    ResetDocument();
    throw EHXFileReadError();
  }
  if (result != TReadFileResult::Ok) throw EHXFileOpenError("cannot open \"" + name + "\": " + error);
  LoadFromString(bytes);
  FFileName = name;
}

void THXFile::SaveToFile(const std::string& fileName) {
  const std::string oldName = FFileName;
  const std::int32_t oldCounter = FSaveCounter;
  if (!fileName.empty()) FFileName = fileName;
  if (FFileName.empty()) throw EHXFileWriteError("no file name to save to");
  std::string error;
  int cause = 0;
  try {
    if (WriteFileAtomically(FFileName, SaveToString(), &error)) return;
    cause = errno;
  } catch (...) {
    FFileName = oldName;
    FSaveCounter = oldCounter;
    throw;
  }
  const std::string target = FFileName;
  FFileName = oldName;
  FSaveCounter = oldCounter;
  throw EHXFileWriteError("cannot save \"" + target + "\": " + error, cause);
}

void THXFile::ResetItems() {
  TBixBinaryTag& items = GetItemsTag();
  for (const auto& t : items.GetTags()) AddBooleanAttr(*t, "_ItemIsValid", false);
}

void THXFile::SCMToFile(const TGUID& guid, const std::string& fileName,
                        const std::function<void(THXFile&, TBixBinaryTag&)>& writeProc) {
  if (!(guid == FGUID)) {
    GetCalculationTag().Clear();
    FGUID = guid;
  } else {
    ResetItems();
  }
  writeProc(*this, GetCalculationTag());
  if (FFileName.empty()) FFileName = fileName;
}

bool THXFile::FileToSCM(TGUID& guid, const std::function<bool(THXFile&, TBixBinaryTag&)>& readProc) {
  const bool result = readProc(*this, GetCalculationTag());
  guid = FGUID;
  return result;
}

bool IsHX7File(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return false;
  char head[HXFileSignature.size()];
  in.read(head, sizeof head);
  return in.gcount() == static_cast<std::streamsize>(sizeof head) &&
         std::string_view(head, sizeof head) == HXFileSignature;
}

// --- list -------------------------------------------------------------------------------

THXFile& THXFileList::Add(std::unique_ptr<THXFile> file) {
  FFiles.push_back(std::move(file));
  return *FFiles.back();
}

THXFile& THXFileList::Insert(std::size_t index, std::unique_ptr<THXFile> file) {
  index = std::min(index, FFiles.size());
  return **FFiles.insert(FFiles.begin() + static_cast<std::ptrdiff_t>(index), std::move(file));
}

void THXFileList::Delete(std::size_t index) {
  if (index < FFiles.size()) FFiles.erase(FFiles.begin() + static_cast<std::ptrdiff_t>(index));
}

long THXFileList::IndexOf(const THXFile* file) const {
  for (std::size_t i = 0; i < FFiles.size(); ++i)
    if (FFiles[i].get() == file) return static_cast<long>(i);
  return -1;
}

long THXFileList::IndexOfName(std::string_view fileName) const {
  for (std::size_t i = 0; i < FFiles.size(); ++i)
    if (FFiles[i]->GetFileName() == fileName) return static_cast<long>(i);
  return -1;
}

long THXFileList::IndexOfGUID(const TGUID& guid) const {
  for (std::size_t i = 0; i < FFiles.size(); ++i)
    if (FFiles[i]->GetGUID() == guid) return static_cast<long>(i);
  return -1;
}

THXFile* THXFileList::FileOfGUID(const TGUID& guid, bool create) {
  const long i = IndexOfGUID(guid);
  if (i >= 0) return FFiles[static_cast<std::size_t>(i)].get();
  return create ? &Add(std::make_unique<THXFile>(guid)) : nullptr;
}

THXFile& THXFileList::Put(std::unique_ptr<THXFile> file) {
  const long i = IndexOfGUID(file->GetGUID());
  if (i < 0) return Add(std::move(file));
  FFiles[static_cast<std::size_t>(i)] = std::move(file);
  return *FFiles[static_cast<std::size_t>(i)];
}

THXFileList& HXFileList() {
  static THXFileList list;
  return list;
}

}  // namespace torvacalc
