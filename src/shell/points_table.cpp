#include "shell/points_table.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "shell/cli.h"
#include "shell/json_writer.h"
#include "workspace/entries.h"

namespace torvacalc {

namespace {

// The number of characters of a UTF-8 text.
size_t Chars(const std::string& s) {
  size_t chars = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars;
}

std::string Pad(const std::string& s, size_t width) {
  const size_t chars = Chars(s);
  return chars >= width ? s : s + std::string(width - chars, ' ');
}

const char* kPointKeys[kPointCount] = {"1", "2", "3", "X"};

std::string PointCaption(int point) {
  static const char* captions[kPointCount] = {"Betriebspunkt 1", "Betriebspunkt 2", "Betriebspunkt 3",
                                              "Betriebspunkt X"};
  return Translate(captions[point]);
}

const TCalcParameter* AsParam(const TCalcItem* item) { return item ? item->AsParameter() : nullptr; }

bool HasShownValue(const TCalcItem* item) { return item && !ItemValueText(*item).empty(); }

const char* MessageKind(tCalcMessageType t) {
  switch (t) {
    case cmWarning:
    case cmFatalWarning: return "warning";
    case cmHint:
    case cmCorrect:
    case cmNoLink:
    case cmNoError: return "hint";
    default: return "error";
  }
}

// The point's column of a row in the unit of the row; a twin shown in
// another unit carries its unit.
std::string CellText(const TCalcItem* item, const std::string& rowUnit) {
  if (!item) return {};
  std::string value = ItemValueText(*item);
  if (value.empty()) return "-";
  value = TerminalText(value);
  if (const auto* p = AsParam(item); p && p->GetCalcUnitName() != rowUnit) value += " " + p->GetCalcUnitName();
  return value;
}

void WriteJsonValue(TJsonWriter& w, const TCalcItem* item) {
  w.BeginObject();
  if (const auto* p = AsParam(item)) {
    w.Key("value").Number(HasValue(p->GetValue()) ? p->GetDisplayValue() : NoValue);
    w.Key("unit").String(p->GetCalcUnitName());
  } else {
    w.Key("text").String(ItemValueText(*item));
  }
  w.EndObject();
}

}  // namespace

void PrintPointsTable(const TCustomSCMSubstances& calc, std::ostream& out, bool allRows) {
  const TPointsLayout layout = LayoutOfCalculation(calc);
  const TCalcMessageContainer& messages = *calc.GetCalcMessageContainer();
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  out << TerminalText(CalculationTitle(calc)) << "\n";

  // Items a message names stay visible even without a value.
  std::vector<const TCalcItem*> named;
  for (const auto& msg : messages.Messages())
    for (const TCalcItem* twin : MessageMainItems(*msg, main)) named.push_back(twin);
  auto isNamed = [&](const TCalcItem* i) { return i && std::find(named.begin(), named.end(), i) != named.end(); };
  int hidden = 0;

  using TCells = std::vector<std::string>;
  auto printTable = [&](const std::vector<TCells>& table) {
    // A long text (a description, a catalogue name) runs past its column
    // instead of widening it for every row.
    constexpr size_t kLongCell = 32;
    std::vector<size_t> width(table.front().size(), 0);
    for (const TCells& r : table)
      for (size_t c = 0; c < r.size(); ++c)
        if (c == 0 || c + 1 == r.size() || Chars(r[c]) <= kLongCell) width[c] = std::max(width[c], Chars(r[c]));
    for (const TCells& r : table) {
      std::string line;
      for (size_t c = 0; c < r.size(); ++c) line += Pad(r[c], width[c] + 2);
      line.erase(line.find_last_not_of(' ') + 1);
      out << line << "\n";
    }
  };

  // The block of what serves every point, then the points side by side.
  std::vector<TCells> constants{
      {Translate("Bezeichnung"), Translate("Name"), Translate("Wert"), Translate("Einheit")}};
  for (const TCalcItem* i : layout.constants) {
    if (!HasShownValue(i) && !allRows && !isNamed(i)) {
      ++hidden;
      continue;
    }
    const auto* p = AsParam(i);
    const std::string value = ItemValueText(*i);
    constants.push_back({TerminalText(i->GetCaption()), TerminalText(i->GetName()),
                         value.empty() ? "-" : TerminalText(value), p ? p->GetCalcUnitName() : ""});
  }
  out << "\n" << Translate("Alle Betriebspunkte") << "\n";
  printTable(constants);

  if (!layout.rows.empty()) {
    TCells head{Translate("Bezeichnung"), Translate("Name")};
    for (int p = 0; p < kPointCount; ++p)
      head.push_back(PointCaption(p) + (layout.on[p] ? "" : " " + Translate("(aus)")));
    head.push_back(Translate("Einheit"));
    std::vector<TCells> table{head};
    for (const TPointRow& r : layout.rows) {
      bool any = false;
      for (int p = 0; p < kPointCount; ++p)
        any = any || (layout.on[p] && (HasShownValue(r.items[p]) || isNamed(r.items[p])));
      if (!any && !allRows) {
        ++hidden;
        continue;
      }
      const TCalcItem* first = r.items[0];
      for (int p = 0; !first && p < kPointCount; ++p) first = r.items[p];
      const auto* fp = AsParam(first);
      const std::string unit = fp ? fp->GetCalcUnitName() : "";
      TCells cells{TerminalText(first->GetCaption()), TerminalText(r.base)};
      for (int p = 0; p < kPointCount; ++p) cells.push_back(layout.on[p] ? CellText(r.items[p], unit) : "");
      cells.push_back(unit);
      table.push_back(cells);
    }
    out << "\n" << Translate("Betriebspunkte") << "\n";
    printTable(table);
  }
  if (hidden > 0) {
    std::string note = Translate("%d Zeilen ohne Wert ausgelassen; --all zeigt sie.");
    if (const auto at = note.find("%d"); at != std::string::npos) note.replace(at, 2, std::to_string(hidden));
    out << note << "\n";
  }

  // The messages by point, "all points" first. A message raised on several
  // items at once is one line naming them all.
  struct TLine {
    std::string head, text;
    std::vector<std::string> items;
  };
  std::array<std::vector<TLine>, kPointCount + 1> groups;  // [0]: all points
  for (const auto& msg : messages.Messages()) {
    auto& lines = groups[PointOfMessage(*msg, calc, layout) + 1];
    const std::string head = msg->GetTypeText() + " " + std::to_string(msg->MsgNo);
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const TLine& l) { return l.head == head && l.text == msg->Text; });
    if (it == lines.end()) it = lines.insert(lines.end(), TLine{head, msg->Text, {}});
    for (const std::string& n : MessageItemNames(*msg, main))
      if (std::find(it->items.begin(), it->items.end(), n) == it->items.end()) it->items.push_back(n);
  }
  out << "\n" << Translate("Meldungen") << ":";
  if (messages.Messages().empty()) out << " " << Translate("keine");
  out << "\n";
  for (int g = 0; g <= kPointCount; ++g) {
    if (groups[g].empty()) continue;
    out << "  " << (g == 0 ? Translate("Alle Betriebspunkte") : PointCaption(g - 1)) << ":\n";
    for (const TLine& l : groups[g]) {
      out << "    " << l.head << ": " << TerminalText(l.text);
      std::string names;
      for (const std::string& n : l.items) names += (names.empty() ? "" : ", ") + n;
      if (!names.empty()) out << " [" << TerminalText(names) << "]";
      out << "\n";
    }
  }
}

