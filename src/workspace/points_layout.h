// The rows x points model of a whole valve calculation, the same for every
// front end: the items that exist once for the calculation (medium, pipe,
// valve constants), the items that exist per operating point as one row
// with the columns point 1, 2, 3 and X, and the point each message
// concerns. The layout is derived from the main module's item names alone:
// "NAME", "NAMEAp2", "NAMEAp3" and "NAMEApX" are one row, any item without
// such twins is a constant of the whole calculation.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "assembly/scm_substances.h"
#include "framework/basics.h"
#include "framework/calc_message.h"
#include "workspace/workspace.h"

namespace torvacalc {

// The operating points as columns: 1, 2, 3 and X.
inline constexpr int kPointCount = 4;
// A point index 0..3 for the columns; kAllPoints for what concerns every
// point.
inline constexpr int kAllPoints = -1;

// Hashing and comparing item names ignoring ASCII case, for tables of
// names that are searched with a view of the name as it is spelt.
struct TFoldedNameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    // FNV-1a of the bytes with bit 0x20 set, which is all that tells an
    // upper-case ASCII letter from its lower-case one (other bytes that
    // differ only in it share a hash; comparing the names tells them apart).
    std::size_t h = 14695981039346656037u;
    for (const char c : s) h = (h ^ (static_cast<unsigned char>(c) | 0x20u)) * 1099511628211u;
    return h;
  }
};
struct TFoldedNameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    if (a == b) return true;  // most names are asked for as they are spelt
    for (std::size_t i = 0; i < a.size(); ++i)
      if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
  }
};

// The point of a main-module item name: 1 for "Ap2", 2 for "Ap3", 3 for
// "ApX" (any case, the old files also spell "Apx"), 0 without suffix;
// `base` receives the name without the suffix.
int PointOfItemName(const std::string& name, std::string* base = nullptr);

struct TPointRow {
  std::string base;                             // the item name at point 1
  std::array<TCalcItem*, kPointCount> items{};  // nullptr where a point has none
};

struct TPointsLayout {
  std::vector<TCalcItem*> constants;
  std::vector<TPointRow> rows;
  std::array<bool, kPointCount> on{true, true, true, true};  // points that calculate
};

// Whether a main-module item of the valve calculation is a detail only
// point 1's modules return (a noise method's terms and octave bands): a
// value of point 1, not one for all points.
bool PointOneOnly(const std::string& name);

// The layout of a calculation's main module, in the order of its items.
TPointsLayout LayoutOfCalculation(const TCustomSCMSubstances& calc);
// The points that calculate now (the layout's `on`).
std::array<bool, kPointCount> PointsOn(const TCustomSCMSubstances& calc);

// The point a message concerns (0..3) or kAllPoints: the point of the
// computing module that raised it (FCCM...2, ...3, ...X; ...1 when the
// module has such twins), for the main module's own messages the point of
// the items it names.
int PointOfMessage(const TCalcMessage& msg, const TCustomSCMSubstances& calc, const TPointsLayout& layout);

// One fact the engineer reads: the messages of the container that say the
// same about the same point, as one. The rule (docs/messages.md):
// - a message of a point that is off is not read (its modules stand still,
//   a check of the main module may still name it);
// - the same number about the same point is one fact, with the items of
//   all its copies and the most severe type among them (the valve module,
//   the resistor and the main module's cross check each see a pair of
//   swapped pressures; the flow state is raised at the state and at Kv);
// - "could not be calculated" (103) at an input that reads another
//   module's result is that module's fact, not read twice;
// - a number that concerns the calculation as a whole (102: a value of the
//   database that is only approximate) is one fact for every point;
// - where two numbers say one fact about one point, the more specific one
//   stays (kSupersededMessages).

// Pairs {superseded, by}: the first number is not read at a point where
// the second one is raised.
struct TSupersededMessage {
  int no, by;
  // The fact stays where it also names this item (a part of it the other
  // message does not cover).
  const char* unlessNamed = nullptr;
};
extern const std::vector<TSupersededMessage> kSupersededMessages;

// The facts of a calculation in the container's order (severity, then
// arrival), each once.
std::vector<TPointMessage> PointMessages(const TCustomSCMSubstances& calc, const TPointsLayout& layout);

// The title line: the calculation's name for people (its description, by
// default "Stellventilauslegung") and its class, as the calculation file
// names it.
std::string CalculationTitle(const TCustomSCMSubstances& calc);

// The names a message is printed with: the main module's where the item
// has a twin there, the computing module's otherwise.
std::vector<std::string> MessageItemNames(const TCalcMessage& msg, const TMainCalcModule& main);
// The main-module items a message names (each once).
std::vector<const TCalcItem*> MessageMainItems(const TCalcMessage& msg, const TMainCalcModule& main);

}  // namespace torvacalc
