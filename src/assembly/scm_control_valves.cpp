#include "assembly/scm_control_valves.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "assembly/main_items.h"
#include "framework/basics.h"
#include "framework/module_items.h"
#include "framework/options.h"
#include "catalogue/valve_catalogue.h"
#include "media/water_steam.h"
#include "plant/characteristic_choice.h"

namespace torvacalc {

namespace {

using L = TValveLink;

// Messages of the checks across the operating points.
constexpr int kMsgKvsTooSmall = 1901;
constexpr int kMsgOpeningLow = 1902;
constexpr int kMsgOpeningHigh = 1903;
constexpr int kMsgRangeability = 1904;
constexpr int kMsgPointsOutOfOrder = 1905;
constexpr int kMsgNoFlowState = 1906;
constexpr int kMsgNoNoise = 1907;
constexpr int kMsgOversized = 1908;
constexpr int kMsgBodyRating = 1909;
constexpr int kMsgBodyTooHot = 1910;
// Wet steam given by an enthalpy outside the wet region, or of a medium
// without saturation enthalpies; an injection valve for a medium that is
// not liquid.
constexpr int kMsgEnthalpyNotWet = 1911;
constexpr int kMsgEnthalpyNoSaturation = 1912;
constexpr int kMsgInjectionNotLiquid = 1913;
// The recommended characteristic: one message per rule (TChoiceRule).
constexpr int kMsgCharacteristicRule = 1920;

// Openings below 10 % leave the plug close to its seat, where the
// characteristic is least reliable and the seat erodes; above 90 % the
// valve has no reserve to correct a disturbance.
constexpr Extended kOpeningMin = 10;  // %
constexpr Extended kOpeningMax = 90;  // %
// The rangeability a control valve of the usual characteristics keeps
// (inherent rangeability 50:1 of equal-percentage and linear trims).
constexpr Extended kRangeability = 50;
// A valve whose largest duty needs less than a fifth of its Kvs is
// oversized: it controls every duty near its seat, and a smaller Kvs (or
// a smaller size) serves the plant better.
constexpr Extended kOversizedShare = 0.2L;

// The name of an operating point in messages.
std::string PointName(int point) { return point == 4 ? "X" : std::to_string(point); }

const char* const kBands[] = {"0500", "1000", "2000", "4000", "8000"};

// The rows of one module, written "main|item" (or "name" when both sides
// have the same name), separated by blanks.
void Rows(std::vector<L>& out, L::TModule module, L::TWay way, bool perPoint, bool firstOnly,
          std::string_view list) {
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  for (size_t start = 0, end = 0; start < list.size(); start = end) {
    if (blank(list[start])) {
      end = start + 1;
      continue;
    }
    for (end = start; end < list.size() && !blank(list[end]);) ++end;
    const std::string_view entry = list.substr(start, end - start);
    const auto bar = entry.find('|');
    out.push_back({module, way, perPoint, firstOnly, std::string(entry.substr(0, bar)),
                   std::string(bar == std::string_view::npos ? entry : entry.substr(bar + 1))});
  }
}

// Octave bands of a spectrum: main name and item name with the band.
void BandRows(std::vector<L>& out, L::TModule module, const std::string& main, const std::string& item) {
  for (const char* b : kBands) out.push_back({module, L::lwOut, true, true, main + b, item + b});
}

std::vector<L> MakeLinks() {
  std::vector<L> v;
  constexpr bool per = true, once = false, all = false, first = true;
  // The inlet pipe: bore, outside diameter and wall for the pipe before the
  // valve, in the pipe class of the outlet pipe.
  Rows(v, L::lmInletPipe, L::lwPump, once, all, "PipeClass");
  Rows(v, L::lmInletPipe, L::lwIn, once, all, "p1Max|P1");
  Rows(v, L::lmInletPipe, L::lwOut, once, all, "EnterDi1|EnterDi DN1|DN PN1|PN CheckP1In|CheckP1 DaP1|DaP DiP1|DiP tP1|tP");

  // The medium behind the valve: at the outlet pressure, with the state it
  // reaches there.
  for (const auto* list : {&TCustomMCMSubstances::SwitchNames(), &TCustomMCMSubstances::InputNames(),
                           &TCustomMCMSubstances::ConstantNames()})
    for (const auto& n : *list) {
      if (n == "P1" || n == "RhoNRiM" || n == "MessageIfChangePhase" || n == "Phase" || n == "GasMedium" || n == "ChangePhase" ||
          n == "StandardConditions" || n == "TN0" || n == "PN0" || n == "RhoN" || n == "Ri" || n == "Sg" ||
          n == "M" || n == "xMv1")
        continue;
      v.push_back({L::lmDownstream, L::lwIn, once, all, n, TCustomMCMSubstances::ModuleNameOf(n)});
    }
  Rows(v, L::lmDownstream, L::lwPump, once, all, "Phase GasMedium StandardConditions TN0 PN0");
  // A liquid that flashes: behind the valve the gas constants of its
  // vapour count.
  Rows(v, L::lmDownstream, L::lwIn, once, all, "Flashing");
  Rows(v, L::lmDownstream, L::lwIn, per, all, "p2|P1 T2Medium|T1 PhiRel|PhiRel xMv2|xMv");
  Rows(v, L::lmDownstream, L::lwOut, per, all,
       "pv2|pv1 rho2Star|rho1 rhoV2|rhoV cf2Star|cf kappa2Star|kappa1 dhv2|dHvT Z2|z1 CpL2|cpL");

  // The state behind the valve (isenthalpic throttling) and the cooling
  // water of a desuperheater.
  Rows(v, L::lmWaterInjection, L::lwIn, once, all,
       "Phase UseResistors ResistorType SubstanceType SteamConverter WIApplication T2orDtv dt DiP1|D1 DiP|D2 "
       "pwi dpowi twi phi0");
  Rows(v, L::lmWaterInjection, L::lwIn, per, all,
       "FlowState P1|p1 h1 p2Res|p2 p2|p2v T1|t1 QmValve|qm Rho1|rho1 Cp1|cp1 rho2v|rho2 dhv2 CpL2|cp2 "
       "Kappa1|kappa1 kappa2Star|kappa2 Z2|z2 Cf|cf1");
  Rows(v, L::lmWaterInjection, L::lwOut, per, all, "t2 rho2r t2v xFG");
  Rows(v, L::lmWaterInjectionOut, L::lwOut, per, all, "qmwi pvwi tvwi WIType");

  // Density and sound speed of what leaves the valve (liquid, vapour or
  // both).
  Rows(v, L::lmMixture, L::lwIn, once, all, "Phase SubstanceType");
  Rows(v, L::lmMixture, L::lwIn, per, all,
       "FlowState Rho1|RhoF Pv1|pv1 pv2 p2 rho2Star|RhoG rhoV2|RhoV cf2Star|cfG Cf|cfF kappa2Star|kappaG "
       "xOutletMedium|xFG");
  Rows(v, L::lmMixture, L::lwOut, per, all, "rho2v|Rho cf2|cf");

  // Valve sizing.
  Rows(v, L::lmValve, L::lwIn, once, all,
       "LineSize CharacteristicType LowNoiseDesign DiP|DN2 DiP1|DN1 DNV DNV1 Seat fl2_75 Kc_75 zy_75 xt_75 "
       "fd_75 fd_75c dH fdfunc fl2func Kcfunc zyfunc xtfunc f1 f2 g1 g2 InwardFlow kvs Pc|pc Tc|tc phi0 KvCurve cvr "
       "pr dr aPSE bSSE Phase PulpeType SubstanceType XPulp|xPulp ListDN ListDN1 PipeClass ValveType "
       "GlobeType RotaryType ButterflyType BallValveType ViscosityNorm UseResistors ResistorType "
       "WhatToCalculate HasSigmaData UsekvLimit Compressible");
  Rows(v, L::lmValve, L::lwIn, per, all,
       "CalculatedPhase Eta1|eta1 Kappa1|kappa1 Z1|z1 Pv1|pv1 pv2 pl1 T1|t1 Rho1|rho1 rho2v|rho2 cf2 xFG1");
  Rows(v, L::lmValve, L::lwOut, per, all,
       "dp dpc dpLimit dpXc fd fl2 Kc FlowState FlowType flp2 fp fr fPulp SigmaP SigmaV SigmaCh SigmaId "
       "SigmaMr SigmaI Sigma h KvRed P1NC P2NC QmNC Re|RE kvsSuggMax kvsSuggMin KvKvs x xc xt xtp fk KcStar "
       "FlStar zy");
  // The unknown: one of the four solve connectors is on at a time.
  Rows(v, L::lmSolveKv, L::lwIn, per, all, "Qm|qm P1|p1 p2");
  Rows(v, L::lmSolveKv, L::lwOut, per, all, "kv KvNC");
  Rows(v, L::lmSolveQm, L::lwIn, per, all, "kv P1|p1 p2");
  Rows(v, L::lmSolveQm, L::lwOut, per, all, "qmCalc|qm");
  Rows(v, L::lmSolveP2, L::lwIn, per, all, "Qm|qm P1|p1 kv");
  Rows(v, L::lmSolveP2, L::lwOut, per, all, "p2");
  Rows(v, L::lmSolveP1, L::lwIn, per, all, "Qm|qm p2 kv");
  Rows(v, L::lmSolveP1, L::lwOut, per, all, "p1Calc|p1");

  // The resistor behind the valve: sized at point 1, the same geometry at
  // the further points.
  Rows(v, L::lmResistor, L::lwIn, once, all,
       "Phase UseResistors ResistorType FixedResistor NKnown DiP|DN2 Pc|pc MaSug NRes Fl2Res|fl2 XtRes|Xt "
       "zyRes|zy ValveTypeRes|ValveType InwardFlowRes|InwardFlow");
  Rows(v, L::lmResistor, L::lwShared, once, all, "dRes ARes NBores DNRes");
  Rows(v, L::lmResistor, L::lwIn, per, all,
       "QmValve|qm p2|p1 p2Res|p2 pv2|pv1 rho2v|rho1 rho2r|rho2Res Kappa1|kappa1 Eta1|eta1 T1|t1");
  Rows(v, L::lmResistor, L::lwOut, per, all, "LaRes");
  Rows(v, L::lmResistor, L::lwOut, per, first, "FlowStateRes xRes DNResMa");
  // The state at every stage of a multi-stage resistor.
  for (int i = 1; i <= TCMResistor::kShownStages; ++i) {
    const std::string n = std::to_string(i);
    Rows(v, L::lmResistor, L::lwOut, per, all, "P1Res" + n + " P2Res" + n + " Rho1Res" + n);
  }

  // Noise: what every method takes and returns.
  Rows(v, L::lmNoiseCommon, L::lwIn, once, all,
       "Phase NoiseNormGas NoiseNormLiquid PipeClass ValveType SubstanceType GasMedium LowNoiseDesign LowNoise "
       "UseMaCorrection UseResistors ResistorType XPulp|xPulp DiP DiP1 RhoN|rhoN dLaCo DNV|ValveDN "
       "DNV1|ValveDN1 uMaxCav uMaxFlashing uMaxNoCav uMaxPartCav kvs");
  Rows(v, L::lmNoiseCommon, L::lwIn, per, all,
       "CalculatedPhase x QmValve|qm kv P1|p1 p2 T1|t1 t2 cf2|Cf2 rho2r rho2v Rho1|rho1 Pv1|pv1 pv2 pl1 "
       "Kappa1|kappa1 LaRes zy fl2 FlowState");
  Rows(v, L::lmNoiseCommon, L::lwOut, per, all,
       "u u2 uDiP1 uDiP2 MaDN PVer LpAa MechDamage LaTot MaxUMD1|u1Max MaxUMD2|u2Max");
  // The spectrum of every point: octave bands 63 Hz ... 16 kHz and the peak
  // frequency, for the methods whose level is the sum of a spectrum.
  Rows(v, L::lmNoiseCommon, L::lwOut, per, all,
       "LpAe63 LpAe125 LpAe250 LpAe500 LpAe1k LpAe2k LpAe4k LpAe8k LpAe16k fPeak");
  Rows(v, L::lmNoiseCommon, L::lwOut, per, first,
       "La1 La2|la2 DLaMa DLaLN dLaRed dLaPulp dLaRes DNSug10 DNSug07 DNSug03 DNSug100");
  // What each method adds.
  const std::vector<TNoiseMethod>& methods = NoiseMethods();
  for (size_t m = 0; m < methods.size(); ++m) {
    const size_t from = v.size();
    for (const TNoiseMethod::TLinks& links : methods[m].Links)
      Rows(v, L::lmNoiseMethod, links.Way == TNoiseMethod::TLinks::In ? L::lwIn : L::lwOut, links.PerPoint,
           links.FirstOnly, links.List);
    for (const std::string& band : methods[m].Bands) BandRows(v, L::lmNoiseMethod, band, band);
    for (size_t i = from; i < v.size(); ++i) v[i].Method = m;
  }
  const std::string octaveCorrections =
      "dLGas0500 dLGas1000 dLGas2000 dLGas4000 dLLiq0500 dLLiq1000 dLLiq2000 dLLiq4000";

  // The smallest valve size that keeps the recommended velocities, for
  // the duty of the point that needs the largest bore (the main module
  // chooses it). (Its Kvs and outlet pressure are not given: the module
  // does not use them and would mark the main module's items as unused.)
  Rows(v, L::lmSuggestDN, L::lwIn, once, all,
       "Phase PipeClass DNV uMaxCav uMaxFlashing uMaxNoCav uMaxPartCav CalculatedPhaseDN|CalculatedPhase "
       "FlowStateDN|FlowState QmDN|qm Rho1DN|rho1 rho2DN|rho2 cf2DN|cf2");
  Rows(v, L::lmSuggestDN, L::lwOut, once, all, "MaxU1 MaxU2 MinDN");

  // The actuator: the thrust to close against the largest pressure drop of
  // the points, and an actuator of the catalogue that delivers it.
  Rows(v, L::lmActuatorDatabase, L::lwOut, once, all,
       "ActuatorName ActuatorManufacturer ActuatorType ActuatorArea SpringStart SpringEnd SpringRange RatedThrust "
       "ActuatorStroke ActuatorSpeed");
  Rows(v, L::lmActuatorDatabase, L::lwIn, once, all,
       "RequiredThrust Stroke FailPosition ActuatorKind SupplyPressure MinReserve WantedActuator");
  Rows(v, L::lmActuator, L::lwIn, once, all,
       "ValveType Seat Stem Stroke p1Max|p1 p2Min|p2 dpShutOff BalancedPlug LeakageClass PackingType FailPosition "
       "ActuatorKind SupplyPressure MinReserve ActuatorArea SpringStart SpringEnd RatedThrust ActuatorStroke");
  Rows(v, L::lmActuator, L::lwOut, once, all,
       "UnbalancedForce PackingFriction SeatLoad RequiredThrust ActuatorThrust ThrustReserve");

  // The valve from the catalogue: the style, the largest duty of the points and the
  // choice of manufacturer and series go in; the lists of the catalogue
  // and the chosen valve's data come back. The connector is on only while
  // the valve comes from the catalogue.
  Rows(v, L::lmValveDatabase, L::lwIn, once, all,
       "ValveType GlobeType RotaryType ButterflyType BallValveType ValveFromDatabase ValveCanBeModified "
       "FilterValveDatabase ValveFromHX4Database CharacteristicType InwardFlow PipeClass Phase kvMax|kv p1Max|p1 "
       "T1Max|t1 MinDN kvsSugg|SuggestedKvs n0");
  Rows(v, L::lmValveDatabase, L::lwOut, once, all,
       "VManufacturer VSeries OnlyFittingValves AllValves ListDN ListDN1 ListPN LineValveSize ManualDN dH DNV DNV1 "
       "PNV Seat phi0 KvCurve cvr pr dr rw Stp Aeta aPSE bSSE Strut SndDN Stroke kvs fl2func Kcfunc zyfunc xtfunc fdfunc "
       "Kc_75 xt_75 fd_75 fd_75c uMaxCav uMaxFlashing uMaxNoCav uMaxPartCav pmaxValve tminValve "
       "tmaxValve NoiseNormGas NoiseNormLiquid LowNoiseDesign dLaCo f1 f2 g1 g2 " + octaveCorrections);
  Rows(v, L::lmValveDatabaseLN, L::lwOut, once, all, "fl2_75 zy_75");

  // A resistor fixed at point 1 sets the outlet pressure of the further
  // points: its Kv from point 1's flow and pressures, then the pressure in
  // front of it at the point's flow and the pressure behind it.
  Rows(v, L::lmP2Resistor, L::lwIn, once, all,
       "Phase QmValve|qm P1 p2|P2 p2Res|P2Res rho2v|rho1 Kappa1|kappa1 pv2|pv1 Pc|pc Fl2Res|fl2 XtRes|Xt");
  Rows(v, L::lmP2Resistor, L::lwIn, per, all, "QmValve|qmX P1|P1X p2Res|P2ResX");
  Rows(v, L::lmP2Resistor, L::lwOut, per, all, "p2|P2X");

  // The characteristic over points 1 to 3 (indexed names in the module).
  Rows(v, L::lmCharacteristics, L::lwIn, once, all, "NoOfCharOps|NoOfValidOps UseResistors UseSmoothCurves qmax Optimization");
  const std::pair<const char*, const char*> perPointChar[] = {
      {"QmValve", "qm"},  {"P1", "p1"},   {"p2", "p2"},         {"Pv1", "pv1"}, {"pv2", "pv2"}, {"PhiRel", "phiRel"},
      {"xFG1", "xFG1"}, {"xFG", "xFG2"}, {"p2Res", "pr"}, {"T1", "t1"},   {"t2", "t2"}};
  for (int point : {1, 2, 3})
    for (const auto& [main, item] : perPointChar)
      v.push_back({L::lmCharacteristics, L::lwIn, once, all, main + std::string(OpSuffix(point)),
                   item + std::to_string(point)});
  Rows(v, L::lmCharacteristics, L::lwOut, once, all, "ax BadPressureCurves a1 dpMin dpMax");
  return v;
}

// Modules to copy the kind, quantity and choices of the main module's
// items from; kept for the program's life.
const TCalcModule& ModelOf(const L& link) {
  const L::TModule m = link.Module;
  static const auto* valve = new TCMControlValves(nullptr, "CMControlValvesModel");
  static const auto* substances = new TCMSubstances(nullptr, "CMSubstancesModel2");
  static const auto* mixture = new TCMMixedDensity(nullptr, "CMMixedDensityModel");
  static const auto* resistor = new TCMResistor(nullptr, "CMResistorModel");
  static const auto* noise = [] {
    auto* models = new std::vector<std::unique_ptr<TCalcModule>>;
    for (const TNoiseMethod& n : NoiseMethods()) models->push_back(n.CreateAlone());
    return models;
  }();
  static const auto* chars = new TCMCharacteristics(nullptr, "CMCharacteristicsModel");
  static const auto* pipe = new TCMNormPipeThickness(nullptr, "CMNormPipeThicknessModel2");
  static const auto* water = new TCMWaterInjection(nullptr, "CMWaterInjectionModel");
  static const auto* suggest = new TCMSuggestDN(nullptr, "CMSuggestDNModel");
  static const auto* actuator = new TCMActuator(nullptr, "CMActuatorModel");
  static const auto* actuators = new TCMActuatorDataBase(nullptr, "CMActuatorDataBaseModel");
  static const auto* catalogue = new TCMValveDatabase(nullptr, "CMValveDatabaseModel");
  static const auto* p2Resistor = new TCMp2Resistor(nullptr, "CMp2ResistorModel");
  switch (m) {
    case L::lmDownstream: return *substances;
    case L::lmMixture: return *mixture;
    case L::lmResistor: return *resistor;
    case L::lmNoiseCommon: return *(*noise)[ChosenNoiseMethod(false, true, -1)];
    case L::lmNoiseMethod: return *(*noise)[link.Method];
    case L::lmCharacteristics: return *chars;
    case L::lmInletPipe: return *pipe;
    case L::lmWaterInjection:
    case L::lmWaterInjectionOut: return *water;
    case L::lmSuggestDN: return *suggest;
    case L::lmActuator: return *actuator;
    case L::lmActuatorDatabase: return *actuators;
    case L::lmValveDatabase:
    case L::lmValveDatabaseLN: return *catalogue;
    case L::lmP2Resistor: return *p2Resistor;
    default: return *valve;
  }
}

// Whether a row joins the module at `point`, and the main-module name it
// has there.
bool RowAt(const L& l, int point) { return !(l.FirstOnly && point != 1); }
bool SingleModule(L::TModule m) {
  return m == L::lmCharacteristics || m == L::lmInletPipe || m == L::lmSuggestDN || m == L::lmActuator ||
         m == L::lmActuatorDatabase || m == L::lmValveDatabase || m == L::lmValveDatabaseLN;
}
std::string MainName(const L& l, int point) { return l.PerPoint ? l.Main + OpSuffix(point) : l.Main; }

}  // namespace

const std::vector<TValveLink>& ValveLinks() {
  static const std::vector<TValveLink> links = MakeLinks();
  return links;
}

// --------------------------------------------------------------- main module

namespace {
constexpr int kNominalSizes[] = {15, 20, 25, 32, 40, 50, 65, 80, 100, 125, 150, 200, 250, 300, 350, 400, 500, 600};
}  // namespace

TMCMTorva::TMCMTorva(TCalcComponent* owner, std::string name)
    : TCustomMCM3SubstancesMaterialPipe3Flow(owner, std::move(name)) {
  // Every item a row names exists once in the main module, made like the
  // module's item it stands for (the first row that names it decides).
  AddParameter<TOutputParameter>(*this, "p1Max", qPressureBar, "Größter Eintrittsdruck der Betriebspunkte");
  AddParameter<TOutputParameter>(*this, "p2Min", qPressureBar, "Kleinster Austrittsdruck der Betriebspunkte");
  AddParameter<TOutputParameter>(*this, "p2Max", qPressureBar, "Größter Austrittsdruck der Betriebspunkte");
  // The duty a valve of the catalogue must meet: the largest of the points.
  AddParameter<TOutputParameter>(*this, "T1Max", qTemperature, "Höchste Eintrittstemperatur der Betriebspunkte");
  AddParameter<TOutputParameter>(*this, "kvMax", qKvCv, "Größter Kv-Wert der Betriebspunkte");
  AddParameter<TOutputParameter>(*this, "kvsSugg", qKvCv, "Empfohlener Kvs-Wert für alle Betriebspunkte");
  // The temperature of the medium behind the valve: the temperature of
  // isenthalpic throttling to the valve's outlet pressure in the outlet
  // pipe (t2v): several kelvin below the inlet for steam and natural gas,
  // the boiling temperature at the outlet for a flashing liquid, a few
  // hundredths of a kelvin above the inlet for other liquids.
  for (int point : {1, 2, 3, 4})
    AddItem<TOutputParameter>(std::string("T2Medium") + OpSuffix(point), qTemperature)
        ->SetCaption("Temperatur des Mediums hinter dem Ventil");
  // The flow through the valve: the entered flow, or the flow the sizing
  // finds when it solves for it. Everything behind the sizing (the state
  // behind the valve, resistor, noise, size suggestion, characteristic)
  // reads this one.
  for (int point : {1, 2, 3, 4})
    AddItem<TOutputParameter>(std::string("QmValve") + OpSuffix(point), qMassFlowrate)
        ->SetCaption("Massenstrom durch das Ventil");
  // The solved flow as volume flows, and the density in the outlet pipe.
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    AddItem<TOutputParameter>("QvCalc" + k, qVolumeFlowrate)->SetCaption("Betriebsvolumenstrom (berechnet)");
    AddItem<TOutputParameter>("QnCalc" + k, qNormVolumeFlowrate)->SetCaption("Normvolumenstrom (berechnet)");
    AddItem<TOutputParameter>("rho2" + k, qDensity)->SetCaption("Dichte in der Austrittsleitung");
  }
  // The vapour fraction of the medium behind the valve (xMv2): for wet
  // steam the one isenthalpic throttling reaches at the outlet pressure
  // (xFG); a liquid carrying a foreign gas keeps the gas fraction of the
  // inlet; a single phase has none. The medium module of the outlet then holds both phases of wet
  // steam, so its density and sound speed are those of the mixture and
  // the whole flow is its share (xOutletMedium 100 %) where the densities
  // of outlet and inlet are combined; for a flashing liquid the share is
  // the vapour that flashes off.
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    AddItem<TOutputParameter>("xMv2" + k, Extended(0), Extended(100), qPortion)
        ->SetCaption("Dampfanteil des Mediums hinter dem Ventil");
    AddItem<TOutputParameter>("xOutletMedium" + k, Extended(0), Extended(100), qPortion)
        ->SetCaption("Massenanteil des Austrittsmediums am Gemisch");
  }
  // The duty of the point that needs the largest valve bore, for the
  // smallest recommended size.
  AddParameter<TOutputParameter>(*this, "QmDN", qMassFlowrate, "Massenstrom des größten Bedarfs");
  AddParameter<TOutputParameter>(*this, "Rho1DN", qDensity, "Eintrittsdichte des größten Bedarfs");
  AddParameter<TOutputParameter>(*this, "rho2DN", qDensity, "Austrittsdichte des größten Bedarfs");
  AddParameter<TOutputParameter>(*this, "cf2DN", qVelocity, "Schallgeschwindigkeit am Austritt des größten Bedarfs");
  AddItem<TOverruleParameter>("cPipe", Extended(100), Extended(20000), qVelocity)
      ->SetCaption("Schallgeschwindigkeit in der Rohrwand");
  AddItem<TOutputParameter>("NoOfCharOps", Extended(0), Extended(3), qNoUnit)
      ->SetCaption("Anzahl gültiger Betriebspunkte der Kennlinie");
  // Results first: an item a module returns is shown as that module's
  // result even where other modules read it.
  for (const bool results : {true, false})
    for (const L& l : ValveLinks()) {
      if ((l.Way == L::lwOut || l.Way == L::lwShared) != results) continue;
      for (int point : {1, 2, 3, 4}) {
        if (!RowAt(l, point) || (!l.PerPoint && point > 1)) continue;
        const std::string n = MainName(l, point);
        if (CalcItemByName(n)) continue;
        MirrorItem(*this, ItemByName(ModelOf(l), l.Item), n);
      }
    }
  for (const char* n : {"FlowStateDN", "CalculatedPhaseDN"}) {
    TCalcItem* i = CalcItemByName(n);
    i->SetInputState(isCalculated);
    i->SetReadOnly(true);
  }
  for (const char* n : {"qmCalc", "p1Calc"})
    for (int point : {1, 2, 3, 4}) {
      TCalcItem* i = CalcItemByName(n + std::string(OpSuffix(point)));
      i->SetCaption(std::string(n) == "qmCalc" ? "Massenstrom (berechnet)" : "Eintrittsdruck (berechnet)");
    }
  // The medium behind the valve is computed by a second medium module,
  // whose captions are those of the inlet ("Dampfdruck", "Dichte"): in the
  // rows beside the inlet's they say which side they describe.
  const std::pair<const char*, const char*> outlet[] = {
      {"pv2", "Dampfdruck am Austritt"},
      {"rho2Star", "Dichte des Mediums am Austritt"},
      {"rhoV2", "Dichte des gesättigten Dampfes am Austritt"},
      {"cf2Star", "Schallgeschwindigkeit des Mediums am Austritt"},
      {"kappa2Star", "Isentropenexponent am Austritt"},
      {"dhv2", "Verdampfungsenthalpie am Austritt"},
      {"Z2", "Realgasfaktor am Austritt"},
      {"CpL2", "Wärmekapazität der Flüssigkeit am Austritt"}};
  for (const auto& [n, caption] : outlet)
    for (int point : {1, 2, 3, 4})
      if (TCalcItem* i = CalcItemByName(n + std::string(OpSuffix(point)))) i->SetCaption(caption);
  // The stroke position of every point, as the characteristic places it.
  for (int point : {1, 2, 3, 4})
    AddItem<TOutputParameter>(std::string("StrokePosition") + OpSuffix(point), Extended(0), Extended(100), qPortion)
        ->SetCaption("Hubstellung");
  // The control task, for the recommendation of the characteristic.
  FRec.RecommendChar = AddTwoState(*this, "RecommendChar", "Kennlinie empfehlen");
  FRec.Control = AddListSwitch(*this, "Control", "Regelaufgabe", {"Durchfluss", "Druck", "Füllstand", "Temperatur"});
  FRec.Measurement = AddListSwitch(*this, "Measurement", "Durchflussmessung",
                                   {"proportional zum Durchfluss", "Wirkdruck (quadratisch)"});
  FRec.ApplicationOf = AddListSwitch(*this, "ApplicationOf", "Einbau des Ventils", {"in Reihe", "im Bypass"});
  FRec.SetPoint = AddListSwitch(*this, "SetPoint", "Sollwertbereich",
                                {"weit", "klein, große Änderung des Differenzdrucks"});
  FRec.PressureControl = AddListSwitch(*this, "PressureControl", "Geregelter Druck",
                                       {"Flüssigkeit", "Gas, kleines Volumen", "Gas, großes Volumen"});
  AddListSwitch(*this, "LevelDisturbance", "Störgröße der Füllstandsregelung", {"Zulauf", "Ablauf"});
  AddListSwitch(*this, "HeaterDisturbance", "Störgröße der Temperaturregelung",
                {"Last", "Heiz- oder Kühlmedium"});
  FRec.CiBase = AddListSwitch(*this, "CiBase", "Differenzdruckverlauf nach", {"Betriebspunkten", "Angabe"});
  FRec.ControlRange = AddListSwitch(*this, "ControlRange", "Differenzdruckverlauf am Ventil",
                                    {"nahezu konstant", "fällt auf über 20 %", "fällt unter 20 %",
                                     "steigt bis 200 %", "steigt über 200 %", "unbekannt"},
                                    dbUnknown);
  FRec.DropRatio = AddParameter<TOutputParameter>(*this, "dpRatio", qNoUnit,
                                                  "Differenzdruck bei größtem / bei kleinstem Durchfluss");
  FRec.Recommended = AddListSwitch(*this, "RecommendedCharacteristic", "Empfohlene Kennlinie",
                                   {"keine", "linear", "gleichprozentig"});
  FRec.Recommended->SetInputState(isCalculated);
  FRec.Recommended->SetReadOnly(true);
  // The nominal sizes of EN ISO 6708 up to DN 600.
  FSuggestedDN = AddItem<TDataListSwitch>("SuggestedDN");
  FSuggestedDN->SetCaption("Empfohlene Nennweite");
  std::vector<std::string> sizes;
  for (int dn : kNominalSizes) sizes.push_back("DN " + std::to_string(dn));
  FSuggestedDN->SetValueList(sizes);
  FSuggestedDN->SetInputState(isCalculated);
  FSuggestedDN->SetReadOnly(true);
  FEnterXorH = AddListSwitch(*this, "EnterXorH", "Nassdampf am Eintritt gegeben durch", {"Dampfanteil x", "Enthalpie h"});
  FInjectionValve = AddTwoState(*this, "InjectionValve", "Einspritzventil (Düse nachgeschaltet)");
}

