// The calculation modules the command line creates on their own, and how
// one is printed: the table for people and the JSON object for programs.
// The list of kinds itself (ModuleKinds) lies in cmd_module.cpp, where a
// new module adds its line.
#include "shell/module_kinds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "shell/cli.h"
#include "shell/json_writer.h"

namespace torvacalc {

const TModuleKind* ModuleKindByName(const std::string& kind) {
  for (const auto& k : ModuleKinds())
    if (kind == k.kind) return &k;
  return nullptr;
}

const TModuleKind* ModuleKindByClass(const std::string& className) {
  for (const auto& k : ModuleKinds())
    if (className == k.className) return &k;
  return nullptr;
}

std::string ModuleKindNames() {
  std::string names;
  for (const auto& k : ModuleKinds()) names += (names.empty() ? "" : ", ") + std::string(k.kind);
  return names;
}

namespace {

const char* ValueStateName(tValueState s) {
  switch (s) {
    case vsNormal: return "vsNormal";
    case vsUndefined: return "vsUndefined";
    case vsFaulty: return "vsFaulty";
    case vsInfinity: return "vsInfinity";
    case vsMinusInfinity: return "vsMinusInfinity";
    case vsOutdated: return "vsOutdated";
  }
  return "vsUndefined";
}

const char* MessageTypeName(tCalcMessageType t) {
  switch (t) {
    case cmCalculationError: return "cmCalculationError";
    case cmOutOfBounds: return "cmOutOfBounds";
    case cmFatalWarning: return "cmFatalWarning";
    case cmMissingParameter: return "cmMissingParameter";
    case cmWarning: return "cmWarning";
    case cmHint: return "cmHint";
    case cmCorrect: return "cmCorrect";
    case cmNoLink: return "cmNoLink";
    case cmNoError: return "cmNoError";
  }
  return "cmCalculationError";
}

// The number of characters of a UTF-8 text.
size_t Chars(const std::string& s) {
  size_t chars = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars;
}

// Pads to a width in characters, so that the columns line up.
std::string Pad(const std::string& s, size_t width) {
  const size_t chars = Chars(s);
  return chars >= width ? s : s + std::string(width - chars, ' ');
}

// One row of the table, its texts ready for the terminal.
struct TRow {
  std::string caption, name, value, unit, state;
};

}  // namespace

void PrintModuleJson(const TCalcModule& m, const TCalcMessageContainer& messages, std::ostream& out) {
  TJsonWriter w(out);
  w.BeginObject().Key("module").String(m.ClassName()).Key("items").BeginObject();
  for (const TCalcItem* item : m.GetCalcItems()) {
    w.Key(item->GetName()).BeginObject();
    if (const auto* p = dynamic_cast<const TCalcParameter*>(item)) {
      const Extended basic = p->GetValue();
      const bool has = HasValue(basic);
      w.Key("kind").String("parameter");
      w.Key("value").Number(has ? p->GetDisplayValue() : NoValue);
      w.Key("unit").String(p->GetCalcUnitName());
      w.Key("basic").Number(basic);
      w.Key("si").Number(has ? GetSIValue(0, p->GetQuantity(), basic) : NoValue);
      w.Key("text").String(p->GetDisplayText());
      w.Key("state").String(ValueStateName(p->GetValueState()));
      w.Key("inputState").Integer(p->GetInputState());
      w.Key("utilized").Bool(p->GetUtilized());
      w.Key("approximated").Bool(p->GetIsApproximated());
      w.Key("inBounds").Bool(p->GetInBounds());
    } else if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(item)) {
      w.Key("kind").String("switch").Key("index").Integer(multi->GetSwitchStatus());
      w.Key("text").String(multi->GetSelectedValue());
    } else if (const auto* two = dynamic_cast<const TCalcSwitch*>(item)) {
      const TCheckBoxState s = two->GetSwitchStatus();
      w.Key("kind").String("switch").Key("index").Integer(s == cbGrayed ? -1 : s == cbChecked ? 1 : 0);
      w.Key("text").String(Translate(SwitchStatusToStr(s)));
    } else {
      w.Key("kind").String("string").Key("text").String(item->GetText());
    }
    w.EndObject();
  }
  w.EndObject().Key("messages").BeginArray();
  for (const auto& msg : messages.Messages()) {
    w.BeginObject().Key("no").Integer(msg->MsgNo).Key("type").String(MessageTypeName(msg->MessageType));
    w.Key("item");
    if (msg->CalcItem)
      w.String(msg->CalcItem->GetName());
    else
      w.Null();
    w.Key("items").BeginArray();
    for (const TCalcItem* i : msg->CalcItems) w.String(i->GetName());
    w.EndArray().Key("priority").Integer(msg->Priority).Key("text").String(msg->Text).EndObject();
  }
  w.EndArray().EndObject();
  out << "\n";
}

