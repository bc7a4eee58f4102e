#include "shell/points_table.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string_view>
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

// What the tables show of the items of a layout, each found once, by
// their place in it (the constants, then the rows point by point): a row
// asks whether its items show a value and mean anything before it shows
// them.
class TItemFacts {
 public:
  TItemFacts(const TRelevance& relevance, size_t count) : FRelevance(relevance), FFacts(count) {}
  // The value as the terminal shows it, "" for none.
  const std::string& Text(size_t at, const TCalcItem& item) {
    TFacts& f = FFacts[at];
    if (!f.made) {
      f.text = TerminalText(ItemValueText(item));
      f.made = true;
    }
    return f.text;
  }
  bool Relevant(size_t at, const TCalcItem& item) {
    TFacts& f = FFacts[at];
    if (f.relevant < 0) f.relevant = FRelevance(item) ? 1 : 0;
    return f.relevant != 0;
  }

 private:
  struct TFacts {
    std::string text;
    bool made = false;
    signed char relevant = -1;  // not asked yet
  };

  const TRelevance& FRelevance;
  std::vector<TFacts> FFacts;
};

// The cells of a table and the notes beneath its rows, gathered in one
// text and padded into columns as they are printed. A row is `columns`
// cells, begun one after the other with Cell, then its notes.
class TTextTable {
 public:
  explicit TTextTable(size_t columns) : FColumns(columns) {}
  // Begins the next cell with `text`; more may be appended to the text
  // returned until the next cell begins.
  std::string& Cell(std::string_view text = {}) {
    FStarts.push_back(FText.size());
    FText += text;
    return FText;
  }
  // Ends the row's cells; the lines appended to the text returned are
  // printed beneath the row.
  std::string& Notes() { return Cell(); }

  void Print(std::string& out) {
    // A long text (a description, a catalogue name) runs past its column
    // instead of widening it for every row.
    constexpr size_t kLongCell = 32;
    const size_t stride = FColumns + 1;
    FStarts.push_back(FText.size());
    const auto part = [&](size_t i) {
      return std::string_view(FText).substr(FStarts[i], FStarts[i + 1] - FStarts[i]);
    };
    const size_t rows = (FStarts.size() - 1) / stride;
    std::vector<size_t> chars(rows * FColumns), width(FColumns, 0);
    for (size_t r = 0; r < rows; ++r)
      for (size_t c = 0; c < FColumns; ++c) {
        const size_t n = chars[r * FColumns + c] = Chars(part(r * stride + c));
        if (c == 0 || c + 1 == FColumns || n <= kLongCell) width[c] = std::max(width[c], n);
      }
    // A cell takes its text and at most its column's width and two blanks.
    size_t line = 1;
    for (const size_t w : width) line += w + 2;
    out.reserve(out.size() + FText.size() + rows * line);
    for (size_t r = 0; r < rows; ++r) {
      const size_t lineStart = out.size();
      for (size_t c = 0; c < FColumns; ++c) {
        out += part(r * stride + c);
        if (const size_t n = chars[r * FColumns + c]; n < width[c] + 2) out.append(width[c] + 2 - n, ' ');
      }
      const size_t last = out.find_last_not_of(' ');
      out.resize(last == std::string::npos || last < lineStart ? lineStart : last + 1);
      out += '\n';
      out += part(r * stride + FColumns);
    }
  }

 private:
  size_t FColumns;
  std::string FText;
  std::vector<size_t> FStarts;  // where each cell and each row's notes begin in FText
};

// Appends the notes on the value of an item, as lines beneath its row.
void AppendNotes(std::string& out, const TCalcItem* item, std::string_view where) {
  if (!item || item->NotesList().empty()) return;
  std::string label = "    " + Translate("Notiz");
  if (!where.empty()) {
    label += " (";
    label += where;
    label += ")";
  }
  label += ": ";
  bool first = true;
  for (const std::string& line : item->NotesList()) {
    if (first) out += label;
    else out.append(Chars(label), ' ');
    AppendTerminalText(out, line);
    out += '\n';
    first = false;
  }
}

}  // namespace