void TMCMTorva::CalcEvent(TCalcEvent event, TCalcItem* item) {
  TCustomMCM3SubstancesMaterialPipe3Flow::CalcEvent(event, item);
  if (!item || (event != ceValueFieldChange && event != ceFieldChange) || IsDestroying()) return;
  TCustomSCM3ControlValves* calc = Calc();
  if (!calc || !calc->GetReady()) return;
  if (FReactions.empty()) {
    // The items whose changes rewire the calculation or touch the checks
    // across the points.
    auto watch = [&](const std::string& n, TReaction r) {
      if (TCalcItem* i = CalcItemByName(n)) FReactions[i] = r;
    };
    watch("WhatToCalculate", rSolve);
    for (const char* n : {"Phase", "NoiseNormGas", "NoiseNormLiquid"}) watch(n, rNoise);
    watch("UseResistors", rResistors);
    watch("InjectionValve", rChecks);
    watch("EnterXorH", rChecks);
    for (int point : {1, 2, 3, 4})
      for (const char* n : {"h1", "P1"}) watch(n + std::string(OpSuffix(point)), rEnthalpy);
    watch("FixedResistor", rResistors);
    watch("ValveFromDatabase", rValveDatabase);
    watch("kvs", rChecks);
    watch("MinDN", rChecks);
    for (const char* n : {"RecommendChar", "Control", "Measurement", "ApplicationOf", "SetPoint", "PressureControl",
                          "CiBase", "ControlRange"})
      watch(n, rChecks);
    for (int point : {1, 2, 3, 4})
      for (const char* n : {"kv", "h", "KvKvs", "Qm", "qmCalc", "p1Calc", "T1", "t2v", "xFG", "xMv1", "Rho1", "rho2",
                            "cf2", "MaxUMD1", "MaxUMD2", "FlowState", "CalculatedPhase"})
        watch(n + std::string(OpSuffix(point)), rChecks);
  }
  const auto r = FReactions.find(item);
  if (r == FReactions.end()) return;
  switch (r->second) {
    case rSolve:
      calc->SelectSolveConnectors();
      calc->SelectResistors();
      break;
    case rNoise:
      // Values set in bulk (a case file, a file being read) arrive while
      // the calculation is switched off, and DoCalculate selects the
      // methods by the final switches when it is switched on again:
      // rewiring after every change of the phase would make a switch
      // change cost a thousand entries.
      if (calc->GetSetValuesCounter() == 0) calc->SelectNoiseMethods();
      // The phase decides the vapour fraction behind the valve too.
      if (item->GetName() == "Phase") {
        if (calc->CollectsCalculations()) calc->RequestCalculation(this);
        else Calculate();
      }
      break;
    case rResistors: calc->SelectResistors(); break;
    case rValveDatabase: calc->SelectValveDatabase(); break;
    case rEnthalpy:
      // Only while the enthalpy is the entry: otherwise it is a result.
      if (FEnterXorH->GetSwitchStatus() != 1) break;
      [[fallthrough]];
    case rChecks:
      if (calc->CollectsCalculations()) calc->RequestCalculation(this);
      else Calculate();
      break;
  }
}

