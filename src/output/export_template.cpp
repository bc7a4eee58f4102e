#include "output/export_template.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/text_codec.h"
#include "framework/calc_item.h"
#include "framework/calc_message.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/units.h"
#include "output/hx_expression_parser.h"

namespace torvacalc {

namespace fs = std::filesystem;

namespace {

bool IsValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 4;
    if (n == 4) return false;
    for (size_t k = 1; k <= n; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

// Template documents and settings files are UTF-8 (a byte order mark is
// dropped) or, when they are not valid UTF-8, Windows-1252 as written by
// older editors.
std::string DecodeText(std::string bytes, bool forceUtf8) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
  if (forceUtf8 || IsValidUtf8(bytes)) return bytes;
  return Win1252ToUtf8(bytes);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  bytes = s.str();
  return true;
}

std::string Extension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  if (!ext.empty()) ext.erase(0, 1);
  return LowerAscii(ext);
}

// An INI file as sections of keys, names compared ignoring case.
class TIniText {
 public:
  explicit TIniText(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::string* section = nullptr;
    while (std::getline(in, line)) {
      const std::string t = TrimBlanks(line);
      if (t.empty() || t[0] == ';') continue;
      if (t.front() == '[' && t.back() == ']') {
        FSections.push_back({t.substr(1, t.size() - 2), {}});
        section = &FSections.back().first;
        continue;
      }
      const size_t eq = t.find('=');
      if (!section || eq == std::string::npos) continue;
      FSections.back().second.emplace_back(TrimBlanks(t.substr(0, eq)), TrimBlanks(t.substr(eq + 1)));
    }
  }
  bool Read(const std::string& section, const std::string& key, std::string& value) const {
    for (const auto& [name, keys] : FSections)
      if (SameName(name, section))
        for (const auto& [k, v] : keys)
          if (SameName(k, key)) {
            value = v;
            return true;
          }
    return false;
  }

