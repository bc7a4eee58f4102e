// torvacalc module KIND: one calculation module on its own. The assignments
// NAME=TEXT (from the command line and from case files) are applied in
// order while the module is inactive; it computes once when it is switched
// on, and every item and every message is printed.
#include <algorithm>
#include <cmath>
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
#include "files/text_codec.h"
#include "media/substances_module.h"
#include "shell/commands.h"
#include "shell/module_kinds.h"
#include "shell/json_writer.h"
#include "valves/cm_characteristics.h"
#include "valves/cm_control_valves.h"
#include "valves/cm_resistor.h"
#include "valves/cm_noise.h"
#include "valves/cm_suggest_dn.h"
#include "valves/cm_valve_database.h"
#include "media/cm_flow.h"
#include "media/cm_material_data.h"
#include "media/cm_mixed_phase.h"
#include "media/cm_norm_pipe_thickness.h"
#include "media/cm_water_injection.h"
#include "valves/cm_actuator.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc module KIND [--json] [--all] [-o FILE] [@CASEFILE] [NAME=TEXT ...]\n\n"
    "Creates the calculation module of KIND on its own, applies the\n"
    "assignments in order, computes once and prints its items and every\n"
    "message (as a table, or with --json as one JSON object). The table\n"
    "leaves out the items without a value (--all shows them). With -o FILE\n"
    "the calculation is saved as a calculation file (valve: FILE.cvc), which\n"
    "torvacalc show and torvacalc info open again.\n\n"
    "Kinds:\n"
    "  valve            control valve sizing (TCMControlValves)\n"
    "  substances       properties of the medium (TCMSubstances)\n"
    "  material         pipe material strengths and physical data (TCMMaterialData)\n"
    "  pipe             pipe class, nominal size, wall and bore (TCMNormPipeThickness)\n"
    "  flow             mass, volume and normal volume flow (TCMAllFlow)\n"
    "  mixeddensity     density of a liquid-vapour or liquid-gas mixture (TCMMixedDensity)\n"
    "  mixedphase       two-phase correction of the flow coefficient (TCMMixedPhaseCorr)\n"
    "  valvedb          a valve of the sample catalogue for a duty (TCMValveDatabase)\n"
    "  suggestdn        recommended velocities and smallest valve size (TCMSuggestDN)\n"
    "  characteristics  plant state between the operating points (TCMCharacteristics)\n"
    "  resistor         restriction orifice, perforated plate, stages (TCMResistor)\n"
    "  p2resistor       resistor carried to another operating point (TCMp2Resistor)\n"
    "  iec2003          liquid valve noise, IEC 60534-8-4 (tCMIEC2003)\n"
    "  isa89            gas valve noise, IEC 60534-8-3 2000 or 2010 (TCMIsa89)\n"
    "  vdma79           valve noise, VDMA 24422 (1979) (TCMVDMA79)\n"
    "  vdma89           valve noise, VDMA 24422 (1989) (TCMVDMA89)\n"
    "  waterinjection   state behind the valve, steam desuperheating (TCMWaterInjection)\n"
    "  actuator         thrust of a globe valve and its actuator (TCMActuator)\n"
    "  actuatordb       actuator from the catalogue (TCMActuatorDataBase)\n\n"
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
      {"substances", "TCMSubstances", "sub", [] { return CreateSubstancesModule(); }},
      {"characteristics", "TCMCharacteristics", "chc", [] { return std::make_unique<TCMCharacteristics>(); }},
      {"resistor", "TCMResistor", "rsc", [] { return std::make_unique<TCMResistor>(); }},
      {"p2resistor", "TCMp2Resistor", "p2c", [] { return std::make_unique<TCMp2Resistor>(); }},
      {"iec2003", "tCMIEC2003", "cvn", [] { return std::make_unique<tCMIEC2003>(); }},
      {"vdma79", "TCMVDMA79", "cvn", [] { return std::make_unique<TCMVDMA79>(); }},
      {"vdma89", "TCMVDMA89", "cvn", [] { return std::make_unique<TCMVDMA89>(); }},
      {"isa89", "TCMIsa89", "cvn", [] { return std::make_unique<TCMIsa89>(); }},
      {"material", "TCMMaterialData", "cmd", [] { return std::make_unique<TCMMaterialData>(); }},
      {"pipe", "TCMNormPipeThickness", "cnp", [] { return std::make_unique<TCMNormPipeThickness>(); }},
      {"flow", "TCMAllFlow", "caf", [] { return std::make_unique<TCMAllFlow>(); }},
      {"mixeddensity", "TCMMixedDensity", "cmx", [] { return std::make_unique<TCMMixedDensity>(); }},
      {"mixedphase", "TCMMixedPhaseCorr", "cmp", [] { return std::make_unique<TCMMixedPhaseCorr>(); }},
      {"waterinjection", "TCMWaterInjection", "cwi", [] { return std::make_unique<TCMWaterInjection>(); }},
      {"actuator", "TCMActuator", "cac", [] { return std::make_unique<TCMActuator>(); }},
      {"actuatordb", "TCMActuatorDataBase", "cad", [] { return std::make_unique<TCMActuatorDataBase>(); }},
      {"valvedb", "TCMValveDatabase", "cvd", [] { return std::make_unique<TCMValveDatabase>(); }},
      {"suggestdn", "TCMSuggestDN", "csd", [] { return std::make_unique<TCMSuggestDN>(); }},
  };
  return kinds;
}

