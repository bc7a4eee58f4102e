// How a calculation module on its own is printed by `module` and `show`:
// the table for people and the JSON object for programs
// (workspace/json_items.h).
#include "shell/module_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "shell/cli.h"
#include "workspace/json_items.h"
#include "workspace/entries.h"
#include "workspace/relevance.h"

namespace torvacalc {

namespace {

// One row of the table, its texts ready for the terminal.
struct TRow {
  std::string caption, name, value, unit, state;
};

}  // namespace

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
  const TRelevance relevant(m);
  int hidden = 0;
  for (const TCalcItem* item : m.GetCalcItems()) {
    const std::string value = ItemValueText(*item);
    std::string unit, state;
    if (const auto* p = dynamic_cast<const TCalcParameter*>(item)) {
      unit = p->GetCalcUnitName();
      if (HasValue(p->GetValue()) || p->GetValueState() != vsUndefined)
        state = Translate(InputStateText(p->GetInputState()));
      if ((HasValue(p->GetValue()) && !p->GetInBounds()) || p->TypedBeyondRange())
        state += (state.empty() ? "" : ", ") + Translate("außerhalb der Grenzen");
    }
    if ((value.empty() || !relevant(*item)) && !allRows &&
        std::find(named.begin(), named.end(), item) == named.end()) {
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
    std::string note = Translate("%d Zeilen ohne Wert oder ohne Bedeutung ausgelassen; --all zeigt sie.");
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

void PrintStandalone(const TStandaloneModule& standalone, std::ostream& out, bool json, bool allRows) {
  const TCalcModule& m = standalone.Module();
  if (json)
    PrintModuleJson(m, standalone.Messages(), out);
  else
    PrintModuleTable(m, standalone.Messages(), out, allRows, Translate(m.ModuleCaption()));
}

}  // namespace torvacalc