 private:
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> FSections;
};

bool IniBool(const std::string& text, bool def) {
  const std::string t = LowerAscii(text);
  if (t == "1" || t == "-1" || t == "true" || t == "yes") return true;
  if (t == "0" || t == "false" || t == "no") return false;
  return def;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

// Natural order of element texts: ignoring case, digit runs compared as
// numbers, so that "DN 25" comes before "DN 100".
bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      size_t ei = i, ej = j;
      while (ei < a.size() && a[ei] == '0') ++ei;
      while (ej < b.size() && b[ej] == '0') ++ej;
      size_t ni = ei, nj = ej;
      while (ni < a.size() && digit(a[ni])) ++ni;
      while (nj < b.size() && digit(b[nj])) ++nj;
      if (ni - ei != nj - ej) return ni - ei < nj - ej;
      const int c = a.compare(ei, ni - ei, b, ej, nj - ej);
      if (c != 0) return c < 0;
      i = ni;
      j = nj;
      continue;
    }
    const char ca = LowerAscii(a[i]), cb = LowerAscii(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

const TBixBinaryTag* CalculationTag(const THXFile& file) {
  const TBixBinaryTag* t = file.Document().FindFirstTag("Calculations");
  return t ? t->FindFirstTag("Calculation") : nullptr;
}

const TBixBinaryTag* CalculationChild(const THXFile& file, const char* name) {
  const TBixBinaryTag* t = CalculationTag(file);
  return t ? t->FindFirstTag(name) : nullptr;
}

std::string CalcClassName(const THXFile& file) {
  const TBixBinaryTag* infos = CalculationChild(file, "Infos");
  return infos ? file.AttributeAsString(*infos, "ClassName") : std::string();
}

std::string TagText(const THXFile& file, const TBixBinaryTag& tag, const char* attribute) {
  return file.AttributeAsString(tag, attribute);
}

// The same without a copy where the attribute holds text; `buffer` keeps
// the text of other types.
std::string_view TagTextView(const THXFile& file, const TBixBinaryTag& tag, const char* attribute,
                             std::string& buffer) {
  const TBixBinaryAttribute* a = file.Attribute(tag, attribute);
  if (!a || a->IsNull) return {};
  if (const std::string* text = a->TextValue()) return *text;
  buffer = a->GetValueAsWideString();
  return buffer;
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// The integer of an attribute that is there, else nullopt (a null or
// unconvertible value reads as `def`).
std::optional<std::int64_t> PresentInteger(const THXFile& file, const TBixBinaryTag& tag, const char* attribute,
                                           std::int64_t def = 0) {
  const TBixBinaryAttribute* a = file.Attribute(tag, attribute);
  if (!a) return std::nullopt;
  return a->IsNull ? def : a->AsInteger().value_or(def);
}

std::string ItemName(const THXFile& file, const TBixBinaryTag& tag) {
  std::string name = TagText(file, tag, "Name");
  return name.empty() ? tag.TagName : name;
}

std::string UnitText(const THXFile& file, const TBixBinaryTag& tag) {
  const std::optional<std::int64_t> q = PresentInteger(file, tag, "CalcQuantity", -1);
  if (!q || *q < 0 || *q >= QuantityCount) return {};
  const auto unitNo = static_cast<int>(file.AttributeAsInteger(tag, "CalcUnitNo", 0));
  return TQuantityArray::GetUnitName(static_cast<TQuantity>(*q), unitNo);
}

std::string Label(const std::string& caption, const std::string& unit) {
  return unit.empty() ? caption : caption + " [" + unit + "]";
}

TExpTempField FieldOf(const std::string& field) {
  using F = TExpTempField;
  static const std::pair<std::string_view, F> kFields[] = {
      {"caption", F::Caption},         {"shortcaption", F::ShortCaption}, {"name", F::Name},
      {"unit", F::Unit},               {"longlabel", F::LongLabel},       {"shortlabel", F::ShortLabel},
      {"value", F::Value},             {"displaytext", F::DisplayText},   {"displaystate", F::DisplayState},
      {"calcunitno", F::CalcUnitNo},   {"calcquantity", F::CalcQuantity}, {"enabled", F::Enabled},
      {"utilized", F::Utilized},       {"classname", F::ClassName},       {"messagetype", F::MessageType},
      {"text", F::Text},               {"data", F::Data},
  };
  const std::string f = LowerAscii(field);
  for (const auto& [name, kind] : kFields)
    if (name == f) return kind;
  return F::Other;
}

// A field of an item (or of a page or group) of a calculation file; `field`
// is the name `kind` was read from.
TExportValue ParamField(const THXFile& file, const TBixBinaryTag& tag, TExpTempField kind, const std::string& field) {
  using F = TExpTempField;
  switch (kind) {
    case F::Caption: return TExportValue::Text(TagText(file, tag, "Caption"));
    case F::ShortCaption: return TExportValue::Text(TagText(file, tag, "ShortCaption"));
    case F::Name: return TExportValue::Text(ItemName(file, tag));
    case F::Unit: return TExportValue::Text(UnitText(file, tag));
    case F::LongLabel: return TExportValue::Text(Label(TagText(file, tag, "Caption"), UnitText(file, tag)));
    case F::ShortLabel: {
      std::string caption = TagText(file, tag, "ShortCaption");
      if (caption.empty()) caption = ItemName(file, tag);
      return TExportValue::Text(Label(caption, UnitText(file, tag)));
    }
    case F::Value:
      if (file.AttributeExists(tag, "Value") || file.AttributeExists(tag, "CalcQuantity"))
        return ItemDisplayValue(file, tag);
      if (file.AttributeExists(tag, "Text")) return TExportValue::Text(TagText(file, tag, "Text"));
      return TExportValue::Text(TagText(file, tag, "DisplayText"));
    case F::DisplayText: return TExportValue::Text(TagText(file, tag, "DisplayText"));
    case F::DisplayState:
    case F::CalcUnitNo:
    case F::CalcQuantity: {
      const char* name = kind == F::DisplayState ? "DisplayState" : kind == F::CalcUnitNo ? "CalcUnitNo" : "CalcQuantity";
      const std::optional<std::int64_t> v = PresentInteger(file, tag, name);
      return v ? TExportValue::Integer(*v) : TExportValue();
    }
    case F::Enabled: return TExportValue::Boolean(file.AttributeAsBoolean(tag, "Enabled", true));
    case F::Utilized: return TExportValue::Boolean(file.AttributeAsBoolean(tag, "Utilized", true));
    case F::ClassName: return TExportValue::Text(TagText(file, tag, "ClassName"));
    case F::MessageType: {
      const std::int64_t type = file.AttributeAsInteger(tag, "TroubleType", cmNoError);
      if (type < cmCalculationError || type >= cmNoLink) return TExportValue::Text({});
      return TExportValue::Text(GetMessageClassCaption(TroubleIconOfType(static_cast<tCalcMessageType>(type))));
    }
    case F::Text:
    case F::Data:
    case F::Other: break;
  }
  return AttributeValue(file, tag, field);
}

// A field of an additional parameter.
TExportValue AddParamField(const THXFile& file, const TBixBinaryTag& tag, TExpTempField kind,
                           const std::string& field) {
  using F = TExpTempField;
  if (kind == F::Text) return TExportValue::Text(AddParamText(file, tag));
  if (kind == F::Data) return AttributeValue(file, tag, "Data");
  const bool reference = SameName(TagText(file, tag, "ClassName"), "THXAddDataParameter");
  const TBixBinaryTag* item = reference ? file.GetParameterTag(TagText(file, tag, "Data")) : nullptr;
  if (kind == F::Value) {
    if (reference) return item ? ItemDisplayValue(file, *item) : TExportValue();
    return AttributeValue(file, tag, "Data");
  }
  if (kind == F::DisplayText && !file.AttributeExists(tag, "DisplayText"))
    return TExportValue::Text(AddParamText(file, tag));
  if (item && (kind == F::Unit || kind == F::CalcUnitNo || kind == F::CalcQuantity))
    return ParamField(file, *item, kind, field);
  return ParamField(file, tag, kind, field);
}

bool IsVisible(const THXFile& file, const TBixBinaryTag& tag) {
  return file.AttributeAsBoolean(tag, "Visible", true);
}

}  // namespace

// --- kinds and settings ------------------------------------------------------------------------

TExportTemplKind TExportTemplFileExt(const std::string& extension) {
  std::string e = LowerAscii(extension);
  if (!e.empty() && e[0] == '.') e.erase(0, 1);
  if (e == "txt" || e == "htm" || e == "html" || e == "xml") return TExportTemplKind::Text;
  if (e == "xls" || e == "xlsx" || e == "xlsm") return TExportTemplKind::Spreadsheet;
  if (e == "doc" || e == "docx") return TExportTemplKind::WordProcessor;
  return TExportTemplKind::Unknown;
}

void TExportTemplateSettings::LoadFromIni(const std::string& fileName) {
  std::string bytes;
  if (!ReadFileBytes(fileName, bytes)) throw EExportTemplate(fileName + ": cannot read the template settings");
  const TIniText ini(DecodeText(std::move(bytes), Extension(fileName) == "hxe_u8"));
  auto text = [&](const char* section, const char* key, std::string& value) { ini.Read(section, key, value); };
  auto flag = [&](const char* section, const char* key, bool& value) {
    std::string t;
    if (ini.Read(section, key, t)) value = IniBool(t, value);
  };
  text("Informations", "Caption", Caption);
  if (ini.Read("Informations", "Description", Description)) Description = Replace(Description, "||", "\n");
  text("Informations", "ID", ID);
  text("Informations", "Created", Created);
  text("Informations", "Modified", Modified);
  text("Format", "BeginMeta", BeginMeta);
  text("Format", "EndMeta", EndMeta);
  text("Format", "BeginComment", BeginComment);
  text("Format", "EndComment", EndComment);
  text("Format", "Iterations", Iterations);
  text("Format", "Conditions", Conditions);
  text("Format", "Escape", Escape);
  text("Calculations", "Modules", Modules);
  text("Calculations", "Count", Count);
  flag("Other", "UseInternalGUI", UseInternalGUI);
  flag("Other", "WantIntExtSelect", WantIntExtSelect);
  text("Selections", "MultiPage", MultiPage);
  text("Selections", "Tables", Tables);
  text("Selections", "Graphics", Graphics);
  // A marker cannot be empty: the document could not be walked.
  const TExportTemplateSettings defaults;
  if (BeginMeta.empty()) BeginMeta = defaults.BeginMeta;
  if (EndMeta.empty()) EndMeta = defaults.EndMeta;
  if (BeginComment.empty()) BeginComment = defaults.BeginComment;
  if (EndComment.empty()) EndComment = defaults.EndComment;
}

void TExportTemplateSettings::SaveToIni(const std::string& fileName) const {
  std::ostringstream s;
  auto section = [&](const char* name) { s << (s.tellp() > 0 ? "\r\n" : "") << '[' << name << "]\r\n"; };
  auto key = [&](const char* name, const std::string& value) { s << name << '=' << value << "\r\n"; };
  section("Informations");
  key("Caption", Caption);
  key("Description", Replace(Replace(Description, "\r\n", "\n"), "\n", "||"));
  key("ID", ID);
  key("Created", Created);
  key("Modified", Modified);
  section("Format");
  key("BeginMeta", BeginMeta);
  key("EndMeta", EndMeta);
  key("BeginComment", BeginComment);
  key("EndComment", EndComment);
  key("Iterations", Iterations);
  key("Conditions", Conditions);
  if (!Escape.empty()) key("Escape", Escape);
  section("Calculations");
  key("Modules", Modules);
  key("Count", Count);
  section("Other");
  key("UseInternalGUI", UseInternalGUI ? "1" : "0");
  key("WantIntExtSelect", WantIntExtSelect ? "1" : "0");
  section("Selections");
  key("MultiPage", MultiPage);
  key("Tables", Tables);
  key("Graphics", Graphics);
  const std::string text = Extension(fileName) == "hxe_u8" ? s.str() : Utf8ToWin1252(s.str());
  std::string error;
  if (!WriteFileAtomically(fileName, text, &error)) throw EExportTemplate(fileName + ": " + error);
}

TExportCount TExportTemplateSettings::CountMode() const {
  const std::string c = LowerAscii(TrimBlanks(Count));
  if (c == "1") return TExportCount::Single;
  if (c == "multifile") return TExportCount::MultiFile;
  if (c == "multipage") return TExportCount::MultiPage;
  if (c == "multi") return TExportCount::Multi;
  return TExportCount::Continuous;
}

bool TExportTemplateSettings::AcceptsModule(const std::string& className) const {
  std::string shortName = className;
  for (const char* prefix : {"TSCM", "TCM", "T"})
    if (shortName.rfind(prefix, 0) == 0) {
      shortName.erase(0, std::string(prefix).size());
      break;
    }
  std::stringstream list(Modules);
  std::string entry;
  bool any = false;
  while (std::getline(list, entry, ',')) {
    entry = TrimBlanks(entry);
    if (entry.empty()) continue;
    any = true;
    if (entry == "*" || SameName(entry, className) || SameName(entry, shortName)) return true;
  }
  return !any;
}

// --- processing ------------------------------------------------------------------------------

TExportTemplate::TExportTemplate(std::string documentFile) : FDocumentFile(std::move(documentFile)) {
  if (FDocumentFile.empty()) return;
  FKind = TExportTemplFileExt(Extension(FDocumentFile));
  fs::path base(FDocumentFile);
  for (const char* ext : {".hxe", ".hxe_u8"}) {
    const fs::path settings = fs::path(base).replace_extension(ext);
    std::error_code ec;
    if (fs::is_regular_file(settings, ec)) {
      FSettingsFile = settings.string();
      Settings.LoadFromIni(FSettingsFile);
      break;
    }
  }
}

void TExportTemplate::SetCalculations(std::vector<const THXFile*> calculations) {
  FCalculations = std::move(calculations);
}

const THXFile* TExportTemplate::CurrentCalculation() const {
  return FCurrentCalcIndex >= 0 && static_cast<std::size_t>(FCurrentCalcIndex) < FCalculations.size()
             ? FCalculations[static_cast<std::size_t>(FCurrentCalcIndex)]
             : nullptr;
}

void TExportTemplate::SelectCalculation(long index) { FCurrentCalcIndex = index; }

void TExportTemplate::CalculationDone(std::size_t index) {
  if (!OnCalculationDone) return;  // the owner keeps its files; so does the template
  if (FCurrentCalcIndex == static_cast<long>(index)) FCurrentCalcIndex = -1;
  FCalculations[index] = nullptr;
  OnCalculationDone(index);
}

void TExportTemplate::CheckAccepted(const THXFile& file) const {
  const std::string className = CalcClassName(file);
  if (!Settings.AcceptsModule(className))
    throw EExportTemplate(CalcFileName(file) + ": the template does not accept calculations of the kind \"" +
                          className + "\" (it takes " + Settings.Modules + ")");
}

void TExportTemplate::Acquire(std::size_t index) {
  if (FCalculations[index] != nullptr || !OnCalculationNeeded) return;
  const THXFile* file = OnCalculationNeeded(index);
  if (file == nullptr) throw EExportTemplate("calculation " + std::to_string(index + 1) + " is missing");
  CheckAccepted(*file);
  FCalculations[index] = file;
}

void TExportTemplate::Execute() {
  if (!OnCalculationNeeded)
    for (const THXFile* file : FCalculations) CheckAccepted(*file);
  const TExportCount mode = Settings.CountMode();
  if (mode == TExportCount::Single && FCalculations.size() > 1)
    throw EExportTemplate("the template exports one calculation at a time, not " +
                          std::to_string(FCalculations.size()));
  FDocuments.clear();
  FCancelled = false;
  const std::size_t total = FCalculations.size();
  if (mode == TExportCount::Multi) {
    std::vector<std::size_t> all(total);
    for (std::size_t i = 0; i < total; ++i) {
      all[i] = i;
      Acquire(i);
    }
    Process(all);
    for (std::size_t i = 0; i < total; ++i) CalculationDone(i);
    if (OnProgress) OnProgress(total, total);
    return;
  }
  for (std::size_t i = 0; i < total && !FCancelled; ++i) {
    if (i > 0 && OnCancelQuery && OnCancelQuery()) {
      FCancelled = true;
      break;
    }
    Acquire(i);
    Process({i});
    CalculationDone(i);
    if (OnProgress) OnProgress(i + 1, total);
  }
  if (mode == TExportCount::MultiFile || FDocuments.size() <= 1) return;
  // One continuous document.
  TExportDocument joined;
  const bool pageBreaks = mode == TExportCount::MultiPage && !FEscapeHtml;
  std::size_t size = FDocuments.size();
  for (const TExportDocument& d : FDocuments) size += d.Text.size();
  joined.Text.reserve(size);
  joined.Calculations.reserve(FDocuments.size());
  for (std::size_t i = 0; i < FDocuments.size(); ++i) {
    if (i > 0 && pageBreaks) joined.Text += '\f';
    joined.Text += FDocuments[i].Text;
    joined.Calculations.insert(joined.Calculations.end(), FDocuments[i].Calculations.begin(),
                               FDocuments[i].Calculations.end());
  }
  FDocuments.assign(1, std::move(joined));
}

void TExportTemplate::Process(const std::vector<std::size_t>& selected) {
  FSelected = selected;
  BeforeProcess();
  while (DoParseStep()) {
    if (OnCancelQuery && OnCancelQuery()) {
      FCancelled = true;
      break;
    }
  }
  AfterProcess();
  SaveResult();
}

void TExportTemplate::BeforeProcess() {
  FPosition = 0;
  FResult.clear();
  FBlocks.clear();
  FLoops.clear();
  FConditions.clear();
  FEraseCount = 0;
  SelectCalculation(FSelected.empty() ? -1 : static_cast<long>(FSelected.front()));
  if (!Settings.Escape.empty()) {
    FEscapeHtml = SameName(Settings.Escape, "HTML") || SameName(Settings.Escape, "XML");
  } else {
    const std::string ext = Extension(FDocumentFile);
    FEscapeHtml = ext == "htm" || ext == "html" || ext == "xml";
  }
}

void TExportTemplate::AfterProcess() {
  // Blocks left open at the end of the document close with it.
  FBlocks.clear();
  FLoops.clear();
  FConditions.clear();
  FEraseCount = 0;
}

void TExportTemplate::SaveResult() { FDocuments.push_back({FResult, FSelected}); }

void TExportTemplate::Emit(std::string_view text) {
  if (FEraseCount == 0) FResult += text;
}

void TExportTemplate::SplitCommand(const std::string& text, std::string& name, std::string& argumentText,
                                   std::vector<std::string>& arguments) {
  const size_t open = text.find('(');
  arguments.clear();
  if (open == std::string::npos) {
    name = TrimBlanks(text);
    argumentText.clear();
  } else {
    name = TrimBlanks(text.substr(0, open));
    const size_t close = text.rfind(')');
    argumentText = close == std::string::npos || close < open ? text.substr(open + 1)
                                                              : text.substr(open + 1, close - open - 1);
  }
  size_t start = 0;
  for (;;) {
    const size_t comma = argumentText.find(',', start);
    arguments.push_back(argumentText.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (arguments.size() < 10) arguments.resize(10);
}

std::string TExportTemplate::Parse(const std::string& command) { return RunCommand(CompileCommand(command)); }

TExpTempCommand TExportTemplate::CompileCommand(const std::string& command) const {
  std::string text = command;
  if (text.rfind(Settings.BeginMeta, 0) == 0) text.erase(0, Settings.BeginMeta.size());
  if (text.size() >= Settings.EndMeta.size() &&
      text.compare(text.size() - Settings.EndMeta.size(), Settings.EndMeta.size(), Settings.EndMeta) == 0)
    text.erase(text.size() - Settings.EndMeta.size());
  TExpTempCommand c;
  std::string name;
  SplitCommand(text, name, c.ArgumentText, c.Arguments);
  c.Name = LowerAscii(name);
  c.Trimmed.reserve(c.Arguments.size());
  for (const std::string& a : c.Arguments) c.Trimmed.push_back(TrimBlanks(a));
  using K = TExpTempCommand::TKind;
  if (c.Name == "loop") {
    c.Kind = K::Loop;
  } else if (c.Name == "if") {
    c.Kind = K::If;
    c.Condition = TExpressionParser::Compile(c.ArgumentText);
  } else if (c.Name == "else") {
    c.Kind = K::Else;
  } else if (c.Name == "end") {
    c.Kind = K::End;
  } else if (c.Name == "param" || c.Name == "addparam") {
    c.Field = FieldOf(c.Trimmed[1]);
    ReadFieldFormat(c, 2);
  } else if (c.Name == "infos") {
    ReadFieldFormat(c, 1);
  } else {
    ReadFieldFormat(c, 0);
  }
  return c;
}

std::string TExportTemplate::RunCommand(const TExpTempCommand& c) {
  std::string text;
  RunCommand(c, text);
  return text;
}

void TExportTemplate::RunCommand(const TExpTempCommand& c, std::string& out) {
  switch (c.Kind) {
    case TExpTempCommand::TKind::Loop: LoopCommand(c.Arguments); return;
    case TExpTempCommand::TKind::If: IfCommand(c); return;
    case TExpTempCommand::TKind::Else: ElseCommand(); return;
    case TExpTempCommand::TKind::End: EndCommand(); return;
    case TExpTempCommand::TKind::Value: break;
  }
  if (!Erasing()) ValueCommand(c, out);
}

void TExportTemplate::ReadFieldFormat(TExpTempCommand& c, std::size_t first) {
  const std::vector<std::string>& args = c.Trimmed;
  c.Alignment = first < args.size() ? args[first] : std::string();
  // The field as the template wrote it, for the error messages.
  auto field = [&] {
    std::string text = c.Name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i >= first + 2 && args[i].empty()) break;
      text += (i > 0 ? ", " : "") + args[i];
    }
    return text + ")";
  };
  if (first + 1 < args.size()) {
    const std::string& widthText = args[first + 1];
    errno = 0;
    c.Width = std::strtol(widthText.c_str(), nullptr, 10);
    if (errno == ERANGE || c.Width > ExportMaxFieldWidth) {
      c.FormatError = "field " + field() + ": width " + widthText + " is more than " +
                      std::to_string(ExportMaxFieldWidth) + " characters";
      return;
    }
  }
  // The pattern may hold grouping commas, which split it into several
  // arguments: everything after the width belongs to it, but a last "cut".
  std::size_t last = args.size();
  while (last > first + 2 && args[last - 1].empty()) --last;
  std::string& pattern = c.Pattern;
  for (std::size_t i = first + 2; i < last; ++i) pattern += (i > first + 2 ? "," : "") + args[i];
  if (SameName(pattern, "cut")) {
    c.Cut = true;
    pattern.clear();
  } else if (pattern.size() > 4 && SameName(pattern.substr(pattern.size() - 4), ",cut")) {
    c.Cut = true;
    pattern.erase(pattern.size() - 4);
  }
  if (NumberPatternDigits(pattern) > ExportMaxPatternDigits)
    c.FormatError = "field " + field() + ": the pattern has more than " + std::to_string(ExportMaxPatternDigits) +
                    " digits in a row";
}

void TExportTemplate::FormatField(const TExpTempCommand& c, TExportValue value, std::string& out) const {
  if (!c.FormatError.empty()) throw EExportTemplate(c.FormatError);
  // A text is what it shows: taken over rather than copied.
  std::string* text = std::get_if<std::string>(&value.Data);
  const std::string formatted = text ? std::move(*text) : FormatExportValue(value, c.Pattern);
  AppendAligned(out, formatted, c.Alignment, c.Width, c.Cut, FEscapeHtml);
}

const TExpTempElement* TExportTemplate::LoopElement(const std::string& kindWord) const {
  for (auto it = FLoops.rbegin(); it != FLoops.rend(); ++it)
    if (!it->Erasing && it->Index >= 0 && SameName(it->KindWord, kindWord))
      return &it->Elements[static_cast<std::size_t>(it->Index)];
  return nullptr;
}

const TBixBinaryTag* TExportTemplate::CurrentElementTag(TExpTempLoopKind kind) const {
  for (auto it = FLoops.rbegin(); it != FLoops.rend(); ++it)
    if (it->Kind == kind && !it->Erasing && it->Index >= 0)
      return it->Elements[static_cast<std::size_t>(it->Index)].Tag;
  return nullptr;
}

void TExportTemplate::ValueCommand(const TExpTempCommand& c, std::string& out) {
  const THXFile* file = CurrentCalculation();
  if (!file) return;
  const std::string& name = c.Name;
  if (name == "param" || name == "addparam") {
    const std::string& target = c.Trimmed[0];
    const TBixBinaryTag* tag = nullptr;
    if (const TExpTempElement* e = LoopElement(target)) tag = e->Tag;
    if (!tag) tag = name == "param" ? file->GetParameterTag(target) : file->GetAddParameterTag(target);
    if (!tag) return;
    const std::string& field = c.Trimmed[1];
    FormatField(c, name == "param" ? ParamField(*file, *tag, c.Field, field) : AddParamField(*file, *tag, c.Field, field),
                out);
    return;
  }
  if (name == "infos") {
    const std::string& field = c.Trimmed[0];
    TExportValue value;
    if (SameName(field, "Caption")) {
      std::string caption = file->GetIdentifier();
      if (caption.empty()) caption = fs::path(file->GetFileName()).stem().string();
      value = TExportValue::Text(caption);
    } else if (SameName(field, "Summary")) {
      value = TExportValue::Text(file->FileInfos().Text());
    } else if (const TBixBinaryTag* infos = file->Document().FindFirstTag("Infos");
               infos && !FindAttributeName(*file, *infos, field).empty()) {
      value = AttributeValue(*file, *infos, field);
    } else if (const TBixBinaryTag* calcInfos = CalculationChild(*file, "Infos");
               calcInfos && !FindAttributeName(*file, *calcInfos, field).empty()) {
      value = AttributeValue(*file, *calcInfos, field);
    } else {
      value = TExportValue::Text(file->FileInfos().Value(field));
    }
    FormatField(c, std::move(value), out);
    return;
  }
  if (name == "fullfilename") FormatField(c, TExportValue::Text(CalcFullFileName(*file)), out);
  else if (name == "filename") FormatField(c, TExportValue::Text(CalcFileName(*file)), out);
  else if (name == "filepath") FormatField(c, TExportValue::Text(CalcFilePath(*file)), out);
}

std::vector<TExpTempElement> TExportTemplate::LoopElements(TExpTempLoopKind kind,
                                                           const std::vector<std::string>& options) const {
  bool wantEmpty = false, wantInvisible = false;
  int order = 0;
  for (const std::string& o : options) {
    if (SameName(o, "WantEmpty")) wantEmpty = true;
    else if (SameName(o, "WantInvisible")) wantInvisible = true;
    else if (SameName(o, "AlphaNumOrder")) order = 1;
    else if (SameName(o, "InvAlphaNumOrder")) order = -1;
  }
  std::vector<TExpTempElement> elements;
  const THXFile* file = CurrentCalculation();
  // The text of an element is what it is sorted by; unsorted elements do
  // without it.
  auto caption = [&](const TBixBinaryTag& tag) {
    if (order == 0) return std::string();
    std::string c = TagText(*file, tag, "Caption");
    return c.empty() ? ItemName(*file, tag) : c;
  };
  std::string buffer;
  auto addItem = [&](const TBixBinaryTag* tag) {
    if (!tag) return;
    if (const TBixBinaryAttribute* valid = file->Attribute(*tag, "_ItemIsValid");
        valid && (valid->IsNull || !valid->AsBoolean().value_or(false)))
      return;
    if (!wantEmpty && (!file->AttributeAsBoolean(*tag, "Utilized", true) ||
                       IsBlank(TagTextView(*file, *tag, "DisplayText", buffer))))
      return;
    if (!wantInvisible && (file->AttributeAsInteger(*tag, "DisplayState", dsNormal) == dsInvisible ||
                           PresentInteger(*file, *tag, "DetailLevel") == dlInvisible))
      return;
    elements.push_back({caption(*tag), tag, -1});
  };
  auto addContainer = [&](const TBixBinaryTag& tag) {
    if (wantInvisible || IsVisible(*file, tag)) elements.push_back({caption(tag), &tag, -1});
  };
  switch (kind) {
    case TExpTempLoopKind::Calculations:
      for (std::size_t i : FSelected)
        elements.push_back({CalcFileName(*FCalculations[i]), nullptr, static_cast<long>(i)});
      break;
    case TExpTempLoopKind::Pages:
      if (!file) break;
      if (const TBixBinaryTag* s = CalculationChild(*file, "Structure"))
        for (const auto& page : s->GetTags()) addContainer(*page);
      break;
    case TExpTempLoopKind::Groups: {
      if (!file) break;
      auto addGroups = [&](const TBixBinaryTag& page) {
        for (const auto& group : page.GetTags()) addContainer(*group);
      };
      if (const TBixBinaryTag* page = CurrentElementTag(TExpTempLoopKind::Pages)) {
        addGroups(*page);
      } else if (const TBixBinaryTag* s = CalculationChild(*file, "Structure")) {
        for (const auto& p : s->GetTags())
          if (wantInvisible || IsVisible(*file, *p)) addGroups(*p);
      }
      break;
    }
    case TExpTempLoopKind::Parameters:
      if (!file) break;
      if (const TBixBinaryTag* group = CurrentElementTag(TExpTempLoopKind::Groups)) {
        for (const auto& ref : group->GetTags()) addItem(file->GetParameterTag(ItemName(*file, *ref)));
      } else if (const TBixBinaryTag* items = CalculationChild(*file, "Items")) {
        for (const auto& item : items->GetTags()) addItem(item.get());
      }
      break;
    case TExpTempLoopKind::AddParameters:
      if (!file) break;
      if (const TBixBinaryTag* data = CalculationChild(*file, "AdditionalDatas"))
        if (const TBixBinaryTag* items = data->FindFirstTag("Items"))
          for (const auto& item : items->GetTags())
            if (wantEmpty || !TrimBlanks(AddParamText(*file, *item)).empty())
              elements.push_back({caption(*item), item.get(), -1});
      break;
  }
  if (order != 0)
    std::stable_sort(elements.begin(), elements.end(), [order](const TExpTempElement& a, const TExpTempElement& b) {
      return order > 0 ? NaturalLess(a.Text, b.Text) : NaturalLess(b.Text, a.Text);
    });
  return elements;
}

void TExportTemplate::LoopCommand(const std::vector<std::string>& args) {
  TExpTempLoop loop;
  loop.KindWord = TrimBlanks(args[0]);
  loop.Bookmark = FPosition;
  const std::string k = LowerAscii(loop.KindWord);
  bool known = true;
  if (k == "calculations" || k == "calculation" || k == "calc") loop.Kind = TExpTempLoopKind::Calculations;
  else if (k == "pages" || k == "page") loop.Kind = TExpTempLoopKind::Pages;
  else if (k == "groups" || k == "group") loop.Kind = TExpTempLoopKind::Groups;
  else if (k == "parameters" || k == "parameter" || k == "param") loop.Kind = TExpTempLoopKind::Parameters;
  else if (k == "addparameters" || k == "addparameter" || k == "addparam") loop.Kind = TExpTempLoopKind::AddParameters;
  else known = false;
  if (known && !Erasing()) {
    std::vector<std::string> options;
    for (std::size_t i = 1; i < args.size(); ++i)
      if (!TrimBlanks(args[i]).empty()) options.push_back(TrimBlanks(args[i]));
    loop.Elements = LoopElements(loop.Kind, options);
  }
  if (loop.Elements.empty()) {
    loop.Erasing = true;
    ++FEraseCount;
  } else {
    loop.Index = 0;
    if (loop.Kind == TExpTempLoopKind::Calculations) {
      loop.SavedCalcIndex = FCurrentCalcIndex;
      SelectCalculation(loop.Elements.front().CalcIndex);
    }
  }
  FLoops.push_back(std::move(loop));
  FBlocks.push_back(TBlockKind::Loop);
}

void TExportTemplate::IfCommand(const TExpTempCommand& c) {
  bool value = false;
  if (!Erasing()) {
    THXExpressionParser parser(CurrentCalculation());
    if (const TBixBinaryTag* item = CurrentElementTag(TExpTempLoopKind::Parameters); item && CurrentCalculation())
      parser.SourceParam = ItemName(*CurrentCalculation(), *item);
    const TExprValue result = parser.Evaluate(*c.Condition);
    value = parser.ErrorPos() == 0 && result.AsBoolean();
  }
  FConditions.push_back({value});
  FBlocks.push_back(TBlockKind::Condition);
  if (!value) ++FEraseCount;
}

void TExportTemplate::ElseCommand() {
  if (FBlocks.empty() || FBlocks.back() != TBlockKind::Condition) return;
  TExpTempCondition& c = FConditions.back();
  c.Value = !c.Value;
  FEraseCount += c.Value ? -1 : 1;
}

void TExportTemplate::EndCommand() {
  if (FBlocks.empty()) return;  // an End without a block is ignored
  if (FBlocks.back() == TBlockKind::Condition) {
    if (!FConditions.back().Value) --FEraseCount;
    FConditions.pop_back();
    FBlocks.pop_back();
    return;
  }
  TExpTempLoop& loop = FLoops.back();
  if (loop.Erasing) {
    --FEraseCount;
  } else if (static_cast<std::size_t>(++loop.Index) < loop.Elements.size()) {
    if (loop.Kind == TExpTempLoopKind::Calculations)
      SelectCalculation(loop.Elements[static_cast<std::size_t>(loop.Index)].CalcIndex);
    FPosition = loop.Bookmark;
    return;
  } else if (loop.Kind == TExpTempLoopKind::Calculations) {
    SelectCalculation(loop.SavedCalcIndex);
  }
  FLoops.pop_back();
  FBlocks.pop_back();
}

// --- plain-text documents ----------------------------------------------------------------------

TAsciiExpTemplate::TAsciiExpTemplate(std::string documentFile) : TExportTemplate(std::move(documentFile)) {
  if (DocumentFile().empty()) return;
  std::string bytes;
  if (!ReadFileBytes(DocumentFile(), bytes)) throw EExportTemplate(DocumentFile() + ": cannot read the template");
  FText = DecodeText(std::move(bytes), false);
}

std::unique_ptr<TAsciiExpTemplate> TAsciiExpTemplate::FromText(std::string text, bool html) {
  auto t = std::make_unique<TAsciiExpTemplate>(std::string());
  t->FText = std::move(text);
  t->Settings.Escape = html ? "HTML" : "None";
  return t;
}

void TAsciiExpTemplate::Compile() {
  FSteps.clear();
  FCommands.clear();
  const std::size_t size = FText.size();
  auto find = [&](const std::string& marker, std::size_t from) {
    const std::size_t at = FText.find(marker, from);
    return at == std::string::npos ? size : at;
  };
  std::size_t position = 0;
  for (;;) {
    TStep step;
    step.LiteralBegin = position;
    if (position >= size) {
      FSteps.push_back(step);
      break;
    }
    const std::size_t meta = find(Settings.BeginMeta, position);
    const std::size_t comment = find(Settings.BeginComment, position);
    const std::size_t next = std::min(meta, comment);
    step.LiteralLength = next - position;
    if (next == size) {
      FSteps.push_back(step);
      break;
    }
    if (comment < meta) {
      const std::size_t end = find(Settings.EndComment, comment + Settings.BeginComment.size());
      position = end == size ? size : end + Settings.EndComment.size();
      step.Kind = TStep::TKind::Comment;
      FSteps.push_back(step);
      continue;
    }
    const std::size_t end = find(Settings.EndMeta, meta + Settings.BeginMeta.size());
    const std::size_t commandEnd = end == size ? size : end + Settings.EndMeta.size();
    step.Kind = TStep::TKind::Command;
    step.Command = FCommands.size();
    FCommands.push_back(CompileCommand(FText.substr(meta, commandEnd - meta)));
    FSteps.push_back(step);
    position = commandEnd;
  }
}

void TAsciiExpTemplate::BeforeProcess() {
  TExportTemplate::BeforeProcess();
  // The document is read into steps once; changed markers read it again.
  std::string markers = Settings.BeginMeta + '\n' + Settings.EndMeta + '\n' + Settings.BeginComment + '\n' +
                        Settings.EndComment;
  if (!FCompiled || markers != FCompiledMarkers) {
    Compile();
    FCompiledMarkers = std::move(markers);
    FCompiled = true;
  }
}

bool TAsciiExpTemplate::DoParseStep() {
  if (FPosition >= FSteps.size()) return false;
  const TStep& step = FSteps[FPosition++];
  Emit(std::string_view(FText).substr(step.LiteralBegin, step.LiteralLength));
  switch (step.Kind) {
    case TStep::TKind::Last:
      FPosition = FSteps.size();
      return false;
    case TStep::TKind::Comment: return true;
    case TStep::TKind::Command: break;
  }
  RunCommand(FCommands[step.Command], FResult);
  return true;
}

std::unique_ptr<TExportTemplate> CreateExportTemplate(const std::string& documentFile) {
  const std::string ext = Extension(documentFile);
  switch (TExportTemplFileExt(ext)) {
    case TExportTemplKind::Text: return std::make_unique<TAsciiExpTemplate>(documentFile);
    case TExportTemplKind::Spreadsheet:
    case TExportTemplKind::WordProcessor:
      throw EExportTemplate(documentFile + ": " + ext +
                            " templates are filled through an office application's automation, which this "
                            "program does not have; use a text, HTML or XML template");
    case TExportTemplKind::Unknown: break;
  }
  throw EExportTemplate(documentFile + ": not a template document (expected .txt, .htm, .html or .xml)");
}

// --- the template folders ----------------------------------------------------------------------

std::vector<std::string> TExpTempGlobalList::SearchDirs() {
  std::vector<std::string> dirs;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') {
    dirs.push_back((fs::path(xdg) / "torvacalc" / "templates").string());
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    dirs.push_back((fs::path(home) / ".local" / "share" / "torvacalc" / "templates").string());
  }
  dirs.push_back((fs::path(ProgramDataDir()) / "templates").string());
  return dirs;
}

void TExpTempGlobalList::Refresh() {
  FItems.clear();
  for (const std::string& dir : SearchDirs()) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) continue;
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
      const std::string ext = Extension(entry.path().string());
      if ((ext == "hxe" || ext == "hxe_u8") && entry.is_regular_file(ec)) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& settings : found) {
      TExpTempInfo info;
      info.Name = settings.stem().string();
      if (Find(info.Name)) continue;  // hidden by a template found before
      info.SettingsFile = settings.string();
      for (const char* ext : {".txt", ".htm", ".html", ".xml", ".xls", ".xlsx", ".xlsm", ".doc", ".docx"}) {
        const fs::path doc = fs::path(settings).replace_extension(ext);
        if (fs::is_regular_file(doc, ec)) {
          info.DocumentFile = doc.string();
          break;
        }
      }
      try {
        TExportTemplateSettings s;
        s.LoadFromIni(info.SettingsFile);
        info.Caption = s.Caption;
      } catch (const EExportTemplate&) {
      }
      FItems.push_back(std::move(info));
    }
  }
}

const TExpTempInfo* TExpTempGlobalList::Find(const std::string& name) const {
  std::string key = name;
  const std::string ext = Extension(name);
  if (ext == "hxe" || ext == "hxe_u8") key = fs::path(name).stem().string();
  for (const TExpTempInfo& info : FItems)
    if (SameName(info.Name, key)) return &info;
  return nullptr;
}

}  // namespace torvacalc