TCustomSCM3ControlValves* TMCMTorva::Calc() {
  // Asked on every event; known once the owner is built.
  if (!FCalc) FCalc = dynamic_cast<TCustomSCM3ControlValves*>(GetOwner());
  return FCalc;
}

void TMCMTorva::DoCalculate() {
  // Values set in bulk or read from a file arrive while the calculation is
  // switched off; the connectors follow the switches when it calculates.
  if (auto* calc = Calc(); calc && calc->GetReady()) {
    HoldInjectionNozzle();
    VapourFractionsFromEnthalpy();
    calc->SelectSolveConnectors();
    calc->SelectNoiseMethods();
    calc->SelectResistors();
    calc->SelectValveDatabase();
  }
  TCustomMCM3SubstancesMaterialPipe3Flow::DoCalculate();
  CheckOperatingPoints();
  SuggestNominalSize();
}

void TMCMTorva::HoldInjectionNozzle() {
  auto* use = dynamic_cast<TCalcSwitch*>(CalcItemByName("UseResistors"));
  auto* type = dynamic_cast<TCustomCalcMultiSwitch*>(CalcItemByName("ResistorType"));
  if (!use || !type) return;
  TResistorBefore& before = FResistorBefore;
  if (FInjectionValve->GetChecked()) {
    if (!before.held) before = {true, use->GetChecked(), type->GetSwitchStatus()};
    if (!use->GetChecked()) use->SetChecked(true);
    if (type->GetSwitchStatus() != rtInjectionNozzle) type->SetSwitchStatus(rtInjectionNozzle);
    use->SetReadOnly(true);
    type->SetReadOnly(true);
    // The spray water is a liquid; a nozzle does not atomize a gas.
    const auto* phase = dynamic_cast<const TCustomCalcMultiSwitch*>(CalcItemByName("Phase"));
    if (phase && phase->GetSwitchStatus() >= 0 && phase->GetSwitchStatus() != phLiquid)
      CreateMessage(kMsgInjectionNotLiquid, {FInjectionValve, CalcItemByName("Phase")});
  } else if (before.held) {
    use->SetReadOnly(false);
    type->SetReadOnly(false);
    if (use->GetChecked() != before.used) use->SetChecked(before.used);
    if (type->GetSwitchStatus() != before.type) type->SetSwitchStatus(before.type);
    before = {};
  }
}

