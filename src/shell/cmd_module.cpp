// torvacalc module KIND: one calculation module on its own. The assignments
// NAME=TEXT (from the command line and from case files) are applied in
// order while the module is inactive; it computes once when it is switched
// on, and every item and every message is printed.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>

#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "files/byte_stream.h"
#include "files/calculation_file.h"
#include "shell/commands.h"
#include "shell/module_kinds.h"
#include "shell/json_writer.h"
#include "valves/cm_control_valves.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc module KIND [--json] [-o FILE] [@CASEFILE] [NAME=TEXT ...]\n\n"
    "Creates the calculation module of KIND on its own, applies the\n"
    "assignments in order, computes once and prints every item and every\n"
    "message (as a table, or with --json as one JSON object). With -o FILE\n"
    "the calculation is saved as a calculation file (valve: FILE.cvc), which\n"
    "torvacalc show and torvacalc info open again.\n\n"
    "Kinds:\n"
    "  valve   control valve sizing (TCMControlValves)\n\n"
    "Assignments:\n"
    "  NAME=NUMBER [UNIT]   a parameter, e.g. p1=6.8 bar(a), eta1=0.31 mPa s;\n"
    "                       without a unit the parameter's current unit\n"
    "  NAME=ITEM | NAME=#N  a switch: the item text as shown, or item N\n"
    "                       counted from 0 (two-state switches: ja, nein)\n"
    "  NAME=TEXT            a text item\n"
    "  @FILE                the assignments of a case file: one NAME=TEXT per\n"
    "                       line, blank lines and lines starting with # ignored\n\n"
    "An assignment with a blank is one argument: quote it.\n\n"
    "Example: torvacalc module valve @examples/liquid.case 'qm=300 t/h' 'p1=680 kPa(a)'\n";

}  // namespace

const std::vector<TModuleKind>& ModuleKinds() {
  static const std::vector<TModuleKind> kinds = {
      {"valve", "TCMControlValves", "cvc", [] { return std::make_unique<TCMControlValves>(); }},
  };
  return kinds;
}

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

namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// A case file is a page of assignments; anything beyond this is not one.
constexpr std::size_t kMaxCaseFileSize = std::size_t{1} << 20;

// The assignments of a case file, in order. A UTF-8 byte-order mark at its
// start (editors on Windows write one) is skipped.
std::vector<std::string> ReadCaseFile(const std::string& path) {
  RequireRegularFile(path);
  std::string bytes, error;
  const TReadFileResult result = ReadFileBytes(path, kMaxCaseFileSize, bytes, &error);
  if (result == TReadFileResult::TooLarge)
    throw EUsage(path + ": a case file of more than " + std::to_string(kMaxCaseFileSize >> 10) +
                 " KiB cannot be one");
  if (result != TReadFileResult::Ok) throw EUsage("cannot read case file \"" + path + "\": " + error);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  std::istringstream in(bytes);
  std::vector<std::string> lines;
  std::string line;
  int no = 0;
  while (std::getline(in, line)) {
    ++no;
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.find('=') == std::string::npos)
      throw EUsage(path + ":" + std::to_string(no) + ": expected NAME=TEXT, got \"" + line + "\"");
    lines.push_back(line);
  }
  return lines;
}

void AssignParameter(TCalcParameter& p, const std::string& name, const std::string& text) {
  const std::string t = Trim(text);
  p.EnterByUser(t.empty());
  const size_t blank = t.find_first_of(" \t");
  std::string number = t, unit;
  if (blank != std::string::npos) {
    number = t.substr(0, blank);
    unit = Trim(t.substr(blank));
  }
  if (!unit.empty()) {
    const TQuantity q = p.GetQuantity();
    const int unitNo = TQuantityArray::UnitNoByName(q, unit);
    if (unitNo < 0) {
      // A pressure unit without (a) or (g) is ambiguous by a whole
      // atmosphere: the user must say which is meant.
      if (TQuantityArray::UnitNoByName(q, unit + "(a)") >= 0 && TQuantityArray::UnitNoByName(q, unit + "(g)") >= 0)
        throw EUsage(name + ": \"" + unit + "\" does not say absolute or gauge: write " + unit + "(a) or " + unit +
                     "(g)");
      std::string known;
      for (int i = 0; i < TQuantityArray::GetCount(q); ++i)
        known += (i ? ", " : "") + TQuantityArray::GetUnitName(q, i);
      throw EUsage(name + ": unknown unit \"" + unit + "\" of " + p.GetQuantityName() + " (units: " + known + ")");
    }
    p.SetCalcUnitNo(unitNo);
  }
  // The text is read as a user types it, in the parameter's chosen unit:
  // either decimal mark; a text that is no number leaves the parameter
  // faulty (shown as such), a number beyond the range of values is kept
  // as typed and reported out of bounds, an empty one clears it.
  p.SetText(number);
}

void AssignSwitch(TCalcItem& item, const std::string& name, const std::string& text) {
  const std::string t = Trim(text);
  if (auto* multi = dynamic_cast<TCustomCalcMultiSwitch*>(&item)) {
    const int count = static_cast<int>(multi->GetValueList().size());
    if (!t.empty() && t[0] == '#') {
      char* end = nullptr;
      const long n = std::strtol(t.c_str() + 1, &end, 10);
      if (end == t.c_str() + 1 || *end != '\0' || n < 0 || n >= count)
        throw EUsage(name + ": no item \"" + t + "\" (items #0 to #" + std::to_string(count - 1) + ")");
      multi->SetSwitchStatus(static_cast<int>(n));
      return;
    }
    // The item's text in German or English, whatever the language.
    const int index = multi->IndexOfText(t);
    if (index < 0) throw EUsage(name + ": unknown item \"" + t + "\"");
    multi->SetSwitchStatus(index);
    return;
  }
  auto& two = dynamic_cast<TCalcSwitch&>(item);
  const TCheckBoxState state = t == "#0" ? cbUnchecked : t == "#1" ? cbChecked : StrToSwitchStatus(t);
  if (state == cbGrayed)
    throw EUsage(name + ": unknown item \"" + t + "\" (expected " + Translate("ja") + " or " + Translate("nein") + ")");
  two.SetChecked(state == cbChecked);
}

