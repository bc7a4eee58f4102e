#include "output/hx_expression_parser.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "framework/item_tag.h"
#include "framework/units.h"

namespace torvacalc {

namespace fs = std::filesystem;

namespace {

// A raw argument token: quoted arguments lose their quotes (a doubled
// quote inside stands for one).
std::string Unquote(const std::string& token) {
  if (token.size() < 2 || token.front() != '"') return token;
  std::string out;
  const size_t end = token.back() == '"' ? token.size() - 1 : token.size();
  for (size_t i = 1; i < end; ++i) {
    out += token[i];
    if (token[i] == '"' && i + 1 < end && token[i + 1] == '"') ++i;
  }
  return out;
}

bool IsBlankText(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

TExprValue RealValue(Extended v) {
  if (!HasValue(v) || !std::isfinite(v) || std::fabs(v) > std::numeric_limits<double>::max()) return {};
  return TExprValue::Real(static_cast<double>(v));
}

TExprValue FromExportValue(const TExportValue& v) {
  struct Visitor {
    TExprValue operator()(std::monostate) const { return {}; }
    TExprValue operator()(std::int64_t i) const { return TExprValue::Integer(i); }
    TExprValue operator()(Extended x) const { return RealValue(x); }
    TExprValue operator()(const TExportValue::TDate& d) const { return RealValue(d.DayNumber); }
    TExprValue operator()(const std::string& s) const { return TExprValue::Text(s); }
    TExprValue operator()(bool b) const { return TExprValue::Boolean(b); }
  };
  return std::visit(Visitor{}, v.Data);
}

// The quantity an item's tag names, when it is a valid one.
std::optional<TQuantity> TagQuantity(const THXFile& file, const TBixBinaryTag& tag) {
  const TBixBinaryAttribute* a = file.Attribute(tag, "CalcQuantity");
  if (!a) return std::nullopt;
  const std::int64_t q = a->IsNull ? -1 : a->AsInteger().value_or(-1);
  if (q < 0 || q >= QuantityCount) return std::nullopt;
  return static_cast<TQuantity>(q);
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

const TBixBinaryAttribute* TemplateAttribute(const THXFile& file, const TBixBinaryTag& tag, const std::string& name,
                                             std::string* stored) {
  if (name.empty()) return nullptr;
  if (const TBixBinaryAttribute* a = file.Attribute(tag, name)) {
    if (stored) *stored = name;
    return a;
  }
  // Names from the tokenizer arrive lower-cased: look for the stored
  // spelling, first among the pooled names, then among the tag's own.
  for (const std::string& pooled : file.AttributeNames())
    if (SameName(pooled, name))
      if (const TBixBinaryAttribute* a = file.Attribute(tag, pooled)) {
        if (stored) *stored = pooled;
        return a;
      }
  const TBixBinaryAttribute* a = tag.Attributes().ByName(name, false);
  if (!a) return nullptr;
  if (stored) *stored = a->ItemName;
  // Without a pool the first attribute of a spelling is the one a reader
  // finds; with one, a pooled name of that spelling comes first.
  return file.AttributeNames().empty() ? a : file.Attribute(tag, a->ItemName);
}

std::string FindAttributeName(const THXFile& file, const TBixBinaryTag& tag, const std::string& name) {
  std::string stored;
  TemplateAttribute(file, tag, name, &stored);
  return stored;
}

TExportValue AttributeValue(const THXFile& file, const TBixBinaryTag& tag, const std::string& name) {
  const TBixBinaryAttribute* a = TemplateAttribute(file, tag, name);
  if (!a || a->IsNull) return {};
  // The attribute object itself tells dates from other reals.
  if (&a->DataType() == &TBixBinaryDateTime::Type()) return TExportValue::Date(a->AsDateTime().value_or(0));
  const TBixVariant v = a->AsVariant();
  if (const auto* b = std::get_if<bool>(&v)) return TExportValue::Boolean(*b);
  if (const auto* i = std::get_if<std::int64_t>(&v)) return TExportValue::Integer(*i);
  if (const auto* x = std::get_if<Extended>(&v)) return HasValue(*x) ? TExportValue::Real(*x) : TExportValue();
  if (const auto* t = std::get_if<std::string>(&v)) return TExportValue::Text(*t);
  return {};
}

TExportValue ItemDisplayValue(const THXFile& file, const TBixBinaryTag& tag) {
  const std::optional<TQuantity> q = TagQuantity(file, tag);
  if (!q) return AttributeValue(file, tag, "Value");
  const Extended basic = file.AttributeAsFloat(tag, "Value", NoValue);
  const int unitNo = static_cast<int>(file.AttributeAsInteger(tag, "CalcUnitNo", 0));
  const Extended v = GetUnitValue(unitNo, *q, basic);
  if (!HasValue(v) || !std::isfinite(v)) return {};
  if (*q == qInteger && std::fabs(v) < 9.2E18L) return TExportValue::Integer(std::llround(v));
  if (*q == qDateTime) return TExportValue::Date(static_cast<double>(v));
  return TExportValue::Real(v);
}

std::string StoredLinesText(const std::string& stored) {
  std::string out;
  for (const std::string& line : SplitLines(stored)) out += (out.empty() ? "" : "\n") + line;
  return out;
}

std::string AddParamText(const THXFile& file, const TBixBinaryTag& tag) {
  const std::string text = file.AttributeAsString(tag, "Text");
  if (!text.empty()) return text;
  const std::string className = file.AttributeAsString(tag, "ClassName");
  if (SameName(className, "THXAddDataParameter")) {
    const TBixBinaryTag* item = file.GetParameterTag(file.AttributeAsString(tag, "Data"));
    return item ? file.AttributeAsString(*item, "DisplayText") : std::string();
  }
  return FormatExportValue(AttributeValue(file, tag, "Data"), {});
}

std::string CalcFullFileName(const THXFile& file) {
  if (file.GetFileName().empty()) return {};
  std::error_code ec;
  const fs::path p = fs::absolute(file.GetFileName(), ec);
  return ec ? file.GetFileName() : p.lexically_normal().string();
}

std::string CalcFileName(const THXFile& file) { return fs::path(file.GetFileName()).filename().string(); }

std::string CalcFilePath(const THXFile& file) {
  const std::string full = CalcFullFileName(file);
  if (full.empty()) return {};
  std::string dir = fs::path(full).parent_path().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

namespace {

// The attribute names GetParamAttr gives a meaning of its own.
enum class TParamAttr {
  Other, Value, SIValue, Checked, Unit, Quantity, IsInput, IsDatabase, IsCalculated,
  Overwritten, CanBeOverwritten, Note, HasNote, Comment, HasComment
};

TParamAttr ParamAttrOf(const std::string& attribute) {
  static const std::pair<std::string_view, TParamAttr> kNames[] = {
      {"value", TParamAttr::Value},
      {"sivalue", TParamAttr::SIValue},
      {"checked", TParamAttr::Checked},
      {"unit", TParamAttr::Unit},
      {"quantity", TParamAttr::Quantity},
      {"isinput", TParamAttr::IsInput},
      {"isdatabase", TParamAttr::IsDatabase},
      {"iscalculated", TParamAttr::IsCalculated},
      {"overwritten", TParamAttr::Overwritten},
      {"canbeoverwritten", TParamAttr::CanBeOverwritten},
      {"note", TParamAttr::Note},
      {"hasnote", TParamAttr::HasNote},
      {"comment", TParamAttr::Comment},
      {"hascomment", TParamAttr::HasComment},
  };
  // The names above are lower case.
  const auto same = [&](std::string_view name) {
    return name.size() == attribute.size() &&
           std::equal(name.begin(), name.end(), attribute.begin(), [](char n, char c) { return n == LowerAscii(c); });
  };
  for (const auto& [name, kind] : kNames)
    if (same(name)) return kind;
  return TParamAttr::Other;
}

}  // namespace

TExprValue THXExpressionParser::GetParamAttr(const THXFile& file, const std::string& name,
                                             const std::string& attribute) {
  const TBixBinaryTag* tag = file.GetParameterTag(name);
  if (!tag) return {};
  using A = TParamAttr;
  const A kind = ParamAttrOf(attribute);
  switch (kind) {
    case A::Value: return FromExportValue(ItemDisplayValue(file, *tag));
    case A::SIValue: {
      const std::optional<TQuantity> q = TagQuantity(file, *tag);
      if (!q) return {};
      return RealValue(GetSIValue(0, *q, file.AttributeAsFloat(*tag, "Value", NoValue)));
    }
    case A::Checked:
      if (file.AttributeExists(*tag, "SwitchIndex"))
        return TExprValue::Boolean(file.AttributeAsInteger(*tag, "SwitchIndex") != 0);
      return TExprValue::Boolean(file.AttributeAsInteger(*tag, "SwitchStatus") == 1);
    case A::Unit: return TExprValue::Integer(file.AttributeAsInteger(*tag, "CalcUnitNo"));
    case A::Quantity: return TExprValue::Integer(file.AttributeAsInteger(*tag, "CalcQuantity"));
    case A::IsInput:
    case A::IsDatabase:
    case A::IsCalculated: {
      const std::int64_t state = file.AttributeAsInteger(*tag, "InputState", -1);
      return TExprValue::Boolean(state == (kind == A::IsInput ? 0 : kind == A::IsDatabase ? 1 : 2));
    }
    case A::Overwritten: return TExprValue::Boolean(file.AttributeAsBoolean(*tag, "OverRuled"));
    case A::CanBeOverwritten: return TExprValue::Boolean(file.AttributeAsBoolean(*tag, "CanBeOverRuled"));
    case A::Note:
    case A::HasNote:
    case A::Comment:
    case A::HasComment: {
      const bool note = kind == A::Note || kind == A::HasNote;
      const std::string text = StoredLinesText(file.AttributeAsString(*tag, note ? "NotesList" : "CommentsList"));
      if (kind == A::Note || kind == A::Comment) return TExprValue::Text(text);
      return TExprValue::Boolean(!IsBlankText(text));
    }
    case A::Other: break;
  }
  return FromExportValue(AttributeValue(file, *tag, attribute));
}

TExprValue THXExpressionParser::ParamAttr(const THXFile& file, const std::string& name,
                                          const std::string& attribute) const {
  if (SameName(name, "sourceparam")) return SourceParam.empty() ? TExprValue() : GetParamAttr(file, SourceParam, attribute);
  if (SameName(name, "destparam")) return DestParam.empty() ? TExprValue() : GetParamAttr(file, DestParam, attribute);
  return GetParamAttr(file, name, attribute);
}

TExprValue THXExpressionParser::FunctionCall() {
  TExprValue result = TExpressionParser::FunctionCall();
  if (!result.AsText().empty()) return result;
  const std::vector<std::string>& path = NamePath();
  if (path.empty()) return result;
  size_t first = 0;
  const THXFile* file = SourceCalc;
  if (SameName(path[0], "sourcecalc") || SameName(path[0], "destcalc")) {
    file = SameName(path[0], "sourcecalc") ? SourceCalc : DestCalc;
    if (path.size() == 1) {
      SetError(".");
      return {};
    }
    first = 1;
  }
  if (!file) return {};
  const std::string& name = path[first];
  if (path.size() - first >= 2) return ParamAttr(*file, Unquote(name), Unquote(path[first + 1]));
  const std::vector<std::string>& args = Arguments();
  if (name == "fullfilename") return TExprValue::Text(CalcFullFileName(*file));
  if (name == "filename") return TExprValue::Text(CalcFileName(*file));
  if (name == "filepath") return TExprValue::Text(CalcFilePath(*file));
  if (name == "param") {
    if (args.size() != 2) return {};
    return ParamAttr(*file, Unquote(args[0]), Unquote(args[1]));
  }
  if (name == "addparam" || name == "hasvalue") {
    if (args.size() != 1) return {};
    const TBixBinaryTag* tag = file->GetAddParameterTag(Unquote(args[0]));
    const std::string text = tag ? AddParamText(*file, *tag) : std::string();
    if (name == "addparam") return TExprValue::Text(text);
    return TExprValue::Boolean(tag && !IsBlankText(text));
  }
  return {};
}

}  // namespace torvacalc