// x = (h - h')/(h'' - h') at the inlet pressure, with the saturation
// enthalpies of IAPWS-IF97 for water and steam below the critical
// pressure; other media have no saturation enthalpies in this program. An
// enthalpy outside h' ... h'' is not wet steam and is said so, not clamped.
void TMCMTorva::VapourFractionsFromEnthalpy() {
  const auto* phase = dynamic_cast<const TCustomCalcMultiSwitch*>(CalcItemByName("Phase"));
  const bool wet = phase && phase->GetSwitchStatus() == phMixPhaseV;
  const bool fromEnthalpy = wet && FEnterXorH->GetSwitchStatus() == 1;
  const auto* substance = dynamic_cast<const TCustomCalcMultiSwitch*>(CalcItemByName("SubstanceType"));
  const bool water = substance && substance->GetSwitchStatus() == stWater;
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    TCalcParameter* x = CalcItemByName("xMv1" + k)->AsParameter();
    TCalcParameter* h = CalcItemByName("h1" + k)->AsParameter();
    if (!fromEnthalpy) {
      // The fraction the enthalpy gave stays as the user's entry.
      if (x->GetReadOnly()) {
        x->SetReadOnly(false);
        x->SetInputState(isUser);
      }
      continue;
    }
    x->SetReadOnly(true);
    const Extended P = CalcItemByName("P1" + k)->AsParameter()->GetValue();
    const Extended H = h->GetInputState() == isUser || h->GetOverruled() ? h->GetValue() : NoValue;
    Extended fraction = NoValue;
    if (Available(P, H) && (point == 1 || Calc()->PointOn(point))) {
      Extended hl = NoValue, hv = NoValue;
      if (water) tWaterSteam::SaturationEnthalpies(P, hl, hv);
      if (!Available(hl, hv)) {
        CreateMessage(kMsgEnthalpyNoSaturation, {FEnterXorH, h});
      } else if (H < hl || H > hv) {
        CreateMessage(kMsgEnthalpyNotWet, {h, x},
                      {h->ConvertToUnitString(H), h->ConvertToUnitString(hl), h->ConvertToUnitString(hv)});
      } else {
        fraction = 100 * (H - hl) / (hv - hl);
      }
    }
    const Extended shown = x->GetValue();
    const bool same = HasValue(shown) ? shown == fraction : IsNoValue(fraction);
    if (x->GetInputState() != isCalculated || !same) x->SetValuesParallel(isCalculated, x->GetCalcUnitNo(), fraction);
  }
}

void TMCMTorva::SuggestNominalSize() {
  const TCalcItem* minItem = CalcItemByName("MinDN");
  const Extended minDN = minItem && minItem->AsParameter() ? minItem->AsParameter()->GetValue() : NoValue;
  int chosen = -1;
  if (HasValue(minDN))
    for (size_t i = 0; i < std::size(kNominalSizes); ++i)
      if (kNominalSizes[i] >= minDN * (1 - 1E-9L)) {
        chosen = static_cast<int>(i);
        break;
      }
  if (FSuggestedDN->GetSwitchStatus() != chosen) FSuggestedDN->SetSwitchStatus(chosen);
}

void TMCMTorva::FindCheckedItems() {
  auto param = [&](const std::string& n) { return CalcItemByName(n)->AsParameter(); };
  for (int point : {1, 2, 3, 4}) {
    const std::string k = OpSuffix(point);
    TPointItems& i = FPoint[point];
    i.p1Calc = param("p1Calc" + k);
    i.Qm = param("Qm" + k);
    i.qmCalc = param("qmCalc" + k);
    i.QmValve = param("QmValve" + k);
    i.t2v = param("t2v" + k);
    i.T1 = param("T1" + k);
    i.T2Medium = param("T2Medium" + k);
    i.xMv1 = param("xMv1" + k);
    i.xFG = param("xFG" + k);
    i.xMv2 = param("xMv2" + k);
    i.xOutletMedium = param("xOutletMedium" + k);
    i.Rho1 = param("Rho1" + k);
    i.P1 = param("P1" + k);
    i.p2 = param("p2" + k);
    i.kvsSuggMax = param("kvsSuggMax" + k);
    i.h = param("h" + k);
    i.kv = param("kv" + k);
    i.KvKvs = param("KvKvs" + k);
    i.StrokePosition = param("StrokePosition" + k);
    i.rho2 = param("rho2" + k);
    i.cf2 = param("cf2" + k);
    i.MaxU1 = param("MaxUMD1" + k);
    i.MaxU2 = param("MaxUMD2" + k);
    i.LpAa = param("LpAa" + k);
    i.Pv1 = param("Pv1" + k);
    i.Cf = param("Cf" + k);
    i.FlowState = static_cast<TCustomCalcMultiSwitch*>(CalcItemByName("FlowState" + k));
    i.CalculatedPhase = static_cast<TCustomCalcMultiSwitch*>(CalcItemByName("CalculatedPhase" + k));
  }
  FQmDN = param("QmDN");
  FRho1DN = param("Rho1DN");
  Frho2DN = param("rho2DN");
  Fcf2DN = param("cf2DN");
  FFlowStateDN = static_cast<TCustomCalcMultiSwitch*>(CalcItemByName("FlowStateDN"));
  FCalculatedPhaseDN = static_cast<TCustomCalcMultiSwitch*>(CalcItemByName("CalculatedPhaseDN"));
  FcPipe = param("cPipe");
  FEM = param("EM");
  FRhoM = param("RhoM");
  FPhase = static_cast<const TCustomCalcMultiSwitch*>(CalcItemByName("Phase"));
  FValveFromDatabase = CalcItemByName("ValveFromDatabase");
  FVSeries = CalcItemByName("VSeries");
  FListPN = CalcItemByName("ListPN");
  FNoOfCharOps = param("NoOfCharOps");
  Fp1Max = param("p1Max");
  Fp2Min = param("p2Min");
  Fp2Max = param("p2Max");
  FT1Max = param("T1Max");
  FkvsSugg = param("kvsSugg");
  Fkvs = param("kvs");
  FkvMax = param("kvMax");
}

