#include "workspace/points_layout.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "assembly/scm_control_valves.h"
#include "assembly/scm_operating_points.h"
#include "framework/translation.h"
#include "workspace/item_map.h"

namespace torvacalc {

namespace {

// The main-module item a computing module's item stands for: the main
// module shows a module's result by reading through it (the main item is
// the target) and hands an entry on to it (the module's item is the
// target).
const TCalcItem* MainTwin(const TCalcItem* item, const TMainCalcModule& main) {
  if (!item) return nullptr;
  if (item->GetCalcModule() == &main) return item;
  if (const TCalcItem* s = item->GetSourceCalcItem(); s && s->GetCalcModule() == &main) return s;
  for (const TCalcItem* t : item->Targets())
    if (t->GetCalcModule() == &main) return t;
  return nullptr;
}

// The point of the component of `calc` that owns `module`, by the digit or
// X its name ends with. A "...1" is point 1 only where the calculation has
// a "...2" beside it; alone (the pipe, the material) it serves all points.
int PointOfComponent(const TCalcComponent* module, const TCustomSCMSubstances& calc) {
  const TCalcComponent* c = module;
  while (c && c->GetOwner() != &calc) c = c->GetOwner();
  if (!c || c->GetName().empty()) return kAllPoints;
  const std::string& name = c->GetName();
  const std::string_view stem = std::string_view(name).substr(0, name.size() - 1);
  switch (name.back()) {
    case '2': return 1;
    case '3': return 2;
    case 'X':
    case 'x': return 3;
    case '1':
      for (const TCalcComponent* sibling : calc.Children()) {
        const std::string& s = sibling->GetName();
        if (s.size() == name.size() && s.back() == '2' && s.compare(0, stem.size(), stem) == 0) return 0;
      }
      return kAllPoints;
    default: return kAllPoints;
  }
}

// The point of a main-module item in the layout (kAllPoints for a
// constant, -2 when the item is none of the main module's).
int PointOfMainItem(const TCalcItem* item, const TPointsLayout& layout) {
  for (const TPointRow& r : layout.rows)
    for (int p = 0; p < kPointCount; ++p)
      if (r.items[p] == item) return p;
  if (std::find(layout.constants.begin(), layout.constants.end(), item) != layout.constants.end())
    return kAllPoints;
  return -2;
}

std::vector<const TCalcItem*> ItemsOf(const TCalcMessage& msg) {
  std::vector<const TCalcItem*> items;
  if (msg.CalcItem) items.push_back(msg.CalcItem);
  for (const TCalcItem* i : msg.CalcItems)
    if (std::find(items.begin(), items.end(), i) == items.end()) items.push_back(i);
  return items;
}

}  // namespace

int PointOfItemName(const std::string& name, std::string* base) {
  int point = 0;
  if (name.size() > 3) {
    const auto lower = [&](std::size_t i) { return LowerAscii(name[name.size() - 3 + i]); };
    if (lower(0) == 'a' && lower(1) == 'p') {
      const char p = lower(2);
      point = p == '2' ? 1 : p == '3' ? 2 : p == 'x' ? 3 : 0;
    }
  }
  if (base) *base = point ? name.substr(0, name.size() - 3) : name;
  return point;
}

namespace {

using TNameSet = std::unordered_set<std::string, TFoldedNameHash, TFoldedNameEqual>;

// The names of PointOneOnly.
const TNameSet& PointOneOnlyNames() {
  static const TNameSet names = [] {
    TNameSet s;
    for (const TValveLink& l : ValveLinks())
      if (l.PerPoint && l.FirstOnly && l.Way != TValveLink::lwIn) s.insert(l.Main);
    return s;
  }();
  return names;
}

}  // namespace

bool PointOneOnly(const std::string& name) { return PointOneOnlyNames().count(name) > 0; }

TPointsLayout LayoutOfCalculation(const TCustomSCMSubstances& calc) {
  TPointsLayout layout;
  const bool valves = dynamic_cast<const TCustomSCM3ControlValves*>(&calc) != nullptr;
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  const auto& items = main.GetCalcItems();
  // Each item's point and the item its row is known by: for an item named
  // with a point's suffix the item named without it (as names are
  // compared, ignoring case), else the item itself. A base without an
  // item of its own (its twins alone exist) is known by its name.
  std::vector<int> points(items.size());
  std::vector<const TCalcItem*> keys(items.size());
  // The rows of the bases that have twins at further points, once placed
  // (at the base's first item); an item of such a base without suffix is
  // the point-1 column of its row.
  constexpr size_t kNotPlaced = static_cast<size_t>(-1);
  TItemMap<size_t> rowOf(items.size() / 4);
  std::unordered_map<std::string_view, size_t, TFoldedNameHash, TFoldedNameEqual> rowOfName;
  for (size_t k = 0; k < items.size(); ++k) {
    const std::string& name = items[k]->GetName();
    points[k] = PointOfItemName(name);
    keys[k] = items[k];
    if (points[k] == 0) continue;
    const std::string_view base = std::string_view(name).substr(0, name.size() - 3);
    if ((keys[k] = main.CalcItemByName(base))) rowOf[keys[k]] = kNotPlaced;
    else rowOfName.try_emplace(base, kNotPlaced);
  }
  // The details only point 1's modules return (PointOneOnly), by item.
  TItemMap<bool> pointOneOnly(64);
  if (valves)
    for (const TValveLink& l : ValveLinks())
      if (l.PerPoint && l.FirstOnly && l.Way != TValveLink::lwIn)
        if (const TCalcItem* i = main.CalcItemByName(l.Main)) pointOneOnly[i] = true;
  layout.rows.reserve(rowOf.Size() + rowOfName.size() + 64);
  for (size_t k = 0; k < items.size(); ++k) {
    TCalcItem* i = items[k];
    const int point = points[k];
    const std::string_view base = std::string_view(i->GetName()).substr(0, i->GetName().size() - (point ? 3 : 0));
    size_t* const row = keys[k] ? rowOf.Find(keys[k]) : &rowOfName.find(base)->second;
    if (!row) {
      // A detail only point 1's module returns (the terms of a noise
      // method, its octave bands) belongs in point 1's column: read among
      // the values for every point it would pass for one of them.
      if (pointOneOnly.Find(i))
        layout.rows.push_back({i->GetName(), {i, nullptr, nullptr, nullptr}});
      else
        layout.constants.push_back(i);
      continue;
    }
    if (*row == kNotPlaced) {
      *row = layout.rows.size();
      layout.rows.push_back({std::string(base), {}});
    }
    TPointRow& r = layout.rows[*row];
    if (point == 0) r.base = i->GetName();
    r.items[point] = i;
  }
  layout.on = PointsOn(calc);
  return layout;
}

std::array<bool, kPointCount> PointsOn(const TCustomSCMSubstances& calc) {
  if (const auto* ops = dynamic_cast<const TCustomSCM3SubstancesMaterialPipe*>(&calc))
    return {true, ops->GetNoOfOps() >= 2, ops->GetNoOfOps() >= 3, ops->GetOpXEnabled()};
  return {true, true, true, true};
}

int PointOfMessage(const TCalcMessage& msg, const TCustomSCMSubstances& calc, const TPointsLayout& layout) {
  if (msg.CalcModule) {
    const int p = PointOfComponent(msg.CalcModule, calc);
    if (p != kAllPoints) return p;
  }
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  for (const TCalcItem* i : ItemsOf(msg)) {
    if (const int p = PointOfComponent(i->GetCalcModule(), calc); p != kAllPoints) return p;
    if (const int p = PointOfMainItem(MainTwin(i, main), layout); p >= 0) return p;
  }
  return kAllPoints;
}

const std::vector<TSupersededMessage> kSupersededMessages = {
    // The main module's check names the point and what follows (the valve
    // cannot pass the flow); the valve module's alarm says the same.
    {935, 1901},
    // Cavitation expected to damage this style: the hint that cavitation
    // stays above the manufacturer's limit contradicts it.
    {974, 964},
    // A flashing point does not cavitate: the outlet stays below the vapour
    // pressure, so no bubble collapses in the valve. The sigma hint,
    // computed from the same pressures, does not apply there.
    {974, 917},
    // Strong or choked cavitation: "cavitation sets in" understates it.
    {974, 918},
    {974, 919},
    // The largest point below a fifth of the Kvs: the oversizing warning
    // names the opening and the remedy the opening warning would repeat.
    {1902, 1908},
    // A gas too fast at the valve outlet: the noise module's Mach number
    // of the outlet says it with the figure.
    {908, 1502},
    {908, 1503},
    // The valve outlet too fast for the point's flow state: the noise
    // module's 1501 names the limit of that state (a flashing mixture, a
    // cavitating liquid) the body check 908 judges coarser.
    {908, 1501},
    // A gas above Mach 0.3 in the outlet pipe: the noise module's 1513 says
    // so at the point; the pipe velocity warning stays where it names the
    // inlet pipe as well.
    {909, 1513, "DiP1"},
    // A liquid that boils before the valve: the medium's message names
    // the state that contradicts the declared phase; the valve's check of
    // the vapour pressure against the inlet pressure says the same.
    {981, 110},
    {981, 111},
    // A point declared liquid whose state is a vapour: its speeds judged
    // by a liquid's limits mean nothing; the phase is what to correct.
    {908, 110},
    {908, 111},
    {909, 110},
    {909, 111},
    {1501, 110},
    {1501, 111},
    // No sound level: the main module names the property that is missing
    // (a vapour pressure, a sound speed), the noise module only that the
    // point lies outside its method.
    {1505, 1907},
};

namespace {

// Numbers that say something about the calculation as a whole, however
// many points raise them.
bool ConcernsAllPoints(int no) { return no == 102; }

constexpr int kMsgMissingInput = 101;

// "Input missing" (101) or "the value could not be calculated" (103) at
// an input that reads the result of another module: that module has said
// what it lacks where the
// engineer can act on it (the pipe material for the speed of sound in the
// wall, the seat for the thrust), or it was not asked to calculate; the
// module that reads the result only repeats it.
bool IsFollowOn(const TCalcMessage& msg) {
  if (msg.MsgNo != 103 && msg.MsgNo != kMsgMissingInput) return false;
  // The items it was raised on, not the main module's item it is shown at.
  const auto& items = msg.CalcItems;
  for (const TCalcItem* i : items) {
    const TCalcItem* root = i->GetRootCalcItem();
    if (root == i || root->GetCalcModule() == msg.CalcModule || root->GetInputState() == isUser) return false;
  }
  return !items.empty();
}

}  // namespace

std::vector<TPointMessage> PointMessages(const TCustomSCMSubstances& calc, const TPointsLayout& layout) {
  const TMainCalcModule& main = *calc.GetMainCalcModule();
  std::vector<TPointMessage> facts;
  const auto add = [&](const TCalcMessage& msg, int point, const std::vector<std::string>& names) {
    auto it = std::find_if(facts.begin(), facts.end(),
                           [&](const TPointMessage& f) { return f.point == point && f.no == msg.MsgNo; });
    if (it == facts.end()) {
      it = facts.insert(facts.end(), TPointMessage{point, msg.MsgNo, msg.MessageType, msg.GetTypeText(),
                                                   msg.Text, {}, &msg});
    } else if (msg.MessageType < it->type) {
      it->type = msg.MessageType;
      it->typeText = msg.GetTypeText();
    }
    for (const std::string& n : names)
      if (std::find(it->items.begin(), it->items.end(), n) == it->items.end()) it->items.push_back(n);
  };
  for (const auto& msg : calc.GetCalcMessageContainer()->Messages()) {
    int point = PointOfMessage(*msg, calc, layout);
    if ((point != kAllPoints && !layout.on[point]) || IsFollowOn(*msg)) continue;
    if (ConcernsAllPoints(msg->MsgNo)) point = kAllPoints;
    std::vector<std::string> names = MessageItemNames(*msg, main), shared;
    // An entry missing at a point that serves every point (the valve's
    // size, the pipe's wall) is missing once, for all points.
    if (msg->MsgNo == kMsgMissingInput && point != kAllPoints)
      for (const TCalcItem* twin : MessageMainItems(*msg, main))
        if (PointOfMainItem(twin, layout) == kAllPoints) {
          shared.push_back(twin->GetName());
          std::erase(names, twin->GetName());
        }
    if (!shared.empty()) add(*msg, kAllPoints, shared);
    if (!names.empty() || shared.empty()) add(*msg, point, names);
  }
  std::erase_if(facts, [&](const TPointMessage& f) {
    for (const TSupersededMessage& s : kSupersededMessages)
      if (f.no == s.no &&
          !(s.unlessNamed && std::find(f.items.begin(), f.items.end(), s.unlessNamed) != f.items.end()) &&
          std::any_of(facts.begin(), facts.end(), [&](const TPointMessage& g) {
            return g.no == s.by && (g.point == f.point || g.point == kAllPoints);
          }))
        return true;
    return false;
  });
  // Grouped by point, the facts of every point first, as the report prints
  // them; within a point in the order the calculation raised them. Which
  // point's module happened to calculate last does not reorder the list.
  std::stable_sort(facts.begin(), facts.end(),
                   [](const TPointMessage& a, const TPointMessage& b) { return a.point < b.point; });
  return facts;
}

std::string CalculationTitle(const TCustomSCMSubstances& calc) {
  // Every layer is a part of the control valve calculation; the top layer
  // may describe itself.
  const std::string description = calc.ModuleDescription();
  return Translate(description.empty() ? "Stellventilauslegung" : description) + " (" + calc.ClassName() + ")";
}

std::vector<std::string> MessageItemNames(const TCalcMessage& msg, const TMainCalcModule& main) {
  std::vector<std::string> names;
  for (const TCalcItem* i : ItemsOf(msg)) {
    const TCalcItem* twin = MainTwin(i, main);
    const std::string n = (twin ? twin : i)->GetName();
    if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
  }
  return names;
}


std::vector<const TCalcItem*> MessageMainItems(const TCalcMessage& msg, const TMainCalcModule& main) {
  std::vector<const TCalcItem*> items;
  for (const TCalcItem* i : ItemsOf(msg))
    if (const TCalcItem* twin = MainTwin(i, main); twin && std::find(items.begin(), items.end(), twin) == items.end())
      items.push_back(twin);
  return items;
}

}  // namespace torvacalc