void PrintPointsJson(const TCustomSCMSubstances& calc, std::ostream& out) {
  const TPointsLayout layout = LayoutOfCalculation(calc);
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  TJsonWriter w(out);
  w.BeginObject().Key("calculation").String(calc.ClassName()).Key("title").String(CalculationTitle(calc));
  w.Key("activePoints").BeginArray();
  for (bool on : layout.on) w.Bool(on);
  w.EndArray().Key("constants").BeginObject();
  for (const TCalcItem* i : layout.constants) {
    w.Key(i->GetName());
    WriteJsonValue(w, i);
  }
  w.EndObject().Key("points").BeginArray();
  for (int p = 0; p < kPointCount; ++p) {
    // A point that is off calculates nothing: its object stays empty.
    w.BeginObject();
    for (const TPointRow& r : layout.rows) {
      if (!r.items[p] || !layout.on[p]) continue;
      w.Key(r.base);
      WriteJsonValue(w, r.items[p]);
    }
    w.EndObject();
  }
  w.EndArray().Key("messages").BeginArray();
  for (const auto& msg : calc.GetCalcMessageContainer()->Messages()) {
    const int point = PointOfMessage(*msg, calc, layout);
    w.BeginObject().Key("point");
    if (point == kAllPoints)
      w.Null();
    else
      w.String(kPointKeys[point]);
    w.Key("no").Integer(msg->MsgNo).Key("kind").String(MessageKind(msg->MessageType));
    w.Key("type").String(msg->GetTypeText()).Key("text").String(msg->Text).Key("items").BeginArray();
    for (const std::string& n : MessageItemNames(*msg, main)) w.String(n);
    w.EndArray().EndObject();
  }
  w.EndArray().EndObject();
  out << "\n";
}

}  // namespace torvacalc