// The inlet pressure the sizing finds sets the medium's state at the
// point, which the sizing reads: a gas's density is nearly proportional to
// the pressure, so the state at an entered estimate would give another
// pressure. P1 follows p1Calc until they agree to the calculation's
// digits; once two steps are known, the next P1 is the secant root of
// p1Calc(P1) - P1 (the plain step converges only at the rate of the
// pressure ratio dp/p1). A p1Calc not yet worked out from the last P1
// given is waited for.
void TMCMTorva::FollowSolvedInletPressure(int point) {
  const TPointItems& i = FPoint[point];
  TInletSteps& s = FInlet[point];
  const Extended given = i.P1->GetValue(), found = i.p1Calc->GetValue();
  if (!HasValue(found) || found <= 0 || !HasValue(given)) return;
  if (HasValue(s.fed) && given == s.fed && found == s.found) return;  // the sizing has not answered yet
  int digits = NumericOptions().SignificantDigits;
  if (digits >= 4) --digits;
  if (EqualDigits(found, given, digits)) return;
  Extended next = found;
  if (HasValue(s.lastIn) && s.lastIn != given) {
    const Extended f0 = s.lastOut - s.lastIn, f1 = found - given;
    if (f1 != f0) {
      const Extended root = given - f1 * (given - s.lastIn) / (f1 - f0);
      if (std::isfinite(root) && root > 0 && std::fabs(root - found) <= 2 * std::fabs(f1)) next = root;
    }
  }
  s.lastIn = given;
  s.lastOut = found;
  s.fed = next;
  s.found = found;
  i.P1->SetValue(next);
}

// The smallest size must carry every point: the duty that needs the
// largest bore is the one whose volume flow per recommended velocity,
// qm/(rho u max), is the largest, in the inlet or in the outlet (usually
// the largest load; a flashing or cavitating point at a smaller load may
// need more, its recommended velocity being lower). A gas or vapour is
// held to a Mach number, so its recommended velocity is a fixed share of
// the sound speed behind the valve.
void TMCMTorva::SelectSizingDuty() {
  auto* calc = Calc();
  int governing = 1;
  Extended most = NoValue;
  for (int point : {1, 2, 3, 4}) {
    if (!calc->PointOn(point)) continue;
    const TPointItems& i = FPoint[point];
    const Extended qm = i.QmValve->GetValue();
    const auto need = [&](const TCalcParameter* rho, const TCalcParameter* u) {
      const Extended r = rho->GetValue(), w = HasValue(u->GetValue()) ? u->GetValue() : i.cf2->GetValue();
      return Available(qm, r, w) && r > 0 && w > 0 ? qm / (r * w) : NoValue;
    };
    for (const Extended n : {need(i.Rho1, i.MaxU1), need(i.rho2, i.MaxU2)})
      if (HasValue(n) && (!HasValue(most) || n > most)) most = n, governing = point;
  }
  const TPointItems& g = FPoint[governing];
  FQmDN->AssignValue(0, g.QmValve->GetValue());
  FRho1DN->AssignValue(0, g.Rho1->GetValue());
  Frho2DN->AssignValue(0, g.rho2->GetValue());
  Fcf2DN->AssignValue(0, g.cf2->GetValue());
  if (FFlowStateDN->GetSwitchStatus() != g.FlowState->GetSwitchStatus())
    FFlowStateDN->SetSwitchStatus(g.FlowState->GetSwitchStatus());
  if (FCalculatedPhaseDN->GetSwitchStatus() != g.CalculatedPhase->GetSwitchStatus())
    FCalculatedPhaseDN->SetSwitchStatus(g.CalculatedPhase->GetSwitchStatus());
}

void TMCMTorva::ReportMissingResults(int point) {
  const TPointItems& i = FPoint[point];
  if (!HasValue(i.kv->GetValue()) || !HasValue(i.Rho1->GetValue())) return;  // the sizing reports its own
  const bool liquid = FPhase->GetSwitchStatus() == phLiquid;
  // What the judgement of a liquid's flow state and every noise method of
  // a liquid need beyond the sizing: the vapour pressure (the distance to
  // cavitation) and, for the noise, the sound speed.
  std::vector<TCalcItem*> missing;
  std::string names;
  const auto need = [&](TCalcParameter* p) {
    if (HasValue(p->GetValue())) return;
    missing.push_back(p);
    names += (names.empty() ? "" : ", ") + p->GetName();
  };
  if (liquid && i.FlowState->GetSwitchStatus() == fsUndefined) {
    need(i.Pv1);
    if (!missing.empty()) CreateMessage(kMsgNoFlowState, {i.FlowState, missing.front()}, {names});
  }
  if (!HasValue(i.LpAa->GetValue())) {
    missing.clear(), names.clear();
    if (liquid) need(i.Pv1), need(i.Cf);
    if (!missing.empty()) {
      std::vector<TCalcItem*> items = {i.LpAa};
      items.insert(items.end(), missing.begin(), missing.end());
      CreateMessage(kMsgNoNoise, items, {names});
    }
  }
}

void TMCMTorva::CheckBodyRating(int point) {
  const auto* fromCatalogue = dynamic_cast<const TCalcSwitch*>(FValveFromDatabase);
  if (!fromCatalogue || !fromCatalogue->GetChecked() || !FVSeries || !FListPN) return;
  const TValveCatalogue* catalogue = TValveCatalogue::Default();
  const TCatalogueSeries* series = catalogue ? catalogue->SeriesByName(FVSeries->GetText()) : nullptr;
  const std::string rating = FListPN->GetText();
  if (!series || rating.empty()) return;
  const auto own = std::find_if(series->Ratings.begin(), series->Ratings.end(),
                                [&](const TCatalogueRating& r) { return r.Rating == rating; });
  const TPointItems& i = FPoint[point];
  const Extended P1 = i.P1->GetValue(), T1 = i.T1->GetValue();
  // Above the rating at room temperature the catalogue module says so
  // for every point; here the derating by the temperature.
  if (!HasValue(P1) || !HasValue(T1) || own == series->Ratings.end() || P1 > own->PMaxAbsolute()) return;
  const TRatingAtTemperature allowed = catalogue->AllowedPressure(*series, rating, T1);
  if (allowed.Rows.empty()) return;  // no table for the body's material group
  const std::string material = series->BodyMaterial;
  if (IsNoValue(allowed.P)) {
    // Hotter than the table reaches: the body has no rating there.
    CreateMessage(kMsgBodyTooHot, {i.T1, i.P1}, {i.T1->ConvertToUnitString(T1), rating, material, allowed.Rows});
    return;
  }
  const Extended allowedAbsolute = allowed.P + StandardPressure;
  if (P1 > allowedAbsolute)
    CreateMessage(kMsgBodyRating, {i.P1, i.T1},
                  {i.P1->ConvertToUnitString(P1), i.P1->ConvertToUnitString(allowedAbsolute), rating, material,
                   i.T1->ConvertToUnitString(T1), allowed.Rows});
}

void TMCMTorva::CheckOperatingPoints() {
  auto* calc = Calc();
  if (!calc || !calc->GetReady()) return;
  // The items are the main module's for its whole life: found once.
  if (!FcPipe) FindCheckedItems();
  // The speed of sound in the pipe wall, sqrt(E/rho) of the pipe's
  // material (about 5200 m/s for steel; E is kept in N/mm2), unless the
  // user gives it.
  if (!FcPipe->GetOverruled()) {
    const Extended E = FEM->GetValue(), rho = FRhoM->GetValue();
    FcPipe->AssignValue(0, HasValue(E) && HasValue(rho) && E > 0 && rho > 0 ? std::sqrt(E * 1e6L / rho) : NoValue);
  }
  // The flow through the valve and the temperature behind it at every point
  // (none where the flow entered lies outside its bounds: a negative flow
  // is refused, not passed on).
  const bool flowSolved = calc->SolvedFor() == ccQm;
  for (int point : {1, 2, 3, 4}) {
    const TPointItems& i = FPoint[point];
    i.QmValve->AssignValue(0, (flowSolved ? i.qmCalc : i.Qm)->GetCalcValue());
    const Extended t2v = i.t2v->GetValue();
    i.T2Medium->AssignValue(0, HasValue(t2v) ? t2v : i.T1->GetValue());
    const bool wet = FPhase->GetSwitchStatus() == phMixPhaseV;
    const bool withGas = FPhase->GetSwitchStatus() == phMixPhaseG;
    i.xMv2->AssignValue(0, wet ? i.xFG->GetValue() : withGas ? i.xMv1->GetValue() : NoValue);
    i.xOutletMedium->AssignValue(0, wet ? Extended(100) : i.xFG->GetValue());
  }
  for (int point : {1, 2, 3, 4}) {
    if (calc->SolvedFor() == ccP1 && calc->PointOn(point)) FollowSolvedInletPressure(point);
    else FInlet[point] = {};
  }
  SelectSizingDuty();
  // The plant characteristic runs through the valid points 1 to 3.
  int charOps = 0;
  for (int point : {1, 2, 3})
    if (calc->PointOn(point) && HasValue(FPoint[point].Rho1->GetValue())) ++charOps;
  FNoOfCharOps->AssignValue(0, charOps);
  // The inlet and outlet pressures the actuator must close against, and
  // the duty a valve of the catalogue must meet.
  auto larger = [](Extended& m, Extended v, bool lower = false) {
    if (HasValue(v) && (!HasValue(m) || (lower ? v < m : v > m))) m = v;
  };
  Extended p1Max = NoValue, p2Min = NoValue, p2Max = NoValue, t1Max = NoValue, kvsSugg = NoValue;
  for (int point : {1, 2, 3, 4}) {
    if (!calc->PointOn(point)) continue;
    const TPointItems& i = FPoint[point];
    larger(p1Max, i.P1->GetValue());
    larger(p2Min, i.p2->GetValue(), true);
    larger(p2Max, i.p2->GetValue());
    larger(t1Max, i.T1->GetValue());
    larger(kvsSugg, i.kvsSuggMax->GetValue());
  }
  Fp1Max->AssignValue(0, p1Max);
  Fp2Min->AssignValue(0, p2Min);
  Fp2Max->AssignValue(0, p2Max);
  FT1Max->AssignValue(0, t1Max);
  FkvsSugg->AssignValue(0, kvsSugg);
  const Extended Kvs = Fkvs->GetValue();
  Extended kvMin = NoValue, kvMax = NoValue;
  int pointMin = 0, pointMax = 0;
  for (int point : {1, 2, 3, 4}) {
    const TPointItems& i = FPoint[point];
    if (!calc->PointOn(point)) {
      i.StrokePosition->AssignValue(0, NoValue);
      continue;
    }
    ReportMissingResults(point);
    CheckBodyRating(point);
    const Extended h = i.h->GetValue();
    i.StrokePosition->AssignValue(0, HasValue(h) ? std::clamp<Extended>(h, 0, 100) : NoValue);
    const Extended kv = i.kv->GetValue();
    if (!HasValue(kv) || kv <= 0) continue;
    if (!HasValue(kvMax) || kv > kvMax) kvMax = kv, pointMax = point;
    if (!HasValue(kvMin) || kv < kvMin) kvMin = kv, pointMin = point;
    const Extended opening = i.KvKvs->GetValue();
    if (HasValue(opening) && HasValue(Kvs) && kv <= Kvs) {
      if (opening < kOpeningMin) CreateMessage(kMsgOpeningLow, {i.KvKvs, i.kv}, {PointName(point)});
      else if (opening > kOpeningMax) CreateMessage(kMsgOpeningHigh, {i.KvKvs, i.kv}, {PointName(point)});
    }
  }
  FkvMax->AssignValue(0, kvMax);
  if (HasValue(kvMax) && HasValue(Kvs) && kvMax > Kvs)
    CreateMessage(kMsgKvsTooSmall, {Fkvs, FPoint[pointMax].kv}, {PointName(pointMax)});
  else if (HasValue(kvMax) && HasValue(Kvs) && Kvs > 0 && kvMax < kOversizedShare * Kvs)
    CreateMessage(kMsgOversized, {FPoint[pointMax].kv, FPoint[pointMax].KvKvs, Fkvs},
                  {PointName(pointMax), FPoint[pointMax].KvKvs->ConvertToUnitString(100 * kvMax / Kvs)});
  if (HasValue(kvMin) && HasValue(kvMax) && kvMax > kRangeability * kvMin)
    CreateMessage(kMsgRangeability, {FPoint[pointMin].kv, FPoint[pointMax].kv}, {kvMax / kvMin});
  RecommendCharacteristic();
  // Points 1 to 3 stand for the minimum, normal and maximum load.
  Extended previous = NoValue;
  for (int point : {1, 2, 3}) {
    if (!calc->PointOn(point)) break;
    const Extended q = FPoint[point].QmValve->GetValue();
    if (!HasValue(q)) continue;
    if (HasValue(previous) && q < previous) {
      const auto flow = [&](int k) { return flowSolved ? FPoint[k].qmCalc : FPoint[k].Qm; };
      CreateMessage(kMsgPointsOutOfOrder, {flow(point), flow(point - 1)});
      break;
    }
    previous = q;
  }
}