// The octave bands of a noise module (items NAME0500 ... NAME8000) as a
// small table, one row per spectrum with its energetic sum, and the
// overall A-weighted level below it.
// Values longer than this do not widen the value column.
constexpr size_t kLongValue = 32;

static void PrintSpectrumTable(const TCalcModule& m, std::ostream& out) {
  static const char* bands[] = {"0500", "1000", "2000", "4000", "8000"};
  std::vector<std::string> rows;
  for (const char* prefix : {"Lpi", "Lwi", "Rr", "TL", "LpAa", "LwAa"})
    if (m.CalcItemByName(std::string(prefix) + bands[0])) rows.push_back(prefix);
  if (rows.empty()) return;
  out << "\n" << Translate("Oktavspektrum") << "\n" << Pad("", 8);
  for (const char* b : bands) out << Pad(std::to_string(std::stoi(b)) + " Hz", 10);
  out << Translate("Summe") << "\n";
  for (const std::string& r : rows) {
    out << Pad(r, 8);
    Extended sum = 0;
    bool any = false;
    for (const char* b : bands) {
      const TCalcItem* item = m.CalcItemByName(r + b);
      const auto* p = item ? item->AsParameter() : nullptr;
      const Extended v = p ? p->GetValue() : NoValue;
      char text[32] = "-";
      if (HasValue(v)) {
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(v));
        sum += std::pow(10.0L, v / 10);
        any = true;
      }
      out << Pad(text, 10);
    }
    char total[32] = "-";
    // Transmission losses are no levels: they have no sum.
    if (any && r != "Rr" && r != "TL")
      std::snprintf(total, sizeof total, "%.1f", static_cast<double>(10 * std::log10(sum)));
    out << total << "\n";
  }
  if (const TCalcItem* overall = m.CalcItemByName("LpAa")) {
    const auto* p = overall->AsParameter();
    out << "LpAa " << (p && HasValue(p->GetValue()) ? p->GetDisplayText() + " " + p->GetCalcUnitName() : "-")
        << "\n";
  }
}

void PrintModuleTable(const TCalcModule& m, const TCalcMessageContainer& messages, std::ostream& out, bool allRows,
                      const std::string& title) {
  out << TerminalText(title.empty() ? m.ClassName() : title) << "\n\n";
  // Items a message names stay visible even without a value: they are
  // what the message is about.
  std::vector<const TCalcItem*> named;
  for (const auto& msg : messages.Messages())
    named.insert(named.end(), msg->CalcItems.begin(), msg->CalcItems.end());
  std::vector<TRow> rows;
  int hidden = 0;
  for (const TCalcItem* item : m.GetCalcItems()) {
    const std::string value = ItemValueText(*item);
    std::string unit, state;
    if (const auto* p = dynamic_cast<const TCalcParameter*>(item)) {
      unit = p->GetCalcUnitName();
      if (HasValue(p->GetValue()) || p->GetValueState() != vsUndefined)
        state = Translate(InputStateText(p->GetInputState()));
      if ((HasValue(p->GetValue()) && !p->GetInBounds()) || p->TypedBeyondRange())
        state += (state.empty() ? "" : ", ") + Translate("ausserhalb der Grenzen");
    }
    if (value.empty() && !allRows && std::find(named.begin(), named.end(), item) == named.end()) {
      ++hidden;
      continue;
    }
    if (!item->GetUtilized()) state += (state.empty() ? "" : ", ") + Translate("nicht verwendet");
    rows.push_back({TerminalText(item->GetCaption()), TerminalText(item->GetName()),
                    value.empty() ? "-" : TerminalText(value), unit, state});
  }
  // Columns as wide as their longest text, so that no caption shifts the
  // columns after it.
  TRow head{Translate("Bezeichnung"), Translate("Name"), Translate("Wert"), Translate("Einheit"),
            Translate("Zustand")};
  size_t wCaption = Chars(head.caption), wName = Chars(head.name), wValue = Chars(head.value),
         wUnit = Chars(head.unit);
  for (const TRow& r : rows) {
    wCaption = std::max(wCaption, Chars(r.caption));
    wName = std::max(wName, Chars(r.name));
    // A long text value (a material group, a composition) pushes only its
    // own row's unit and state to the right, not the whole table.
    if (Chars(r.value) <= kLongValue) wValue = std::max(wValue, Chars(r.value));
    wUnit = std::max(wUnit, Chars(r.unit));
  }
  auto print = [&](const TRow& r) {
    std::string line = Pad(r.caption, wCaption + 2) + Pad(r.name, wName + 2) + Pad(r.value, wValue + 2) +
                       Pad(r.unit, wUnit + 2) + r.state;
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << "\n";
  };
  print(head);
  for (const TRow& r : rows) print(r);
  if (hidden > 0) {
    std::string note = Translate("%d Zeilen ohne Wert ausgelassen; --all zeigt sie.");
    if (const auto at = note.find("%d"); at != std::string::npos) note.replace(at, 2, std::to_string(hidden));
    out << note << "\n";
  }
  PrintSpectrumTable(m, out);

  // A message the module raised on several items at once (the flow state
  // is reported on the state and on the result) is one message: printed
  // once, with the items of all its copies.
  struct TLine {
    std::string head, text;
    std::vector<std::string> items;
  };
  std::vector<TLine> lines;
  for (const auto& msg : messages.Messages()) {
    const std::string head = msg->GetTypeText() + " " + std::to_string(msg->MsgNo);
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const TLine& l) { return l.head == head && l.text == msg->Text; });
    if (it == lines.end()) it = lines.insert(lines.end(), TLine{head, msg->Text, {}});
    for (const TCalcItem* i : msg->CalcItems)
      if (std::find(it->items.begin(), it->items.end(), i->GetName()) == it->items.end())
        it->items.push_back(i->GetName());
  }
  out << "\n" << Translate("Meldungen") << ":";
  if (lines.empty()) out << " " << Translate("keine");
  out << "\n";
  for (const TLine& l : lines) {
    out << "  " << l.head << ": " << TerminalText(l.text);
    std::string names;
    for (const std::string& n : l.items) names += (names.empty() ? "" : ", ") + n;
    if (!names.empty()) out << " [" << TerminalText(names) << "]";
    out << "\n";
  }
}