void PrintPointsTable(const TCustomSCMSubstances& calc, const TPointsLayout& layout, std::ostream& out,
                      bool allRows) {
  const TCalcMessageContainer& messages = *calc.GetCalcMessageContainer();
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  const TRelevance relevance(main);
  const size_t rowsAt = layout.constants.size();
  TItemFacts items(relevance, rowsAt + kPointCount * layout.rows.size());
  const auto hasShownValue = [&](size_t at, const TCalcItem* item) { return item && !items.Text(at, *item).empty(); };
  // The whole output, written at once.
  std::string text;
  AppendTerminalText(text, CalculationTitle(calc));
  text += '\n';

  // Items a message names stay visible even without a value.
  std::vector<const TCalcItem*> named;
  for (const auto& msg : messages.Messages())
    for (const TCalcItem* twin : MessageMainItems(*msg, main)) named.push_back(twin);
  auto isNamed = [&](const TCalcItem* i) { return i && std::find(named.begin(), named.end(), i) != named.end(); };
  int hidden = 0;

  // The block of what serves every point, then the points side by side.
  TTextTable constants(4);
  for (const char* head : {"Bezeichnung", "Name", "Wert", "Einheit"}) constants.Cell(Translate(head));
  constants.Notes();
  for (size_t k = 0; k < layout.constants.size(); ++k) {
    const TCalcItem* i = layout.constants[k];
    if (!allRows && !isNamed(i) && i->NotesList().empty() && (!hasShownValue(k, i) || !items.Relevant(k, *i))) {
      ++hidden;
      continue;
    }
    const auto* p = AsParam(i);
    const std::string& value = items.Text(k, *i);
    AppendTerminalText(constants.Cell(), i->GetCaption());
    AppendTerminalText(constants.Cell(), i->GetName());
    constants.Cell(value.empty() ? std::string_view("-") : std::string_view(value));
    constants.Cell(p ? p->GetCalcUnitName() : "");
    AppendNotes(constants.Notes(), i, "");
  }
  text += '\n';
  text += Translate("Alle Betriebspunkte");
  text += '\n';
  constants.Print(text);

  std::array<std::string, kPointCount> captions;
  for (int p = 0; p < kPointCount; ++p) captions[p] = PointCaption(p);
  if (!layout.rows.empty()) {
    TTextTable table(kPointCount + 3);
    table.Cell(Translate("Bezeichnung"));
    table.Cell(Translate("Name"));
    for (int p = 0; p < kPointCount; ++p) {
      std::string& head = table.Cell(captions[p]);
      if (!layout.on[p]) head += " " + Translate("(aus)");
    }
    table.Cell(Translate("Einheit"));
    table.Notes();
    for (size_t row = 0; row < layout.rows.size(); ++row) {
      const TPointRow& r = layout.rows[row];
      const size_t at = rowsAt + kPointCount * row;
      bool any = false;
      for (int p = 0; p < kPointCount; ++p)
        any = any || (layout.on[p] &&
                      ((hasShownValue(at + p, r.items[p]) && items.Relevant(at + p, *r.items[p])) ||
                       isNamed(r.items[p]) || (r.items[p] && !r.items[p]->NotesList().empty())));
      if (!any && !allRows) {
        ++hidden;
        continue;
      }
      const TCalcItem* first = r.items[0];
      for (int p = 0; !first && p < kPointCount; ++p) first = r.items[p];
      const auto* fp = AsParam(first);
      const std::string unit = fp ? fp->GetCalcUnitName() : "";
      AppendTerminalText(table.Cell(), first->GetCaption());
      AppendTerminalText(table.Cell(), r.base);
      // A point where the row means nothing (a vapour point's cavitation
      // indices beside liquid points) leaves its cell empty; a twin shown
      // in another unit than the row's carries its unit.
      for (int p = 0; p < kPointCount; ++p) {
        const TCalcItem* item = r.items[p];
        std::string& cell = table.Cell();
        if (!item || !layout.on[p] || !(allRows || items.Relevant(at + p, *item) || isNamed(item))) continue;
        const std::string& value = items.Text(at + p, *item);
        if (value.empty()) {
          cell += '-';
          continue;
        }
        cell += value;
        if (const auto* ip = AsParam(item); ip && ip->GetCalcUnitName() != unit) {
          cell += ' ';
          cell += ip->GetCalcUnitName();
        }
      }
      table.Cell(unit);
      std::string& notes = table.Notes();
      for (int p = 0; p < kPointCount; ++p)
        if (layout.on[p] || r.items[p] == first) AppendNotes(notes, r.items[p], captions[p]);
    }
    text += '\n';
    text += Translate("Betriebspunkte");
    text += '\n';
    table.Print(text);
  }
  if (hidden > 0) {
    std::string note = Translate("%d Zeilen ohne Wert oder ohne Bedeutung ausgelassen; --all zeigt sie.");
    if (const auto at = note.find("%d"); at != std::string::npos) note.replace(at, 2, std::to_string(hidden));
    text += note;
    text += '\n';
  }

  // The messages by point, "all points" first, each fact once.
  const std::vector<TPointMessage> facts = PointMessages(calc, layout);
  std::array<std::vector<const TPointMessage*>, kPointCount + 1> groups;  // [0]: all points
  for (const TPointMessage& f : facts) groups[f.point + 1].push_back(&f);
  text += '\n';
  text += Translate("Meldungen");
  text += ':';
  if (facts.empty()) text += " " + Translate("keine");
  text += '\n';
  for (int g = 0; g <= kPointCount; ++g) {
    if (groups[g].empty()) continue;
    text += "  ";
    text += g == 0 ? Translate("Alle Betriebspunkte") : captions[g - 1];
    text += ":\n";
    for (const TPointMessage* l : groups[g]) {
      text += "    " + l->typeText + " " + std::to_string(l->no) + ": ";
      AppendTerminalText(text, l->text);
      std::string names;
      for (const std::string& n : l->items) names += (names.empty() ? "" : ", ") + n;
      if (!names.empty()) {
        text += " [";
        AppendTerminalText(text, names);
        text += ']';
      }
      text += '\n';
    }
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace torvacalc
