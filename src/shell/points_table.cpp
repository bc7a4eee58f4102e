#include "shell/points_table.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <unordered_map>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "shell/cli.h"
#include "workspace/json_items.h"
#include "workspace/entries.h"
#include "workspace/relevance.h"

namespace torvacalc {

namespace {

std::string PointCaption(int point) {
  static const char* captions[kPointCount] = {"Betriebspunkt 1", "Betriebspunkt 2", "Betriebspunkt 3",
                                              "Betriebspunkt X"};
  return Translate(captions[point]);
}

const TCalcParameter* AsParam(const TCalcItem* item) { return item ? item->AsParameter() : nullptr; }

// The texts of the items, each made once: a row asks whether its items
// show a value before it shows them.
class TValueTexts {
 public:
  const std::string& operator()(const TCalcItem& item) {
    auto [it, fresh] = FTexts.try_emplace(&item);
    if (fresh) it->second = ItemValueText(item);
    return it->second;
  }

 private:
  std::unordered_map<const TCalcItem*, std::string> FTexts;
};

// The point's column of a row in the unit of the row; a twin shown in
// another unit carries its unit.
std::string CellText(const TCalcItem* item, const std::string& rowUnit, TValueTexts& texts) {
  if (!item) return {};
  std::string value = texts(*item);
  if (value.empty()) return "-";
  value = TerminalText(value);
  if (const auto* p = AsParam(item); p && p->GetCalcUnitName() != rowUnit) value += " " + p->GetCalcUnitName();
  return value;
}

}  // namespace

void PrintPointsTable(const TCustomSCMSubstances& calc, std::ostream& out, bool allRows) {
  const TPointsLayout layout = LayoutOfCalculation(calc);
  const TCalcMessageContainer& messages = *calc.GetCalcMessageContainer();
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  const TRelevance relevant(main);
  TValueTexts texts;
  const auto hasShownValue = [&](const TCalcItem* item) { return item && !texts(*item).empty(); };
  out << TerminalText(CalculationTitle(calc)) << "\n";

  // Items a message names stay visible even without a value.
  std::vector<const TCalcItem*> named;
  for (const auto& msg : messages.Messages())
    for (const TCalcItem* twin : MessageMainItems(*msg, main)) named.push_back(twin);
  auto isNamed = [&](const TCalcItem* i) { return i && std::find(named.begin(), named.end(), i) != named.end(); };
  int hidden = 0;

  using TCells = std::vector<std::string>;
  // The notes on the values of a row, printed beneath it ("" for none).
  auto noteLines = [](const TCalcItem* item, const std::string& where) {
    std::string lines;
    if (!item) return lines;
    const std::string label = "    " + Translate("Notiz") + (where.empty() ? "" : " (" + where + ")") + ": ";
    bool first = true;
    for (const std::string& line : item->NotesList()) {
      lines += (first ? label : std::string(Chars(label), ' ')) + TerminalText(line) + "\n";
      first = false;
    }
    return lines;
  };
  auto printTable = [&](const std::vector<TCells>& table, const std::vector<std::string>& notes) {
    // A long text (a description, a catalogue name) runs past its column
    // instead of widening it for every row.
    constexpr size_t kLongCell = 32;
    std::vector<size_t> width(table.front().size(), 0);
    for (const TCells& r : table)
      for (size_t c = 0; c < r.size(); ++c)
        if (c == 0 || c + 1 == r.size() || Chars(r[c]) <= kLongCell) width[c] = std::max(width[c], Chars(r[c]));
    for (size_t row = 0; row < table.size(); ++row) {
      const TCells& r = table[row];
      std::string line;
      for (size_t c = 0; c < r.size(); ++c) line += Pad(r[c], width[c] + 2);
      line.erase(line.find_last_not_of(' ') + 1);
      out << line << "\n";
      if (row < notes.size()) out << notes[row];
    }
  };

  // The block of what serves every point, then the points side by side.
  std::vector<TCells> constants{
      {Translate("Bezeichnung"), Translate("Name"), Translate("Wert"), Translate("Einheit")}};
  std::vector<std::string> constantNotes{""};
  for (const TCalcItem* i : layout.constants) {
    if (!allRows && !isNamed(i) && i->NotesList().empty() && (!hasShownValue(i) || !relevant(*i))) {
      ++hidden;
      continue;
    }
    const auto* p = AsParam(i);
    const std::string& value = texts(*i);
    constants.push_back({TerminalText(i->GetCaption()), TerminalText(i->GetName()),
                         value.empty() ? "-" : TerminalText(value), p ? p->GetCalcUnitName() : ""});
    constantNotes.push_back(noteLines(i, ""));
  }
  out << "\n" << Translate("Alle Betriebspunkte") << "\n";
  printTable(constants, constantNotes);

  if (!layout.rows.empty()) {
    TCells head{Translate("Bezeichnung"), Translate("Name")};
    for (int p = 0; p < kPointCount; ++p)
      head.push_back(PointCaption(p) + (layout.on[p] ? "" : " " + Translate("(aus)")));
    head.push_back(Translate("Einheit"));
    std::vector<TCells> table{head};
    std::vector<std::string> notes{""};
    for (const TPointRow& r : layout.rows) {
      bool any = false;
      for (int p = 0; p < kPointCount; ++p)
        any = any || (layout.on[p] && ((hasShownValue(r.items[p]) && relevant(*r.items[p])) || isNamed(r.items[p]) ||
                                       (r.items[p] && !r.items[p]->NotesList().empty())));
      if (!any && !allRows) {
        ++hidden;
        continue;
      }
      const TCalcItem* first = r.items[0];
      for (int p = 0; !first && p < kPointCount; ++p) first = r.items[p];
      const auto* fp = AsParam(first);
      const std::string unit = fp ? fp->GetCalcUnitName() : "";
      TCells cells{TerminalText(first->GetCaption()), TerminalText(r.base)};
      // A point where the row means nothing (a vapour point's cavitation
      // indices beside liquid points) leaves its cell empty.
      for (int p = 0; p < kPointCount; ++p) {
        const bool shown = layout.on[p] && (allRows || !r.items[p] || relevant(*r.items[p]) || isNamed(r.items[p]));
        cells.push_back(shown ? CellText(r.items[p], unit, texts) : "");
      }
      cells.push_back(unit);
      table.push_back(cells);
      std::string rowNotes;
      for (int p = 0; p < kPointCount; ++p)
        if (layout.on[p] || r.items[p] == first) rowNotes += noteLines(r.items[p], PointCaption(p));
      notes.push_back(rowNotes);
    }
    out << "\n" << Translate("Betriebspunkte") << "\n";
    printTable(table, notes);
  }
  if (hidden > 0) {
    std::string note = Translate("%d Zeilen ohne Wert oder ohne Bedeutung ausgelassen; --all zeigt sie.");
    if (const auto at = note.find("%d"); at != std::string::npos) note.replace(at, 2, std::to_string(hidden));
    out << note << "\n";
  }

  // The messages by point, "all points" first, each fact once.
  const std::vector<TPointMessage> facts = PointMessages(calc, layout);
  std::array<std::vector<const TPointMessage*>, kPointCount + 1> groups;  // [0]: all points
  for (const TPointMessage& f : facts) groups[f.point + 1].push_back(&f);
  out << "\n" << Translate("Meldungen") << ":";
  if (facts.empty()) out << " " << Translate("keine");
  out << "\n";
  for (int g = 0; g <= kPointCount; ++g) {
    if (groups[g].empty()) continue;
    out << "  " << (g == 0 ? Translate("Alle Betriebspunkte") : PointCaption(g - 1)) << ":\n";
    for (const TPointMessage* l : groups[g]) {
      out << "    " << l->typeText << " " << l->no << ": " << TerminalText(l->text);
      std::string names;
      for (const std::string& n : l->items) names += (names.empty() ? "" : ", ") + n;
      if (!names.empty()) out << " [" << TerminalText(names) << "]";
      out << "\n";
    }
  }
}

}  // namespace torvacalc