// How the valve's pressure drop changes with the load is read from the
// points: the drop at the largest flow over the drop at the smallest. The
// engineer may state it instead (CiBase "Angabe"), for a single point or
// where the points do not span the load.
void TMCMTorva::RecommendCharacteristic() {
  auto* calc = Calc();
  const bool fromPoints = FRec.CiBase->GetSwitchStatus() == 0;
  Extended qMin = NoValue, qMax = NoValue, dpAtMin = NoValue, dpAtMax = NoValue;
  for (int point : {1, 2, 3, 4}) {
    if (!calc->PointOn(point)) continue;
    const Extended q = FPoint[point].QmValve->GetValue();
    const Extended dp = FPoint[point].P1->GetValue() - FPoint[point].p2->GetValue();
    if (!Available(q, dp) || dp <= 0) continue;
    if (!HasValue(qMin) || q < qMin) qMin = q, dpAtMin = dp;
    if (!HasValue(qMax) || q > qMax) qMax = q, dpAtMax = dp;
  }
  const Extended ratio = HasValue(qMin) && qMax > qMin ? dpAtMax / dpAtMin : NoValue;
  FRec.DropRatio->AssignValue(0, fromPoints ? ratio : NoValue);
  if (fromPoints) {
    const int behaviour = DropBehaviourOf(ratio);
    if (FRec.ControlRange->GetSwitchStatus() != behaviour) FRec.ControlRange->SetSwitchStatus(behaviour);
    FRec.ControlRange->SetInputState(isCalculated);
  }
  TCharacteristicChoice choice;
  if (FRec.RecommendChar->GetChecked()) {
    TControlLoop loop;
    loop.Task = static_cast<TControlTask>(FRec.Control->GetSwitchStatus());
    loop.Drop = static_cast<TDropBehaviour>(FRec.ControlRange->GetSwitchStatus());
    loop.FlowSquared = FRec.Measurement->GetSwitchStatus() == 1;
    loop.Bypass = FRec.ApplicationOf->GetSwitchStatus() == 1;
    loop.SmallRange = FRec.SetPoint->GetSwitchStatus() == 1;
    loop.PressureProcess = FRec.PressureControl->GetSwitchStatus();
    choice = torvacalc::RecommendCharacteristic(loop);
    CreateMessage(kMsgCharacteristicRule + choice.Rule, {FRec.Recommended, FRec.Control, FRec.ControlRange});
  }
  if (FRec.Recommended->GetSwitchStatus() != choice.Kind) FRec.Recommended->SetSwitchStatus(choice.Kind);
}

// -------------------------------------------------------------- super module

void TCustomSCM3ControlValves::BringUpToDate(int fileVersion, const std::vector<TCalcItem*>& absent) {
  TCustomSCM3SubstancesMaterialPipe3Flow::BringUpToDate(fileVersion, absent);
  for (TCalcItem* item : absent)
    if (item->GetName() == "NoiseStandardLiquid")
      if (auto* edition = dynamic_cast<TCalcListSwitch*>(item)) edition->SetSwitchStatus(tCMIEC2003::EditionOfOlderFiles);
}

TCustomSCM3ControlValves::TCustomSCM3ControlValves(TCalcComponent* owner, std::string name)
    : TCustomSCM3ControlValves(owner, std::move(name), MakeMainModule<TMCMTorva>) {}

TCustomSCM3ControlValves::TCustomSCM3ControlValves(TCalcComponent* owner, std::string name,
                                                   TMainModuleFactory makeMain)
    : TCustomSCM3SubstancesMaterialPipe3Flow(owner, std::move(name), makeMain) {
  for (int point : {1, 2, 3, 4}) CreateEachOP(point);
  fCMSuggestDN = CreateModule<TCMSuggestDN>("fCMSuggestDN");
  FCalcSourceSuggestDN = CreateSource(fCMSuggestDN, "FCalcSourceSuggestDN");
  fCMValveDatabase = CreateModule<TCMValveDatabase>("fCMValveDatabase");
  FCalcSourceValveDatabase = CreateSource(fCMValveDatabase, "FCalcSourceValveDatabase");
  fCMChar = CreateModule<TCMCharacteristics>("fCMChar");
  fCalcSourceChar = CreateSource(fCMChar, "fCalcSourceChar");
  FCCMNormPipeThicknessIn = CreateChild<TCCMNormPipeThickness>("FCCMNormPipeThicknessIn");
  FCCMNormPipeThicknessIn->SetCalcMessageContainer(GetCalcMessageContainer());
}

void TCustomSCM3ControlValves::CreateEachOP(int k) {
  const std::string s = std::to_string(k);
  FCMControlValves[k] = CreateModule<TCMControlValves>("FCMControlValves" + s);
  FCMResistor[k] = CreateModule<TCMResistor>("FCMResistor" + s);
  TCalcSource* downstream = nullptr;
  FCMSubstances2[k] = CreateSubstances("FCMSubstances2_" + s, downstream);
  FCalcSourceCMSubstances2[k] = downstream;
  FNoise.resize(NoiseMethods().size());
  for (size_t m = 0; m < FNoise.size(); ++m)
    FNoise[m].Module[k] = NoiseMethods()[m].CreateIn(*this, NoiseMethods()[m].ModuleName + s);
  if (k > 1)
    fCMP2Resistor[k] = CreateModule<TCMp2Resistor>(std::string("fCMP2Resistor") + (k == 2 ? "AP2" : OpSuffix(k)));
  fCMMixedDensity[k] = CreateModule<TCMMixedDensity>("fCMMixedDensity" + s);
  fCMWaterInjection[k] = CreateModule<TCMWaterInjection>("fCMWaterInjection" + s);
  // The outlet state of a medium other than water by its own method: the
  // substance engine of the point's inlet.
  fCMWaterInjection[k]->Throttle = [this, k](Extended T1, Extended P1, Extended P2) {
    TCCMSubstances* inlet = Substances(k);
    return inlet ? inlet->CalcModule().CalculateT2(T1, P1, P2) : NoValue;
  };
  FCMFlowOnly[k] = CreateChild<TCCMAllFlow>("FCMFlowOnly" + s);
  FCMFlowOnly[k]->SetCalcMessageContainer(GetCalcMessageContainer());
}

void TCustomSCM3ControlValves::InitEachOP(int k) {
  const std::string s = std::to_string(k);
  FCalcSourceCMControlValves[k] = CreateSource(FCMControlValves[k], "FCalcSourceCMControlValves" + s);
  FCalcSourceCMResistor[k] = CreateSource(FCMResistor[k], "FCalcSourceCMResistor" + s);
  for (size_t m = 0; m < FNoise.size(); ++m)
    FNoise[m].Source[k] = CreateSource(FNoise[m].Module[k], NoiseMethods()[m].SourceName + s);
  fCalcSourceMixedDensity[k] = CreateSource(fCMMixedDensity[k], "fCalcSourceMixedDensity" + s);
  fCalcSourceWaterInjection[k] = CreateSource(fCMWaterInjection[k], "fCalcSourceWaterInjection" + s);
  TCalcSource* main = CalcSourceCustomMCM1();
  auto connect = [&](TCalcSource* target, const std::string& name) { return CreateConnector(main, target, name + s); };
  FCalcConnectorMain[k] = connect(FCalcSourceCMControlValves[k], "FCalcConnectorMain");
  FCalcConnectorCalcQm[k] = connect(FCalcSourceCMControlValves[k], "FCalcConnectorCalcQm");
  FCalcConnectorCalcKv[k] = connect(FCalcSourceCMControlValves[k], "FCalcConnectorCalcKv");
  FCalcConnectorCalcp2[k] = connect(FCalcSourceCMControlValves[k], "FCalcConnectorCalcp2");
  FCalcConnectorCalcp1[k] = connect(FCalcSourceCMControlValves[k], "FCalcConnectorCalcp1");
  FCalcConnectorResistor[k] = connect(FCalcSourceCMResistor[k], "FCalcConnectorResistor");
  FCalcConnectorSubstances2[k] = connect(FCalcSourceCMSubstances2[k], "FCalcConnectorSubstances2_");
  for (size_t m = 0; m < FNoise.size(); ++m)
    FNoise[m].Connector[k] = connect(FNoise[m].Source[k], NoiseMethods()[m].ConnectorName);
  fCalcConnectorMixedDensity[k] = connect(fCalcSourceMixedDensity[k], "fCalcConnectorMixedDensity");
  fCalcConnectorWaterInjectionFix[k] = connect(fCalcSourceWaterInjection[k], "fCalcConnectorWaterInjectionFix");
  fCalcConnectorWaterInjection[k] = connect(fCalcSourceWaterInjection[k], "fCalcConnectorWaterInjection");
  // The solved flow converted at the point's state; the mass flow is what
  // it is given, whatever the user gives at the point.
  TCalcConnector* flow = CreateConnector(main, &FCMFlowOnly[k]->GetCalcSource(), "FCalcConnectorFlowOnly" + s);
  FCalcConnectorFlowOnly[k] = flow;
  const std::string op = OpSuffix(k);
  for (const char* n : {"Phase", "GasMedium", "StandardConditions", "TN0", "PN0", "RhoN"})
    flow->InConnections.AddConnection(n, n);
  flow->InConnections.AddConnection("Zn|zn");
  for (const auto& [main, item] : {std::pair{"P1", "p1"}, {"T1", "t1"}, {"Z1", "z1"}, {"Rho1", "Rho"},
                                   {"PhiRel", "PhiRel"}, {"PvW1", "pvw1"}, {"qmCalc", "Qm"}})
    flow->InConnections.AddConnection(main + op, item);
  flow->OutConnections.AddConnection("Qv|QvCalc" + op);
  flow->OutConnections.AddConnection("Qn|QnCalc" + op);
  TCMAllFlow& conversion = FCMFlowOnly[k]->Module();
  conversion.QmOrQv->SetSwitchStatus(qoqQm);
  conversion.QmOrQvMoist->SetSwitchStatus(qqmQm);
  if (fCMP2Resistor[k]) {
    FCalcSourceCMP2Resistor[k] = CreateSource(fCMP2Resistor[k], std::string("FCalcSourceCMP2Resistor") + OpSuffix(k));
    FCalcConnectorP2Res[k] =
        CreateConnector(main, FCalcSourceCMP2Resistor[k], std::string("FCalcConnectorP2Res") + OpSuffix(k));
  }
  // The medium behind the valve is a state of the same medium: it takes
  // the declared phase as it is and the molar mass of point 1.
  TCMSubstances& m = FCMSubstances2[k]->CalcModule();
  m.RhoNRiM->SetSwitchStatus(2);
  m.ChangePhase->SetChecked(false);
  m.MessageIfChangePhase->SetChecked(false);
  m.SetCheckPhase(false);
}