std::string ItemValueText(const TCalcItem& item) {
  if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(&item)) return multi->GetSelectedValue();
  if (const auto* two = dynamic_cast<const TCalcSwitch*>(&item))
    return Translate(SwitchStatusToStr(two->GetSwitchStatus()));
  return item.GetDisplayText();
}

namespace {

// Entries that count something: the number of operating points, and every
// item of whole numbers. A count outside the item's bounds or with a
// fraction would be shown as entered while the calculation goes on with
// another number, so it is refused.
bool IsCount(const TCalcParameter& p) { return p.GetQuantity() == qInteger || p.GetName() == "NoOfEnteredOps"; }

void CheckCount(const TCalcParameter& p, const std::string& name, const std::string& text) {
  const std::string t = TrimBlanks(text);
  const auto value = TextToNumber(t);
  if (t.empty() || !value) return;  // a cleared entry, or text the item itself refuses
  const Extended lo = p.GetLowerBound(), hi = p.GetUpperBound();
  const bool bounded = HasValue(lo) && HasValue(hi) && std::fabs(lo) < 1e15 && std::fabs(hi) < 1e15;
  if (std::isfinite(*value) && *value == std::trunc(*value) && (!bounded || (*value >= lo && *value <= hi))) return;
  throw EUsage(name + ": a whole number" +
               (bounded ? " from " + NumberToText(lo) + " to " + NumberToText(hi) : std::string()) +
               " expected, got \"" + t + "\"");
}

}  // namespace

void AssignParameter(TCalcParameter& p, const std::string& name, const std::string& text) {
  if (IsCount(p)) CheckCount(p, name, text);
  try {
    EnterParameterText(p, text);
  } catch (const ECalcEntry& e) {
    throw EUsage(name + ": " + e.what());
  }
}

TStandaloneModule::TStandaloneModule(const TModuleKind& kind) : FModule(kind.create()) {
  FModule->SetCalcMessageContainer(&FMessages);
}

TStandaloneModule::~TStandaloneModule() {
  FMessages.RemoveAllMessages();
  FModule->SetCalcMessageContainer(nullptr);
}

void TStandaloneModule::Print(std::ostream& out, bool json, bool allRows) const {
  if (json)
    PrintModuleJson(*FModule, FMessages, out);
  else
    PrintModuleTable(*FModule, FMessages, out, allRows, Translate(FModule->ModuleCaption()));
}

}  // namespace torvacalc