void Assign(TCalcModule& m, const std::string& assignment) {
  auto [name, text] = SplitAssignment(assignment);
  TCalcItem* item = m.CalcItemByName(Trim(name));
  if (!item) throw EUsage("unknown item \"" + Trim(name) + "\" of " + m.ClassName());
  if (auto* p = dynamic_cast<TCalcParameter*>(item))
    AssignParameter(*p, item->GetName(), text);
  else if (dynamic_cast<tCustomCalcSwitch*>(item))
    AssignSwitch(*item, item->GetName(), text);
  else
    item->SetText(text);
}

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

// Pads to a width in characters (UTF-8 aware), so that the columns line up.
std::string Pad(const std::string& s, size_t width) {
  size_t chars = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars >= width ? s + " " : s + std::string(width - chars, ' ');
}

void PrintModuleTable(const TCalcModule& m, const TCalcMessageContainer& messages, std::ostream& out) {
  out << m.ClassName() << "\n\n";
  out << Pad(Translate("Bezeichnung"), 44) << Pad(Translate("Name"), 20) << Pad(Translate("Wert"), 28)
      << Pad(Translate("Einheit"), 12) << Translate("Zustand") << "\n";
  for (const TCalcItem* item : m.GetCalcItems()) {
    std::string value = item->GetDisplayText(), unit, state;
    if (const auto* p = dynamic_cast<const TCalcParameter*>(item)) {
      unit = p->GetCalcUnitName();
      if (HasValue(p->GetValue()) || p->GetValueState() != vsUndefined)
        state = Translate(InputStateText(p->GetInputState()));
      if ((HasValue(p->GetValue()) && !p->GetInBounds()) || p->TypedBeyondRange())
        state += (state.empty() ? "" : ", ") + Translate("ausserhalb der Grenzen");
    } else if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(item)) {
      value = multi->GetSelectedValue();
    } else if (const auto* two = dynamic_cast<const TCalcSwitch*>(item)) {
      value = Translate(SwitchStatusToStr(two->GetSwitchStatus()));
    }
    if (!item->GetUtilized()) state += (state.empty() ? "" : ", ") + Translate("nicht verwendet");
    out << Pad(TerminalText(item->GetCaption()), 44) << Pad(TerminalText(item->GetName()), 20)
        << Pad(value.empty() ? "-" : TerminalText(value), 28) << Pad(unit, 12) << state << "\n";
  }
  out << "\n" << Translate("Meldungen") << ":";
  if (messages.Messages().empty()) out << " " << Translate("keine");
  out << "\n";
  for (const auto& msg : messages.Messages()) {
    out << "  " << msg->GetTypeText() << " " << msg->MsgNo << ": " << TerminalText(msg->Text);
    std::string names;
    for (const TCalcItem* i : msg->CalcItems) names += (names.empty() ? "" : ", ") + i->GetName();
    if (!names.empty()) out << " [" << names << "]";
    out << "\n";
  }
}

TStandaloneModule::TStandaloneModule(const TModuleKind& kind) : FModule(kind.create()) {
  FModule->SetCalcMessageContainer(&FMessages);
}

TStandaloneModule::~TStandaloneModule() {
  FMessages.RemoveAllMessages();
  FModule->SetCalcMessageContainer(nullptr);
}

void TStandaloneModule::Print(std::ostream& out, bool json) const {
  if (json)
    PrintModuleJson(*FModule, FMessages, out);
  else
    PrintModuleTable(*FModule, FMessages, out);
}

namespace {

int RunModule(const std::vector<std::string>& args, CommandContext& ctx) {
  if (args.empty()) throw EUsage("module needs a KIND (see torvacalc module --help)");
  const std::string& kind = args[0];
  const TModuleKind* found = ModuleKindByName(kind);
  if (!found) throw EUsage("unknown module kind \"" + kind + "\" (known: valve)");

  bool json = false;
  std::string outputFile;
  std::vector<std::string> assignments;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) throw EUsage("-o needs a file name");
      outputFile = args[++i];
    } else if (!a.empty() && a[0] == '@') {
      const auto lines = ReadCaseFile(a.substr(1));
      assignments.insert(assignments.end(), lines.begin(), lines.end());
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc module --help)");
    } else {
      assignments.push_back(a);
    }
  }

  TStandaloneModule standalone(*found);
  TCalcModule* module = &standalone.Module();
  // The bulk-set bracket: the module stays inactive while the values are
  // set, so that it computes once, with all of them, when switched on.
  module->SetActive(false);
  module->BeginUpdate();
  try {
    for (const std::string& a : assignments) Assign(*module, a);
  } catch (...) {
    module->EndUpdate(false);
    throw;
  }
  module->EndUpdate(false);
  module->SetActive(true);

  if (!outputFile.empty()) {
    try {
      SaveModuleToFile(*module, outputFile, found->extension);
    } catch (const ECalculationFile& e) {
      throw EUsage(e.what());
    } catch (const EHXFileWriteError& e) {
      throw EUsage(outputFile + ": " + e.what());
    }
  }
  standalone.Print(ctx.out, json);
  return ExitOk;
}

}  // namespace

Command ModuleCommand() {
  return {"module", "one calculation module on its own: assignments in, every item and message out",
          kUsage, RunModule};
}

}  // namespace torvacalc