TCalcConnector* TCustomSCM3ControlValves::ConnectorOf(const TValveLink& link, int k) const {
  const TValveLink::TModule module = link.Module;
  switch (module) {
    case L::lmValve: return FCalcConnectorMain[k];
    case L::lmSolveKv: return FCalcConnectorCalcKv[k];
    case L::lmSolveQm: return FCalcConnectorCalcQm[k];
    case L::lmSolveP2: return FCalcConnectorCalcp2[k];
    case L::lmSolveP1: return FCalcConnectorCalcp1[k];
    case L::lmDownstream: return FCalcConnectorSubstances2[k];
    case L::lmMixture: return fCalcConnectorMixedDensity[k];
    case L::lmResistor: return FCalcConnectorResistor[k];
    case L::lmNoiseMethod: return FNoise[link.Method].Connector[k];
    case L::lmCharacteristics: return fCalcConnectorCharIn;
    case L::lmInletPipe: return FCalcConnectorNormPipeThicknessIn;
    case L::lmWaterInjection: return fCalcConnectorWaterInjectionFix[k];
    case L::lmWaterInjectionOut: return fCalcConnectorWaterInjection[k];
    case L::lmSuggestDN: return FCalcConnectorSuggestDN;
    case L::lmValveDatabase: return FCalcConnectorValveDatabase;
    case L::lmValveDatabaseLN: return FCalcConnectorValveDatabaseLN;
    case L::lmP2Resistor: return FCalcConnectorP2Res[k];
    case L::lmActuator:
    case L::lmActuatorDatabase: return ExtraConnector(module);
    case L::lmNoiseCommon: break;
  }
  return nullptr;
}

void TCustomSCM3ControlValves::Init() {
  TCustomSCM3SubstancesMaterialPipe3Flow::Init();
  for (int k : {1, 2, 3, 4}) InitEachOP(k);
  TCalcSource* main = CalcSourceCustomMCM1();
  fCalcConnectorCharIn = CreateConnector(main, fCalcSourceChar, "fCalcConnectorCharIn");
  fCalcConnectorCharOut = CreateConnector(main, fCalcSourceChar, "fCalcConnectorCharOut");
  FCalcConnectorNormPipeThicknessIn =
      CreateConnector(main, &FCCMNormPipeThicknessIn->GetCalcSource(), "FCalcConnectorNormPipeThicknessIn");
  FCalcConnectorSuggestDN = CreateConnector(main, FCalcSourceSuggestDN, "FCalcConnectorSuggestDN");
  FCalcConnectorValveDatabase = CreateConnector(main, FCalcSourceValveDatabase, "FCalcConnectorValveDatabase");
  FCalcConnectorValveDatabaseLN = CreateConnector(main, FCalcSourceValveDatabase, "FCalcConnectorValveDatabaseLN");
  fCCRho2v = CreateConnector(main, main, "fCCRho2v");
  fCCRho2r = CreateConnector(main, main, "fCCRho2r");
  fCCxMv = CreateConnector(main, main, "fCCxMv");
  for (int k : {1, 2, 3, 4}) {
    const std::string op = OpSuffix(k);
    fCCRho2v->InConnections.AddConnection("rho2v" + op + "|rho2" + op);
    fCCRho2r->InConnections.AddConnection("rho2r" + op + "|rho2" + op);
    fCCxMv->InConnections.AddConnection("xMv1" + op + "|xFG1" + op);
  }
  // The outlet pipe is rated for the largest outlet pressure of the points
  // (the layer below rates it for the inlet pressure of point 1, all it
  // knows); the inlet pipe, in the table, for the largest inlet pressure.
  TConnections& outletPipe = FCalcConnectorNormPipeThickness1->InConnections;
  std::vector<std::string> outletPipeRows;
  for (size_t e = 0; e < outletPipe.Count(); ++e) outletPipeRows.emplace_back(outletPipe.Entry(e));
  outletPipe.Clear();
  for (const std::string& row : outletPipeRows) outletPipe.AddConnection(row == "P1|P1" ? "p2Max|P1" : row);

  // The lists, row by row. A row of a single module is wired once; the
  // common noise rows go to all four methods of a point.
  auto add = [](TCalcConnector* c, const L& l, int k) {
    const std::string main = MainName(l, k);
    switch (l.Way) {
      case L::lwIn: c->InConnections.AddConnection(main, l.Item); break;
      case L::lwPump: c->InDataPump.AddConnection(main, l.Item); break;
      case L::lwOut: c->OutConnections.AddConnection(l.Item, main); break;
      case L::lwShared:
        if (k == 1) c->OutConnections.AddConnection(l.Item, main);
        else c->InConnections.AddConnection(main, l.Item);
        break;
    }
  };
  for (const L& l : ValveLinks())
    for (int k : {1, 2, 3, 4}) {
      if (!RowAt(l, k) || (SingleModule(l.Module) && k > 1)) continue;
      if (l.Module == L::lmNoiseCommon) {
        for (const TNoiseParts& n : FNoise) add(n.Connector[k], l, k);
      } else if (l.Module == L::lmCharacteristics && l.Way == L::lwOut) {
        add(fCalcConnectorCharOut, l, k);
      } else {
          if (TCalcConnector* c = ConnectorOf(l, k)) add(c, l, k);
      }
    }

  SelectSolveConnectors();
  SelectNoiseMethods();
  for (TCalcConnector* c : {FCalcConnectorValveDatabase, FCalcConnectorValveDatabaseLN}) {
    c->SetEnabled(false);
    c->SetActive(true);
  }
  for (int k : {2, 3, 4}) {
    FCalcConnectorP2Res[k]->SetEnabled(false);
    FCalcConnectorP2Res[k]->SetActive(true);
  }
  for (int k : {1, 2, 3, 4}) {
    for (TCalcConnector* c : {fCalcConnectorWaterInjectionFix[k], fCalcConnectorWaterInjection[k],
                              FCalcConnectorSubstances2[k], fCalcConnectorMixedDensity[k], FCalcConnectorMain[k],
                              FCalcConnectorCalcKv[k], FCalcConnectorCalcQm[k], FCalcConnectorCalcp2[k],
                              FCalcConnectorCalcp1[k], FCalcConnectorResistor[k]})
      c->SetActive(true);
    for (const TNoiseParts& n : FNoise) n.Connector[k]->SetActive(true);
  }
  FCalcConnectorNormPipeThicknessIn->SetActive(true);
  FCalcConnectorSuggestDN->SetActive(true);
  fCCRho2r->SetEnabled(false);
  for (TCalcConnector* c : {fCCRho2v, fCCRho2r, fCCxMv}) c->SetActive(true);
  for (int k : {1, 2, 3, 4}) {
    FCalcConnectorFlowOnly[k]->SetEnabled(false);
    FCalcConnectorFlowOnly[k]->SetActive(true);
  }
  for (L::TModule m : {L::lmActuatorDatabase, L::lmActuator})
    if (TCalcConnector* c = ExtraConnector(m)) c->SetActive(true);
  fCalcConnectorCharIn->SetActive(true);
  fCalcConnectorCharOut->SetActive(true);

  // A point's results are shown in the unit of point 1's.
  TMainCalcModule& m = *GetMainCalcModule();
  for (const L& l : ValveLinks()) {
    if (!l.PerPoint || l.FirstOnly) continue;
    TCalcParameter* one = m.CalcItemByName(l.Main)->AsParameter();
    if (!one) continue;
    for (int k : {2, 3, 4}) {
      TCalcParameter* other = m.CalcItemByName(MainName(l, k))->AsParameter();
      if (other && other != one) TCalcParameter::SynchronizeUnits(*one, *other);
    }
  }
  ApplyNoOfOps();
  ApplyOpXEnabled();
}

void TCustomSCM3ControlValves::SelectSolveConnectors() {
  const auto* what = dynamic_cast<TCustomCalcMultiSwitch*>(GetMainCalcModule()->CalcItemByName("WhatToCalculate"));
  const int unknown = what ? what->GetSwitchStatus() : ccKv;
  if (unknown == FSolvedFor) return;
  FSolvedFor = unknown;
  BeginUpdate();
  // A result that becomes an entry keeps the value it showed (solving for
  // the outlet pressure after sizing starts from the Kv just found).
  TMainCalcModule& m = *GetMainCalcModule();
  std::vector<std::pair<TCalcParameter*, Extended>> shown;
  for (int k : {1, 2, 3, 4})
    for (const char* n : {"kv", "p2"}) {
      TCalcParameter* p = m.CalcItemByName(n + std::string(OpSuffix(k)))->AsParameter();
      if (p->GetIsTarget()) shown.emplace_back(p, p->GetValue());
    }
  for (int k : {1, 2, 3, 4}) {
    // Off first, so that no item is read from two places on the way.
    TCalcConnector* chosen = unknown == ccQm   ? FCalcConnectorCalcQm[k]
                             : unknown == ccP1 ? FCalcConnectorCalcp1[k]
                             : unknown == ccP2 ? FCalcConnectorCalcp2[k]
                                               : FCalcConnectorCalcKv[k];
    for (TCalcConnector* c : {FCalcConnectorCalcQm[k], FCalcConnectorCalcKv[k], FCalcConnectorCalcp2[k],
                              FCalcConnectorCalcp1[k]})
      if (c != chosen) c->SetEnabled(false);
    chosen->SetEnabled(true);
    SelectFlowConversion(k);
  }
  for (const auto& [p, v] : shown)
    if (!p->GetIsTarget() && HasValue(v) && !HasValue(p->GetValue())) p->SetValuesParallel(isUser, p->GetCalcUnitNo(), v);
  // Relinking changes which values the modules read without telling the
  // readers; every module computes once with what it reads now.
  Calculate();
  EndUpdate(true);
}

