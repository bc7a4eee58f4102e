#include "workspace/torva_workspace.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "assembly/main_items.h"
#include "assembly/noise_methods.h"
#include "assembly/scm_control_valves.h"
#include "assembly/scm_operating_points.h"
#include "files/calculation_file.h"
#include "assembly/whole_calculation.h"
#include "framework/translation.h"
#include "workspace/item_map.h"
#include "workspace/points_layout.h"
#include "workspace/relevance.h"

namespace torvacalc {

namespace {

// The pages as they are written here: the names are not copied into
// strings, only those of the items found are.
struct TNamesGroup {
  const char* Caption;
  std::vector<const char*> Names;
};
struct TNamesPage {
  const char* Caption;
  std::vector<TNamesGroup> Groups;
};

// The main module's items as an engineer goes through a valve sizing from
// scratch: the header, the medium, the pipe, the operating points (inlet
// pressure and temperature, outlet pressure, flow; then the results), the
// valve and its actuator, noise, characteristic. Names the main module does not have are
// dropped; every main-module item not named here (and not a further
// point's twin) ends in a last group, so that nothing is hidden.
std::vector<TItemPage> TorvaPages(const TMainCalcModule& m) {
  const std::vector<TNamesPage> names = {
      {"Kopfdaten",
       {{"Kopfdaten",
         {"Tag", "Service", "Project", "Customer", "Plant", "LineNo", "PID", "SheetNo", "DocumentNo", "Revision",
          "SheetDate", "PreparedBy", "CheckedBy", "ApprovedBy", "Identifier", "Author", "Revisor", "WhenCreated",
          "WhenModified"}}}},
      {"Medium",
       {{"Medium",
         {"FluidName", "UseExtFluid", "ExtFluids", "Concentration", "Phase", "EnterXorH", "GasMedium", "SubstanceType",
          "SaturatedPhase", "ChangePhase", "MessageIfChangePhase", "HumidityType", "ViscosityType", "PulpeType",
          "XPulp", "XSpec", "StandardConditions", "TN0", "PN0", "RhoNRiM", "Description", "Formula", "CASNo",
          "Manufacturer"}},
        {"Stoffwerte am Eintritt",
         {"Rho1", "RhoL", "RhoV", "V1", "Eta1", "Ny1", "Kappa1", "Z1", "Pv1", "Pl1", "pl1", "Tv1", "Tl1", "Cf",
          "Cp1", "Cv1", "H1", "S1", "Dhv", "dHvT", "Lambda1", "xMv1", "PvW1", "xFG1"}},
        {"Stoffwerte am Austritt",
         {"pv2", "rho2Star", "rho2v", "rho2r", "rho2", "cf2Star", "cf2", "kappa2Star", "Z2", "CpL2", "dhv2", "xFG", "t2"}},
        {"Stoffkonstanten", {"M", "RhoN", "Ri", "Sg", "Tc", "Pc", "Zc", "Omega", "Tt", "Ts", "RhoC", "Zn", "My"}}}},
      {"Rohrleitung",
       {{"Austrittsleitung",
         {"PipeClass", "LineSize", "DN", "PN", "EnterDi", "DiP", "DaP", "tp", "CheckP1", "Insulation"}},
        {"Eintrittsleitung", {"DN1", "PN1", "EnterDi1", "DiP1", "DaP1", "tP1", "CheckP1In"}},
        {"Werkstoff",
         {"NormInput", "EN13480Name", "Material", "EN13480No", "Condition", "MaterialClass", "ExpansionClass", "EM",
          "RhoM", "cPipe", "Rp02", "Rm_20", "tMatMin", "tMatMax"}},
        {"Widerstand",
         {"InjectionValve", "UseResistors", "ResistorType", "ValveTypeRes", "InwardFlowRes", "FixedResistor", "NKnown", "NRes",
          "MaSug", "p2Res", "cvr", "pr", "dr",
          "aPSE", "bSSE", "dRes", "ARes", "NBores", "DNRes", "LaRes", "FlowStateRes", "xRes", "DNResMa"}},
        {"Drosselstufen",
         {"P1Res1", "P2Res1", "Rho1Res1", "P1Res2", "P2Res2", "Rho1Res2", "P1Res3", "P2Res3", "Rho1Res3", "P1Res4",
          "P2Res4", "Rho1Res4", "P1Res5", "P2Res5", "Rho1Res5", "P1Res6", "P2Res6", "Rho1Res6"}}}},
      // The operating points: what is asked, then each point's inlet
      // state, outlet pressure and flow, then what the sizing found.
      {"Betriebsdaten",
       {{"Berechnung",
         {"WhatToCalculate", "UsekvLimit", "Compressible", "NoOfEnteredOps", "Use2ndOp", "Use3rdOp", "UseXthOp", "NoOfValidOps"}},
        {"Betriebspunkt",
         {"P1", "T1", "PhiRel", "p2", "QmOrQv", "QmOrQvMoist", "Qm", "Qv", "Qn", "QnTr", "QnF", "kv", "dp"}},
        {"Ergebnisse",
         {"FlowState", "FlowType", "DisplayPhase", "CalculatedPhase", "qmCalc", "QvCalc", "QnCalc", "p1Calc", "KvNC",
          "x", "xc", "KvKvs", "h", "StrokePosition", "dpc", "dpLimit", "dpXc"}}}},
      {"Ventil",
       {{"Ventil",
         {"ValveType", "GlobeType", "RotaryType", "ButterflyType", "BallValveType", "CharacteristicType", "phi0", "KvCurve",
          "LowNoiseDesign", "InwardFlow", "kvs", "DNV", "DNV1", "ListDN", "ListDN1", "Seat", "dH", "kvsSuggMin",
          "kvsSuggMax", "SuggestedDN", "ViscosityNorm"}},
        {"Ventilbeiwerte",
         {"fl2_75", "Kc_75", "zy_75", "xt_75", "fd_75", "fd_75c", "fl2", "Kc", "zy", "xt", "xtp", "fd", "fp", "fr",
          "flp2", "fk", "KcStar", "FlStar", "RE", "KvRed", "fPulp", "f1", "f2", "g1", "g2", "fl2func", "Kcfunc",
          "zyfunc", "xtfunc", "fdfunc"}},
        // What the catalogue chose and what it was chosen for: the choice
        // of manufacturer, series and valve, the duty it was sized to,
        // the valve's rating and limits and its acoustic data.
        {"Ventil (Katalog)",
         {"ValveFromDatabase", "VManufacturer", "VSeries", "FilterValveDatabase", "OnlyFittingValves", "AllValves",
          "ValveCanBeModified", "ValveFromHX4Database", "ManualDN", "LineValveSize", "ListPN", "PNV", "pmaxValve",
          "tminValve", "tmaxValve", "Strut", "SndDN", "kvMax", "kvsSugg", "p1Max", "T1Max", "MinDN", "MaxU1", "MaxU2",
          "n0", "dLGas0500", "dLGas1000", "dLGas2000", "dLGas4000", "dLLiq0500", "dLLiq1000", "dLLiq2000",
          "dLLiq4000"}},
        {"Kavitation", {"HasSigmaData", "SigmaP", "SigmaV", "SigmaMr", "SigmaCh", "SigmaI", "SigmaId", "Sigma"}},
        {"Nennbedingungen", {"QmNC", "P1NC", "P2NC"}},
        // The thrust the valve needs, then the actuator chosen for it
        // (by name, or the smallest of the catalogue that fits) and what
        // it gives.
        {"Antrieb",
         {"ActuatorKind", "FailPosition", "LeakageClass", "PackingType", "Stem", "BalancedPlug", "dpShutOff",
          "SupplyPressure", "MinReserve", "Stroke", "UnbalancedForce", "PackingFriction", "SeatLoad",
          "RequiredThrust"}},
        {"Antrieb (Katalog)",
         {"WantedActuator", "ActuatorName", "ActuatorManufacturer", "ActuatorType", "ActuatorArea", "SpringStart",
          "SpringEnd", "SpringRange", "RatedThrust", "ActuatorStroke", "ActuatorSpeed", "ActuatorThrust",
          "ThrustReserve"}},
        {"Ausführung",
         {"EndConnection", "FaceToFace", "BodyMaterial", "BonnetType", "TrimMaterial", "Positioner", "InputSignal",
          "Accessories", "Handwheel", "AllowedLevel", "SheetNotes"}}}},
      {"Geräusch",
       {{"Geräuschberechnung",
         {"NoiseNormLiquid", "NoiseNormGas", "UseMaCorrection", "LowNoise", "rw", "dLaCo", "Stp", "Aeta"}},
        {"Schallpegel",
         {"LpAa", "LaTot", "La1", "La2", "LpAe0m", "PVer", "MechDamage", "Regime", "DLaMa", "DLaLN", "dLaRed",
          "dLaPulp", "dLaRes"}},
        {"Geschwindigkeiten",
         {"u", "u2", "uDiP1", "uDiP2", "MaDN", "MaxUMD1", "MaxUMD2", "uMaxCav", "uMaxFlashing", "uMaxNoCav",
          "uMaxPartCav", "DNSug03", "DNSug07", "DNSug10", "DNSug100"}},
        {"Oktavspektrum", {"LpAa0500", "LpAa1000", "LpAa2000", "LpAa4000", "LpAa8000"}}}},
      {"Kennlinie",
       {{"Kennlinie",
         {"NoOfCharOps", "UseSmoothCurves", "qmax", "Optimization", "ax", "a1", "dpMin", "dpMax",
          "BadPressureCurves"}},
        {"Kennlinienempfehlung",
         {"RecommendChar", "Control", "Measurement", "ApplicationOf", "SetPoint", "PressureControl",
          "LevelDisturbance", "HeaterDisturbance", "CiBase", "ControlRange", "dpRatio",
          "RecommendedCharacteristic"}}}},
  };
  // Names are matched without regard to case; the window uses each item's
  // own spelling. An item is listed once, in its first place.
  std::vector<TItemPage> pages;
  pages.reserve(names.size() + 1);
  TItemMap<bool> listed(static_cast<size_t>(m.GetParameterCount()));
  const auto list = [&](TItemGroup& group, const char* name) {
    if (const TCalcItem* item = m.CalcItemByName(name); item && !std::exchange(listed[item], true))
      group.Items.push_back(item->GetName());
  };
  for (const TNamesPage& page : names) {
    TItemPage& p = pages.emplace_back();
    p.Caption = page.Caption;
    for (const TNamesGroup& group : page.Groups) {
      TItemGroup& g = p.Groups.emplace_back();
      g.Caption = group.Caption;
      // Each noise method's edition follows the choice of the methods.
      const bool noise = g.Caption == "Geräuschberechnung";
      for (size_t k = 0; k < group.Names.size(); ++k) {
        if (noise && k == 2)
          for (const TNoiseMethod& n : NoiseMethods())
            if (*n.Edition) list(g, n.Edition);
        list(g, group.Names[k]);
      }
    }
  }
  TItemGroup rest{"Weitere Werte", {}, false};
  for (const TCalcItem* item : m.GetCalcItems()) {
    if (listed.Find(item)) continue;
    // A further point's twin ends in "Ap2", "Ap3" or "ApX" (OpSuffix) after
    // the name of an item.
    const std::string_view n = item->GetName();
    const size_t at = n.size() - 3;
    const bool twin = n.size() > 3 && n[at] == 'A' && n[at + 1] == 'p' &&
                      (n[at + 2] == '2' || n[at + 2] == '3' || n[at + 2] == 'X') && m.CalcItemByName(n.substr(0, at));
    if (!twin) rest.Items.push_back(item->GetName());
  }
  if (!rest.Items.empty()) pages.push_back({"Weitere Werte", {std::move(rest)}});
  return pages;
}

}  // namespace

TTorvaWorkspace::TTorvaWorkspace() : TTorvaWorkspace(CreateCalculation<TSCMTorva>()) {}

TTorvaWorkspace::TTorvaWorkspace(TValuesFollow) : TTorvaWorkspace(CreateCalculationForValues<TSCMTorva>()) {}

struct TTorvaWorkspace::TBuilt {
  TCalcState State;
  TNumericOptions Numerics;
  // The units of the shown parameters: an item that shows another
  // module's item keeps a unit of its own.
  std::vector<std::pair<TCalcParameter*, int>> Units;
};

TTorvaWorkspace::TTorvaWorkspace(TReusable) : TTorvaWorkspace(TValuesFollow{}) {
  FBuilt = std::make_unique<TBuilt>();
  FBuilt->State = FCalc->SaveState();
  FBuilt->Numerics = FCalc->Numerics;
  for (TCalcParameter* p : Parameters()) FBuilt->Units.emplace_back(p, p->GetCalcUnitNo());
}

void TTorvaWorkspace::StartAgain() {
  if (!FBuilt) throw std::logic_error("StartAgain needs a workspace built to be reused");
  FCalc->StartAgainFrom(FBuilt->State);
  SetCalculationStructureMaker(*FCalc, [this] { return PagesInFiles(); });
  FCalc->Numerics = FBuilt->Numerics;
  for (const auto& [p, unit] : FBuilt->Units) p->SetCalcUnitNo(unit);
  RestartHistory();
}

TTorvaWorkspace::TTorvaWorkspace(std::unique_ptr<TCustomSCMSubstances> calc) : FCalc(std::move(calc)) {
  FPages = TorvaPages(*FCalc->GetMainCalcModule());
  // Found now, looking up items later changes nothing.
  FindTwins();
  // The pages are made for the files as one is written.
  SetCalculationStructureMaker(*FCalc, [this] { return PagesInFiles(); });
  FCalc->AfterLastCalculate = [this](TSuperCalcModule&) { KeepShownUnits(); };
  WatchHistory();
  // Switching the new calculation on took its first state into the undo
  // history; taking it again would cost a second snapshot.
  // One still to be switched on by its entries starts it there.
  if (FCalc->GetHistoryCount() != 1 && FCalc->GetActive()) RestartHistory();
}

// The pages in the calculation's files, for the export templates: each
// row with the items of every point.
TCalcStructure TTorvaWorkspace::PagesInFiles() const {
  TCalcStructure structure;
  for (const TItemPage& page : FPages) {
    TCalcStructure::TPage& p = structure.Pages.emplace_back();
    p.Caption = page.Caption;
    for (const TItemGroup& group : page.Groups) {
      TCalcStructure::TGroup& g = p.Groups.emplace_back();
      g.Caption = group.Caption;
      std::vector<const TCalcItem*> listed;
      for (const std::string& row : group.Items) {
        std::array<TCalcItem*, 4> items;
        RowItems(row, items);
        for (const TCalcItem* i : items)
          if (i && std::find(listed.begin(), listed.end(), i) == listed.end()) {
            listed.push_back(i);
            g.Items.push_back(i->GetName());
          }
      }
    }
  }
  return structure;
}

TTorvaWorkspace::~TTorvaWorkspace() {
  // The pages handed to the files go with the calculation (another one may
  // later stand at the same address).
  SetCalculationStructure(*FCalc, {});
  FCalc->AfterLastCalculate = nullptr;
  FLayout.reset();
  // The messages name the calculation's items: they go first.
  FCalc->GetCalcMessageContainer()->RemoveAllMessages();
}

const std::vector<std::string>& TTorvaWorkspace::RequiredEntries() const {
  // A valve sizing from scratch: the medium and its phase, the pipe, the
  // state of each operating point and its flow, the valve.
  static const std::vector<std::string> entries = {"FluidName", "Phase", "PipeClass", "DN", "P1", "T1",
                                                   "p2",        "Qm",    "ValveType", "kvs"};
  return entries;
}

bool TTorvaWorkspace::PointOn(int op) const {
  if (op == 0) return true;
  const auto* ops = dynamic_cast<const TCustomSCM3SubstancesMaterialPipe*>(FCalc.get());
  if (!ops) return false;
  return op == 3 ? ops->GetOpXEnabled() : ops->GetNoOfOps() >= op + 1;
}

std::string TTorvaWorkspace::KindName() const { return FCalc->ClassName(); }

std::string TTorvaWorkspace::OperatingPointCaption(int op) const {
  return Translate("Betriebspunkt") + " " + (op == 3 ? std::string("X") : std::to_string(op + 1));
}

TSuperCalcModule& TTorvaWorkspace::Super() { return *FCalc; }

TCalcItem* TTorvaWorkspace::Item(const std::string& name, int op) const {
  if (op < 0 || op > 3) return nullptr;
  const TMainCalcModule& m = *FCalc->GetMainCalcModule();
  TCalcItem* first = m.CalcItemByName(name);
  if (op == 0 || !first) return first;
  return Twin(*first, op);
}

void TTorvaWorkspace::RowItems(const std::string& name, std::span<TCalcItem*> items) const {
  TCalcItem* first = FCalc->GetMainCalcModule()->CalcItemByName(name);
  const std::array<TCalcItem*, 3>* twins = first ? TwinsOf(*first) : nullptr;
  for (size_t op = 0; op < items.size(); ++op)
    items[op] = op == 0 ? first : twins && op <= 3 ? (*twins)[op - 1] : nullptr;
}

TCalcItem* TTorvaWorkspace::Twin(const TCalcItem& first, int op) const {
  const auto* twins = TwinsOf(first);
  return twins ? (*twins)[static_cast<size_t>(op - 1)] : nullptr;
}

const std::array<TCalcItem*, 3>* TTorvaWorkspace::TwinsOf(const TCalcItem& first) const {
  if (FTwinsOfItems != FCalc->GetMainCalcModule()->GetParameterCount()) FindTwins();
  return FTwins.Find(&first);
}

void TTorvaWorkspace::FindTwins() const {
  // Each item named with a point's suffix (in any case, as the names are
  // compared) is the twin of the item named as it is without the suffix.
  const TMainCalcModule& m = *FCalc->GetMainCalcModule();
  FTwins.Clear(static_cast<size_t>(m.GetParameterCount()) / 4);
  for (TCalcItem* i : m.GetCalcItems()) {
    const std::string& name = i->GetName();
    if (const int point = PointOfItemName(name))
      if (const TCalcItem* base = m.CalcItemByName(std::string_view(name).substr(0, name.size() - 3)))
        FTwins[base][static_cast<size_t>(point - 1)] = i;
  }
  FTwinsOfItems = m.GetParameterCount();
}

bool TTorvaWorkspace::Relevant(const std::string& name, int op) const {
  const TCalcItem* item = Item(name, op);
  if (!item) return false;
  if (const auto* ops = dynamic_cast<const TCustomSCM3SubstancesMaterialPipe*>(FCalc.get()); ops && op > 0)
    if (op == 3 ? !ops->GetOpXEnabled() : ops->GetNoOfOps() <= op) return false;
  return TRelevance(*FCalc->GetMainCalcModule())(*item);
}

void TTorvaWorkspace::Load(const std::string& fileName) { Load(fileName, nullptr); }

void TTorvaWorkspace::Load(const std::string& fileName, std::vector<std::string>* notices) {
  // The file is read once, for its class and for the calculation.
  auto file = std::make_unique<THXFile>(TGUID::NewGUID());
  file->Load(fileName);
  // A calculation not yet switched on waits for these values: it has
  // nothing to put back, and a file that cannot be read leaves it to be
  // thrown away, as a new window does.
  Load(std::move(file), fileName, notices, FCalc->GetActive() ? TFailedRead::PutBack : TFailedRead::Discard);
}

void TTorvaWorkspace::Load(std::unique_ptr<THXFile> file, const std::string& fileName,
                           std::vector<std::string>* notices, TFailedRead failed) {
  const std::string className = CalculationClassOfFile(*file);
  if (className != KindName())
    throw ECalculationFile(Translate("Die Datei enthält keine Regelventilberechnung") + ": " + className);
  // A file that cannot be read leaves the calculation as it was (the read
  // puts the state back before it throws); one that can starts the undo
  // history afresh with the state read.
  ReadCalculationFromFile(*FCalc, std::move(file), fileName, notices, failed);
}

int TTorvaWorkspace::MessagePoint(const TCalcMessage& msg) const {
  // The rows do not change with the values: made once.
  if (!FLayout) FLayout = std::make_unique<TPointsLayout>(LayoutOfCalculation(*FCalc));
  return PointOfMessage(msg, *FCalc, *FLayout);
}

const TPointsLayout& TTorvaWorkspace::Layout() const {
  if (!FLayout)
    FLayout = std::make_unique<TPointsLayout>(LayoutOfCalculation(*FCalc));
  else
    FLayout->on = PointsOn(*FCalc);  // follows the entries
  return *FLayout;
}

std::vector<TPointMessage> TTorvaWorkspace::ReadMessages() const { return PointMessages(*FCalc, Layout()); }

void TTorvaWorkspace::Save(const std::string& fileName) { FCalc->SaveToFile(fileName); }

bool TTorvaWorkspace::SortOperatingPoints() {
  auto* valves = dynamic_cast<TCustomSCM3ControlValves*>(FCalc.get());
  if (!valves) return false;
  valves->SortOps();
  return true;
}

std::unique_ptr<TWorkspace> CreateWorkspace() { return std::make_unique<TTorvaWorkspace>(); }

std::unique_ptr<TWorkspace> CreateWorkspaceForFile(const std::string& fileName) {
  std::string className;
  try {
    className = CalculationClassOfFile(fileName);
  } catch (const std::exception&) {
    // Not readable: the calculation of this program says why when it reads.
  }
  if (className == "TCMControlValves") return std::make_unique<TValveModuleWorkspace>();
  // A lower layer of the valve calculation opens as itself.
  if (auto layer = CreateWholeCalculationOfClass(className)) return std::make_unique<TTorvaWorkspace>(std::move(layer));
  return CreateWorkspace();
}

std::unique_ptr<TWorkspace> OpenWorkspace(const std::string& fileName, std::vector<std::string>* notices) {
  auto file = std::make_unique<THXFile>(TGUID::NewGUID());
  std::string className;
  try {
    file->Load(fileName);
    className = CalculationClassOfFile(*file);
  } catch (const std::exception&) {
    // Not readable: the calculation of this program says why when it reads.
    TTorvaWorkspace(TTorvaWorkspace::TValuesFollow{}).Load(fileName);
    throw;
  }
  if (className == "TCMControlValves") {
    auto module = std::make_unique<TValveModuleWorkspace>();
    module->Load(fileName);
    return module;
  }
  // A lower layer of the valve calculation opens as itself; another class
  // is refused by the reading.
  auto layer = CreateWholeCalculationOfClass(className, false);
  auto whole = layer ? std::make_unique<TTorvaWorkspace>(std::move(layer))
                     : std::make_unique<TTorvaWorkspace>(TTorvaWorkspace::TValuesFollow{});
  whole->Load(std::move(file), fileName, notices, TFailedRead::Discard);
  return whole;
}

}  // namespace torvacalc
