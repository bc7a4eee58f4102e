#include "workspace/json_items.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "workspace/relevance.h"

namespace torvacalc {

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

// What a program reading the JSON has to do about a message: errors (a
// missing input among them) stop the result, warnings (alarms among them)
// call for a look, hints inform.
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

}  // namespace

void WriteJsonItem(TJsonWriter& w, const TCalcItem& item, bool relevant) {
  w.BeginObject();
  if (const TCalcParameter* p = item.AsParameter()) {
    const Extended basic = p->GetValue();
    const bool has = HasValue(basic);
    // The value in the unit shown and in SI is often the basic one itself:
    // its text is made once.
    const std::string basicText = TJsonWriter::NumberText(basic);
    std::string own;
    const auto text = [&](Extended v) -> const std::string& {
      if (v == basic && std::signbit(v) == std::signbit(basic)) return basicText;
      return own = TJsonWriter::NumberText(v);
    };
    w.PlainKey(R"("kind":)").String("parameter");
    w.PlainKey(R"("value":)").Value(text(has ? p->GetDisplayValue() : NoValue));
    w.PlainKey(R"("unit":)").String(p->GetCalcUnitName());
    w.PlainKey(R"("basic":)").Value(basicText);
    w.PlainKey(R"("si":)").Value(text(has ? GetSIValue(0, p->GetQuantity(), basic) : NoValue));
    w.PlainKey(R"("text":)").String(p->GetDisplayText());
    w.PlainKey(R"("state":)").String(ValueStateName(p->GetValueState()));
    w.PlainKey(R"("inputState":)").Integer(p->GetInputState());
    w.PlainKey(R"("utilized":)").Bool(p->GetUtilized());
    w.PlainKey(R"("approximated":)").Bool(p->GetIsApproximated());
    w.PlainKey(R"("inBounds":)").Bool(p->GetInBounds());
  } else if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(&item)) {
    w.PlainKey(R"("kind":)").String("switch").PlainKey(R"("index":)").Integer(multi->GetSwitchStatus());
    w.PlainKey(R"("text":)").String(multi->GetSelectedValue());
    w.PlainKey(R"("utilized":)").Bool(item.GetUtilized());
  } else if (const auto* two = dynamic_cast<const TCalcSwitch*>(&item)) {
    const TCheckBoxState s = two->GetSwitchStatus();
    w.PlainKey(R"("kind":)").String("switch").PlainKey(R"("index":)").Integer(s == cbGrayed ? -1 : s == cbChecked ? 1 : 0);
    w.PlainKey(R"("text":)").String(Translate(SwitchStatusToStr(s)));
    w.PlainKey(R"("utilized":)").Bool(item.GetUtilized());
  } else {
    w.PlainKey(R"("kind":)").String("string").PlainKey(R"("text":)").String(item.GetText());
  }
  w.PlainKey(R"("relevant":)").Bool(relevant);
  // The user's note on the value, its lines joined by line breaks.
  if (!item.NotesList().empty()) {
    std::string note;
    for (const std::string& line : item.NotesList()) note += (note.empty() ? "" : "\n") + line;
    w.PlainKey(R"("note":)").String(note);
  }
  w.EndObject();
}

void WriteJsonMessage(TJsonWriter& w, const char* point, const TCalcMessage& first, tCalcMessageType type,
                      const std::string& typeText, const std::vector<std::string>& items) {
  w.BeginObject().Key("point");
  if (point)
    w.String(point);
  else
    w.Null();
  w.Key("no").Integer(first.MsgNo).Key("kind").String(MessageKind(type)).Key("type").String(MessageTypeName(type));
  w.Key("typeText").String(typeText);
  w.Key("text").String(first.Text).Key("item");
  if (first.CalcItem)
    w.String(first.CalcItem->GetName());
  else
    w.Null();
  w.Key("items").BeginArray();
  for (const std::string& n : items) w.String(n);
  w.EndArray().Key("priority").Integer(first.Priority).EndObject();
}

void PrintModuleJson(const TCalcModule& m, const TCalcMessageContainer& messages, std::ostream& out) {
  TJsonWriter w(out);
  w.BeginObject().Key("module").String(m.ClassName()).Key("items").BeginObject();
  const TRelevance relevant(m);
  for (const TCalcItem* item : m.GetCalcItems()) {
    w.Key(item->GetName());
    WriteJsonItem(w, *item, relevant(*item));
  }
  // A module on its own is one point: a number it raises at several items
  // is one message naming them all.
  struct TFact {
    const TCalcMessage* msg;
    tCalcMessageType type;
    std::vector<std::string> items;
  };
  std::vector<TFact> facts;
  for (const auto& msg : messages.Messages()) {
    auto it = std::find_if(facts.begin(), facts.end(), [&](const TFact& f) { return f.msg->MsgNo == msg->MsgNo; });
    if (it == facts.end()) it = facts.insert(facts.end(), TFact{msg.get(), msg->MessageType, {}});
    it->type = std::min(it->type, msg->MessageType);
    std::vector<const TCalcItem*> named;
    if (msg->CalcItem) named.push_back(msg->CalcItem);
    named.insert(named.end(), msg->CalcItems.begin(), msg->CalcItems.end());
    for (const TCalcItem* i : named)
      if (std::find(it->items.begin(), it->items.end(), i->GetName()) == it->items.end())
        it->items.push_back(i->GetName());
  }
  w.EndObject().Key("messages").BeginArray();
  for (const TFact& f : facts)
    WriteJsonMessage(w, "1", *f.msg, f.type, f.msg->GetTypeText(), f.items);
  w.EndArray().EndObject();
  out << "\n";
}

namespace {
const char* kPointKeys[kPointCount] = {"1", "2", "3", "X"};
}  // namespace

void PrintPointsJson(const TCustomSCMSubstances& calc, std::ostream& out) {
  PrintPointsJson(calc, LayoutOfCalculation(calc), out);
}

void PrintPointsJson(const TCustomSCMSubstances& calc, const TPointsLayout& layout, std::ostream& out) {
  const TRelevance relevant(*calc.GetMainCalcModule());
  TJsonWriter w(out);
  w.BeginObject().Key("calculation").String(calc.ClassName()).Key("title").String(CalculationTitle(calc));
  w.Key("activePoints").BeginArray();
  for (bool on : layout.on) w.Bool(on);
  w.EndArray().Key("constants").BeginObject();
  for (const TCalcItem* i : layout.constants) {
    w.Key(i->GetName());
    WriteJsonItem(w, *i, relevant(*i));
  }
  w.EndObject().Key("points").BeginArray();
  for (int p = 0; p < kPointCount; ++p) {
    // A point that is off calculates nothing: its object stays empty.
    w.BeginObject();
    for (const TPointRow& r : layout.rows) {
      if (!r.items[p] || !layout.on[p]) continue;
      w.Key(r.base);
      WriteJsonItem(w, *r.items[p], relevant(*r.items[p]));
    }
    w.EndObject();
  }
  w.EndArray().Key("messages").BeginArray();
  for (const TPointMessage& f : PointMessages(calc, layout))
    WriteJsonMessage(w, f.point == kAllPoints ? nullptr : kPointKeys[f.point], *f.first, f.type, f.typeText, f.items);
  w.EndArray().EndObject();
  out << "\n";
}

}  // namespace torvacalc