void TCustomSCM3ControlValves::ApplySwitches() {
  SelectSolveConnectors();
  SelectNoiseMethods();
  SelectResistors();
  SelectValveDatabase();
}

void TCustomSCM3ControlValves::SelectFlowConversion(int k) {
  const bool on = FSolvedFor == ccQm && PointOn(k);
  FCalcConnectorFlowOnly[k]->SetEnabled(on);
  EnableModule(&FCMFlowOnly[k]->Module(), on);
}

void TCustomSCM3ControlValves::SelectNoiseMethods() {
  BeginUpdate();
  for (int k : {1, 2, 3, 4}) SelectNoiseMethod(k);
  EndUpdate(true);
}

void TCustomSCM3ControlValves::SelectNoiseMethod(int k) {
  TMainCalcModule& m = *GetMainCalcModule();
  auto status = [&](const char* n) {
    const auto* s = dynamic_cast<TCustomCalcMultiSwitch*>(m.CalcItemByName(n));
    return s ? s->GetSwitchStatus() : -1;
  };
  const int phase = status("Phase");
  // A liquid by the declared phase; vapours and gases otherwise.
  const bool liquid = phase == 0;
  const size_t chosen = ChosenNoiseMethod(liquid, phase == 4 || phase == 5,
                                          liquid ? status("NoiseNormLiquid") : status("NoiseNormGas"));
  // A method that is not chosen keeps no results and no messages; it is
  // switched off while still wired, so that what it withdraws leaves the
  // main module too.
  const bool on = PointOn(k);
  for (size_t m = 0; m < FNoise.size(); ++m)
    if (m != chosen) EnableModule(FNoise[m].Module[k], false);
  for (size_t m = 0; m < FNoise.size(); ++m)
    if (m != chosen) FNoise[m].Connector[k]->SetEnabled(false);
  FNoise[chosen].Connector[k]->SetEnabled(true);
  EnableModule(FNoise[chosen].Module[k], on);
}

void TCustomSCM3ControlValves::SelectResistors() {
  auto checked = [&](const char* n) {
    const auto* s = dynamic_cast<TCalcSwitch*>(GetMainCalcModule()->CalcItemByName(n));
    return s && s->GetChecked();
  };
  const bool used = checked("UseResistors");
  // The outlet pressure comes from the fixed resistor only while it is an
  // entry of the sizing: solving for it, or for the flow that sets it,
  // would make the two read each other.
  const bool fixed = used && checked("FixedResistor") && FSolvedFor == ccKv;
  if (fCCRho2r->GetEnabled() != used) {
    (used ? fCCRho2v : fCCRho2r)->SetEnabled(false);  // off first: rho2 is read from one place
    (used ? fCCRho2r : fCCRho2v)->SetEnabled(true);
  }
  for (int k : {1, 2, 3, 4}) {
    EnableModule(FCMResistor[k], used && PointOn(k));
    if (k == 1 || !FCalcConnectorP2Res[k]) continue;
    const bool on = fixed && PointOn(k);
    EnableModule(fCMP2Resistor[k], on);
    FCalcConnectorP2Res[k]->SetEnabled(on);
  }
}

void TCustomSCM3ControlValves::SelectValveDatabase() {
  const auto* use = dynamic_cast<TCalcSwitch*>(GetMainCalcModule()->CalcItemByName("ValveFromDatabase"));
  const bool on = use && use->GetChecked();
  if (on == FCalcConnectorValveDatabase->GetEnabled()) return;
  BeginUpdate();
  FCalcConnectorValveDatabase->SetEnabled(on);
  FCalcConnectorValveDatabaseLN->SetEnabled(on);
  // The valve data changed under the modules that read them.
  Calculate();
  EndUpdate(true);
}

void TCustomSCM3ControlValves::EnablePoint(int k, bool on) {
  for (TCalcModule* mod : std::initializer_list<TCalcModule*>{&FCMSubstances2[k]->CalcModule(), fCMMixedDensity[k],
                                                              fCMWaterInjection[k], FCMControlValves[k]})
    EnableModule(mod, on);
  SelectResistors();
  SelectNoiseMethod(k);
  SelectFlowConversion(k);
}

void TCustomSCM3ControlValves::ApplyNoOfOps() {
  TCustomSCM3SubstancesMaterialPipe3Flow::ApplyNoOfOps();
  if (!FCalcConnectorMain[1]) return;  // not wired yet
  EnablePoint(2, FNoOfOps >= 2);
  EnablePoint(3, FNoOfOps >= 3);
}

void TCustomSCM3ControlValves::ApplyOpXEnabled() {
  TCustomSCM3SubstancesMaterialPipe3Flow::ApplyOpXEnabled();
  if (!FCalcConnectorMain[1]) return;
  EnablePoint(4, FOpXEnabled);
}

std::vector<std::string> TCustomSCM3ControlValves::EntryNames() const {
  // What the user enters per point: the state and the flow of the point,
  // and the unknowns' partners of the valve sizing.
  std::vector<std::string> names;
  for (const auto& i : TCustomMCM3SubstancesMaterialPipe::PointItems())
    if (std::string(i.main) == "T1" || std::string(i.main) == "P1" || std::string(i.main) == "PhiRel")
      names.push_back(i.main);
  for (const auto& n : TCustomMCM3SubstancesMaterialPipe3Flow::FlowNames()) names.push_back(n);
  for (const char* n : {"p2", "kv", "xFG1", "p2Res"}) names.push_back(n);
  return names;
}

void TCustomSCM3ControlValves::StornoOp(int k) {
  TMainCalcModule& m = *GetMainCalcModule();
  BeginUpdate();
  for (const auto& n : EntryNames()) {
    TCalcItem* i = m.CalcItemByName(n + OpSuffix(k));
    if (i && i->GetInputState() == isUser) {
      i->EnterByUser(true);
      i->SetText("");
    }
  }
  EndUpdate(true);
}

void TCustomSCM3ControlValves::CopyOp(int k) {
  TMainCalcModule& m = *GetMainCalcModule();
  BeginUpdate();
  for (const auto& n : EntryNames()) {
    TCalcItem* from = m.CalcItemByName(n);
    TCalcItem* to = m.CalcItemByName(n + OpSuffix(k));
    if (!from || !to) continue;
    const bool entered = from->GetInputState() == isUser;
    to->EnterByUser(!entered);
    to->SetText(entered ? from->GetText() : std::string());
  }
  EndUpdate(true);
}

void TCustomSCM3ControlValves::MoveOps(int a, int b) {
  if (a == b || a < 1 || b < 1 || a > 4 || b > 4) return;
  TMainCalcModule& m = *GetMainCalcModule();
  BeginUpdate();
  for (const auto& n : EntryNames()) {
    TCalcItem* x = m.CalcItemByName(n + OpSuffix(a));
    TCalcItem* y = m.CalcItemByName(n + OpSuffix(b));
    if (!x || !y) continue;
    const bool xe = x->GetInputState() == isUser, ye = y->GetInputState() == isUser;
    const std::string xt = x->GetText(), yt = y->GetText();
    x->EnterByUser(!ye);
    x->SetText(ye ? yt : std::string());
    y->EnterByUser(!xe);
    y->SetText(xe ? xt : std::string());
  }
  EndUpdate(true);
}

void TCustomSCM3ControlValves::SortOps() {
  // Points 1 to 3 in the order of the flow through the valve (minimum,
  // normal, maximum); points without a flow keep their order at the end.
  // The order is taken before anything moves (a flow given as a volume
  // flow is converted only when the calculation settles) and the moves
  // are one change, undone in one step.
  TMainCalcModule& m = *GetMainCalcModule();
  auto flow = [&](int k) {
    return m.CalcItemByName(std::string("QmValve") + OpSuffix(k))->AsParameter()->GetValue();
  };
  std::vector<int> order;
  for (int k = 1; k <= std::min<int>(FNoOfOps, 3); ++k) order.push_back(k);
  std::vector<Extended> q(4, NoValue);
  for (int k : order) q[k] = flow(k);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return HasValue(q[a]) && (!HasValue(q[b]) || q[a] < q[b]);
  });
  std::array<int, 4> at{0, 1, 2, 3};  // where the entries of point k stand now
  std::array<int, 4> whose{0, 1, 2, 3};  // whose entries stand at place p
  BeginUpdate();
  for (int place = 1; place <= static_cast<int>(order.size()); ++place) {
    const int from = at[order[place - 1]];
    if (from == place) continue;
    MoveOps(place, from);
    std::swap(whose[place], whose[from]);
    at[whose[place]] = place;
    at[whose[from]] = from;
  }
  EndUpdate(true);
}

void TCustomSCM3ControlValves::CarryMolarMass() {
  TCustomSCM3SubstancesMaterialPipe3Flow::CarryMolarMass();
  const TCalcItem* main = GetMainCalcModule()->CalcItemByName("M");
  if (!main || !FCMSubstances2[1]) return;
  const Extended value = main->AsParameter()->GetValue();
  for (int k : {1, 2, 3, 4}) {
    TCalcParameter* M = FCMSubstances2[k]->CalcModule().M;
    if (M->GetInputState() == isUser && (M->GetValue() == value || (IsNoValue(value) && IsNoValue(M->GetValue()))))
      continue;
    M->SetValuesParallel(isUser, M->GetCalcUnitNo(), value);
  }
}

TSCMTorva::TSCMTorva(TCalcComponent* owner, std::string name)
    : TCustomSCM3ControlValves(owner, std::move(name), MakeMainModule<TMCMTorva>) {
  fCMActuatorDatabase = CreateModule<TCMActuatorDataBase>("fCMActuatorDatabase");
  FCalcSourceActuatorDatabase = CreateSource(fCMActuatorDatabase, "FCalcSourceActuatorDatabase");
  FCMActuator = CreateModule<TCMActuator>("FCMActuator");
  FCalcSourceCM = CreateSource(FCMActuator, "FCalcSourceCM");
}

void TSCMTorva::Init() {
  FCalcConnectorActuatorDatabase =
      CreateConnector(CalcSourceCustomMCM1(), FCalcSourceActuatorDatabase, "FCalcConnectorActuatorDatabase");
  FCalcConnectorCM = CreateConnector(CalcSourceCustomMCM1(), FCalcSourceCM, "FCalcConnectorCM");
  TCustomSCM3ControlValves::Init();
}

TCalcConnector* TSCMTorva::ExtraConnector(TValveLink::TModule module) const {
  return module == TValveLink::lmActuator ? FCalcConnectorCM
         : module == TValveLink::lmActuatorDatabase ? FCalcConnectorActuatorDatabase
                                                    : nullptr;
}

}  // namespace torvacalc