namespace {

// A case file is a page of assignments; anything beyond this is not one.
constexpr std::size_t kMaxCaseFileSize = std::size_t{1} << 20;

}  // namespace

// A UTF-8 byte-order mark at the start of a case file (editors on Windows
// write one) is skipped.
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
    line = TrimBlanks(line);
    if (line.empty() || line[0] == '#') continue;
    if (!IsValidUtf8(line)) throw EUsage(path + ":" + std::to_string(no) + ": not valid UTF-8 text");
    if (line.find('=') == std::string::npos)
      throw EUsage(path + ":" + std::to_string(no) + ": expected NAME=TEXT, got \"" + line + "\"");
    lines.push_back(line);
  }
  return lines;
}

namespace {

void AssignSwitch(TCalcItem& item, const std::string& name, const std::string& text) {
  const std::string t = TrimBlanks(text);
  if (auto* multi = dynamic_cast<TCustomCalcMultiSwitch*>(&item)) {
    const int count = static_cast<int>(multi->GetValueList().size());
    // A database list that the module fills only when it computes (the
    // valves of a catalogue series) takes the text as the user's entry.
    if (count == 0 && dynamic_cast<TDataMultiSwitch*>(multi) && !t.empty() && t[0] != '#') {
      item.EnterByUser(false);
      multi->SetText(t);
      return;
    }
    if (!t.empty() && t[0] == '#') {
      if (count == 0)
        throw EUsage(name + ": no item \"" + t + "\": the list is empty" +
                     (dynamic_cast<TDataCalcListSwitch*>(multi) ? " (its database cannot be read)" : ""));
      char* end = nullptr;
      const long n = std::strtol(t.c_str() + 1, &end, 10);
      if (end == t.c_str() + 1 || *end != '\0' || n < 0 || n >= count)
        throw EUsage(name + ": no item \"" + t + "\" (items #0 to #" + std::to_string(count - 1) + ")");
      multi->EnterByUser(false);
      multi->SetSwitchStatus(static_cast<int>(n));
      return;
    }
    // The item's text in German or English, whatever the language.
    int index = multi->IndexOfText(t);
    // A main module's switch hands its choice on to a computing module's
    // switch with the same entries, which may know more names for them
    // (a substance by its name in the other language).
    for (const TCalcItem* target : multi->Targets()) {
      const auto* m = dynamic_cast<const TCustomCalcMultiSwitch*>(target);
      if (index < 0 && m && m->GetValueList() == multi->GetValueList()) index = m->IndexOfText(t);
    }
    if (index < 0) throw EUsage(name + ": unknown item \"" + t + "\"");
    // A choice is the user's, as one made in the program's window (where
    // it replaces a database value, that value is marked modified).
    multi->EnterByUser(false);
    multi->SetSwitchStatus(index);
    return;
  }
  auto& two = dynamic_cast<TCalcSwitch&>(item);
  const TCheckBoxState state = t == "#0" ? cbUnchecked : t == "#1" ? cbChecked : StrToSwitchStatus(t);
  if (state == cbGrayed)
    throw EUsage(name + ": unknown item \"" + t + "\" (expected " + Translate("ja") + " or " + Translate("nein") + ")");
  two.EnterByUser(false);
  two.SetChecked(state == cbChecked);
}

}  // namespace

void AssignItem(TCalcModule& m, const std::string& assignment) {
  // Texts are kept, saved and printed (as JSON too) as UTF-8: bytes that
  // are not are refused here, whatever the item.
  auto [name, text] = SplitAssignment(assignment);
  if (!IsValidUtf8(assignment))
    throw EUsage((IsValidUtf8(name) ? TrimBlanks(name) : std::string("an item name")) + ": not valid UTF-8 text");
  TCalcItem* item = m.CalcItemByName(TrimBlanks(name));
  if (!item) throw EUsage("unknown item \"" + TrimBlanks(name) + "\" of " + m.ClassName());
  if (auto* p = dynamic_cast<TCalcParameter*>(item)) {
    AssignParameter(*p, item->GetName(), text);
  } else if (dynamic_cast<tCustomCalcSwitch*>(item)) {
    AssignSwitch(*item, item->GetName(), text);
  } else {
    const std::string t = TrimBlanks(text);  // "NAME = TEXT" in a case file
    item->EnterByUser(t.empty());
    item->SetText(t);
  }
}

namespace {

int RunModule(const std::vector<std::string>& args, CommandContext& ctx) {
  if (args.empty()) throw EUsage("module needs a KIND (see torvacalc module --help)");
  const std::string& kind = args[0];
  const TModuleKind* found = ModuleKindByName(kind);
  if (!found) throw EUsage("unknown module kind \"" + kind + "\" (known: " + ModuleKindNames() + ")");

  bool json = false, allRows = false;
  std::string outputFile;
  std::vector<std::string> assignments;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--all") {
      allRows = true;
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
    for (const std::string& a : assignments) AssignItem(*module, a);
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
  standalone.Print(ctx.out, json, allRows);
  return ExitOk;
}

}  // namespace

Command ModuleCommand() {
  return {"module", "one calculation module on its own: assignments in, every item and message out",
          kUsage, RunModule};
}

}  // namespace torvacalc
