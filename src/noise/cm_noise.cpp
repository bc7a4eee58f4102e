#include "noise/cm_noise.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace torvacalc {

namespace {

// The usual plant limit of the A-weighted level 1 m from the pipe
// (workplace noise, EU directive 2003/10/EC upper action value).
constexpr Extended kPlantLimit = 85;
// Above 110 dB(A) 1 m from the pipe the pipe wall vibrates hard enough to
// crack welded attachments, small connections and instrument taps, and
// the trim may fatigue: a design that needs changing, not a noise issue.
constexpr Extended kDamageLimit = 110;
// The band range of the spectra of IEC 60534-8-3:2010 and -8-4:2015
// (12.5 Hz ... 20 kHz third-octave bands): a peak frequency outside it is
// extrapolated.
constexpr Extended kLowestBand = 12.5L, kHighestBand = 20000;
// Above Mach 0.3 at the valve outlet the outlet jet makes noise of its own
// (IEC 60534-8-3 outlet-velocity chain) and the levels grow quickly.
constexpr Extended kOutletMach = 0.3L;
// A pipe whose bore is more than a tenth narrower than the valve size is a
// reducer behind the valve, not a heavier wall.
constexpr Extended kNarrowPipe = 0.9L;

// Message numbers of the noise modules.
enum {
  msgVelocity = 1501, msgOutletMach = 1502, msgSonic = 1503, msgPlantLimit = 1504,
  msgNoLevel = 1505, msgLiquidOnly = 1510, msgGasOnly = 1511, msgNoSoundData = 1512,
  msgPipeMach = 1513, msgMechDamage = 1514, msgDamageLevel = 1506, msgExtrapolated = 1507,
  msgFlashingOutside = 1515, msgNarrowPipe = 1516,
  msgInconsistent = 903,
};

template <class E>
E Choice(const TCustomCalcMultiSwitch* s, E fallback, int count) {
  const int i = s->GetSwitchStatus();
  return i >= 0 && i < count ? static_cast<E>(i) : fallback;
}

// Two significant digits: 47.3 -> 47, 0.1234 -> 0.12.
Extended TwoDigits(Extended v) {
  if (!HasValue(v) || v <= 0) return NoValue;
  const Extended scale = std::pow(10.0L, std::floor(std::log10(v)) - 1);
  return std::round(v / scale) * scale;
}

const char* kBandNames[tSpectrum::Count] = {"0500", "1000", "2000", "4000", "8000"};

TChoiceList Choices(std::initializer_list<const char*> values) {
  return std::make_shared<const std::vector<std::string>>(values.begin(), values.end());
}

// The value lists of the switches every noise module has (four methods at
// each of four points): made once, shared by all the switches.
struct TNoiseChoices {
  TChoiceList Phase = Choices({"Flüssigkeit", "Dampf", "Gas", "Gas (Betriebszustand)", "Mehrphasig (Dampf)",
                               "Mehrphasig (Gas)", "unbestimmt"});
  TChoiceList CalculatedPhase = Choices({"unbestimmt", "flüssig", "dampfförmig", "gasförmig", "gesättigt", "fest",
                                         "überkritisch", "zweiphasig"});
  TChoiceList NoiseNormLiquid = Choices({"VDMA 24422 (1979)", "VDMA 24422 (1989)", "IEC 60534-8-4"});
  TChoiceList NoiseNormGas = Choices({"VDMA 24422 (1979)", "VDMA 24422 (1989)", "IEC 60534-8-3"});
  TChoiceList PipeClass = Choices({"EN 10220", "ASME B36.10M"});
  TChoiceList SubstanceType = Choices({"Wasser", "Faserstoffsuspension", "Sonstige", "RU Bochum", "AGA", "GERG"});
  TChoiceList GasMedium = Choices({"Gas", "Dampf"});
  TChoiceList LowNoiseDesign = Choices({"keine", "Silent-Pack", "Lochkegel", "benutzerdefiniert"});
  TChoiceList ResistorType = Choices({"unbekannt", "Ventil", "Einlochblende", "Schalldämpfer direkt",
                                      "Schalldämpfer indirekt", "Lochkegel", "Einspritzdüse"});
  TChoiceList FlowState = Choices({"unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation",
                                   "maximale Kavitation", "Verdampfung", "kritische Strömung",
                                   "Kavitationsschäden", "beginnende Kavitation (Sigma mr)",
                                   "starke Kavitation (Sigma mr)"});
};

const TNoiseChoices& NoiseChoices() {
  static const TNoiseChoices choices;
  return choices;
}

}  // namespace

// ----- TCMCustomNoisePrediction -----

TCMCustomNoisePrediction::TCMCustomNoisePrediction(TCalcComponent* owner, std::string name,
                                                   std::unique_ptr<tVDMA79> method)
    : TCalcModule(owner, std::move(name)), FMethod(std::move(method)) {
  auto list = [&](const char* n, const char* caption, const TChoiceList& values, int chosen = 0) {
    auto* s = AddItem<TCalcListSwitch>(n);
    s->SetCaption(caption);
    s->SetValueList(values);
    s->SetSwitchStatus(chosen);
    return s;
  };
  auto two = [&](const char* n, const char* caption, bool on) {
    auto* s = AddItem<TCalcSwitch>(n);
    s->SetCaption(caption);
    s->SetChecked(on);
    return s;
  };
  const TNoiseChoices& choices = NoiseChoices();
  Phase = list("Phase", "Phase", choices.Phase);
  CalculatedPhase = list("CalculatedPhase", "Berechnete Phase", choices.CalculatedPhase);
  NoiseNormLiquid = list("NoiseNormLiquid", "Geräuschverfahren für Flüssigkeiten", choices.NoiseNormLiquid, 2);
  NoiseNormGas = list("NoiseNormGas", "Geräuschverfahren für Gase und Dämpfe", choices.NoiseNormGas, 2);
  PipeClass = AddItem<TPipeClassSwitch>("PipeClass");
  PipeClass->SetCaption("Rohrklasse");
  PipeClass->SetValueList(choices.PipeClass);
  FStyles = TValveStyles::Default();
  ValveType = AddValveDataSwitch(*this, "ValveType", "Ventilbauart");
  OfferValveData(ValveType, FStyles->StyleSource(), true);
  SubstanceType = list("SubstanceType", "Stoffart", choices.SubstanceType, stOthers);
  GasMedium = list("GasMedium", "Gasförmiges Medium", choices.GasMedium);
  LowNoiseDesign = list("LowNoiseDesign", "Geräuscharme Ausführung", choices.LowNoiseDesign);
  LowNoise = AddItem<TDataListSwitch>("LowNoise");
  LowNoise->SetCaption("Geräuscharme Baureihe");
  UseMaCorrection = two("UseMaCorrection", "Machzahlkorrektur", false);
  ResistorType = list("ResistorType", "Art der Drosselstrecke", choices.ResistorType);
  UseResistors = two("UseResistors", "Nachgeschaltete Drosselstrecke", false);
  FlowState = list("FlowState", "Strömungszustand", choices.FlowState);
  MechDamage = two("MechDamage", "Mechanische Schäden zu erwarten", false);

  x = Param<TInputParameter>("x", qFixedPortion, "Differenzdruckverhältnis");
  qm = Param<TInputParameter>("qm", qMassFlowrate, "Massenstrom");
  kv = Param<TInputParameter>("kv", qKvCv, "Durchflusskoeffizient Kv");
  kvs = Param<TInputParameter>("kvs", qKvCv, "Kvs-Wert");
  p1 = Param<TInputParameter>("p1", qPressureBar, "Eintrittsdruck");
  p2 = Param<TInputParameter>("p2", qPressureBar, "Austrittsdruck");
  t1 = Param<TInputParameter>("t1", qTemperature, "Eintrittstemperatur");
  t2 = Param<TInputParameter>("t2", qTemperature, "Austrittstemperatur");
  xPulp = AddItem<TInputParameter>("xPulp", Extended(0), Extended(16), qPortion);
  xPulp->SetCaption("Stoffdichte");
  DiP = Param<TInputParameter>("DiP", qNominalDiameter, "Rohrinnendurchmesser Austritt");
  DiP1 = Param<TInputParameter>("DiP1", qNominalDiameter, "Rohrinnendurchmesser Eintritt");
  rho2v = Param<TInputParameter>("rho2v", qDensity, "Dichte am Ventilaustritt");
  rho2r = Param<TInputParameter>("rho2r", qDensity, "Dichte in der Austrittsleitung");
  rho1 = Param<TInputParameter>("rho1", qDensity, "Dichte am Eintritt");
  pv1 = Param<TInputParameter>("pv1", qPressureBar, "Dampfdruck am Eintritt");
  pv2 = Param<TInputParameter>("pv2", qPressureBar, "Dampfdruck am Austritt");
  pl1 = Param<TInputParameter>("pl1", qPressureBar, "Dampfdruck der Flüssigphase");
  rhoN = Param<TInputParameter>("rhoN", qDensity, "Normdichte");
  kappa1 = Param<TInputParameter>("kappa1", qNoUnitPositive, "Isentropenexponent");
  dLaCo = Param<TInputParameter>("dLaCo", qUnweightSoundPress, "Pegelkorrektur (Benutzer)");
  LaRes = Param<TInputParameter>("LaRes", qWeightSoundPress, "Schallpegel der Drosselstrecke");
  zy = Param<TInputParameter>("zy", qFixedPortion, "z im Betriebspunkt");
  fl2 = Param<TInputParameter>("fl2", qFixedPortion, "FL2 im Betriebspunkt");
  ValveDN = Param<TInputParameter>("ValveDN", qNominalDiameter, "Nennweite des Ventils");
  ValveDN1 = Param<TInputParameter>("ValveDN1", qNominalDiameter, "Innendurchmesser des Ventils");
  SugMa = Param<TInputParameter>("SugMa", qNoUnitPositive, "Machzahl für den Nennweitenvorschlag");
  Cf2 = Param<TInputParameter>("Cf2", qVelocity, "Schallgeschwindigkeit am Austritt");
  uMaxNoCav = Param<TInputParameter>("uMaxNoCav", qVelocity, "Höchstgeschwindigkeit ohne Kavitation");
  uMaxCav = Param<TInputParameter>("uMaxCav", qVelocity, "Höchstgeschwindigkeit bei Kavitation");
  uMaxPartCav = Param<TInputParameter>("uMaxPartCav", qVelocity,
                                       "Höchstgeschwindigkeit bei beginnender Kavitation");
  uMaxFlashing = Param<TInputParameter>("uMaxFlashing", qVelocity,
                                        "Höchstgeschwindigkeit bei Verdampfung");

  u = Param<TOutputParameter>("u", qVelocity, "Geschwindigkeit im Ventileintritt");
  u2 = Param<TOutputParameter>("u2", qVelocity, "Geschwindigkeit im Ventilaustritt");
  uDiP1 = Param<TOutputParameter>("uDiP1", qVelocity, "Geschwindigkeit in der Eintrittsleitung");
  uDiP2 = Param<TOutputParameter>("uDiP2", qVelocity, "Geschwindigkeit in der Austrittsleitung");
  PVer = Param<TOutputParameter>("PVer", qPower, "Verlustleistung");
  La1 = Param<TOutputParameter>("La1", qUnweightSoundPress, "Pegelanteil La1");
  la2 = Param<TOutputParameter>("la2", qUnweightSoundPress, "Pegelanteil La2");
  MaDN = Param<TOutputParameter>("MaDN", qNoUnitPositive, "Machzahl im Ventilaustritt");
  LpAa = Param<TOutputParameter>("LpAa", qWeightSoundPress, "Schalldruckpegel LpAa");
  LaTot = Param<TOutputParameter>("LaTot", qWeightSoundPress, "Gesamtpegel mit Drosselstrecke");
  DLaMa = Param<TOutputParameter>("DLaMa", qUnweightSoundPress, "Korrektur Machzahl");
  DLaLN = Param<TOutputParameter>("DLaLN", qUnweightSoundPress, "Korrektur geräuscharme Ausführung");
  dLaRed = Param<TOutputParameter>("dLaRed", qUnweightSoundPress, "Korrektur Reduzierstücke");
  dLaRes = Param<TOutputParameter>("dLaRes", qUnweightSoundPress, "Korrektur Drosselstrecke");
  dLaPulp = Param<TOutputParameter>("dLaPulp", qUnweightSoundPress, "Korrektur Faserstoff");
  DNSug10 = Param<TOutputParameter>("DNSug10", qNominalDiameter, "Nennweitenvorschlag Ma 1,0");
  DNSug07 = Param<TOutputParameter>("DNSug07", qNominalDiameter, "Nennweitenvorschlag Ma 0,7");
  DNSug03 = Param<TOutputParameter>("DNSug03", qNominalDiameter, "Nennweitenvorschlag Ma 0,3");
  DNSugX = Param<TOutputParameter>("DNSugX", qNominalDiameter, "Nennweitenvorschlag gewählte Machzahl");
  DNSug100 = Param<TOutputParameter>("DNSug100", qNominalDiameter, "Nennweitenvorschlag 100 m/s");
  u1Max = Param<TOutputParameter>("u1Max", qVelocity, "Empfohlene Höchstgeschwindigkeit Eintritt");
  u2Max = Param<TOutputParameter>("u2Max", qVelocity, "Empfohlene Höchstgeschwindigkeit Austritt");
  for (size_t i = 0; i < LpAeOctaves.size(); ++i)
    LpAeOctaves[i] = Param<TOutputParameter>((std::string("LpAe") + tOctaves::Names[i]).c_str(),
                                             qWeightSoundPress,
                                             (std::string("Schalldruckpegel in 1 m, Oktave ") +
                                              std::to_string(static_cast<int>(
                                                  tOctaves::Frequencies[i])) +
                                              " Hz").c_str());
  fPeak = Param<TOutputParameter>("fPeak", qFrequency, "Spitzenfrequenz des Spektrums");
}

TCMCustomNoisePrediction::~TCMCustomNoisePrediction() = default;

TBandParameters TCMCustomNoisePrediction::AddBands(const char* prefix, TQuantity q,
                                                   const char* caption, bool output) {
  TBandParameters r{};
  for (int i = 0; i < tSpectrum::Count; ++i) {
    std::string name = std::string(prefix) + kBandNames[i];
    // "caption 500 Hz", put together without a formatted print (four
    // methods at four points make 300 of them).
    std::string text = caption;
    text.append(1, ' ').append(std::to_string(static_cast<int>(tSpectrum::Frequencies[static_cast<size_t>(i)])));
    text.append(" Hz");
    TCalcParameter* p = output ? static_cast<TCalcParameter*>(AddItem<TOutputParameter>(std::move(name), q))
                               : static_cast<TCalcParameter*>(AddItem<TInputParameter>(std::move(name), q));
    p->SetCaption(std::move(text));
    r[static_cast<size_t>(i)] = p;
  }
  return r;
}

void TCMCustomNoisePrediction::AddBandCorrections(TBandCorrections& gas, TBandCorrections& liquid) {
  for (size_t i = 0; i < gas.size(); ++i) {
    const std::string b = kBandNames[i];
    const std::string hz = std::to_string(static_cast<int>(tSpectrum::Frequencies[i])) + " Hz";
    gas[i] = Param<TInputParameter>(("dLGas" + b).c_str(), qUnweightSoundPress, ("Bandkorrektur Gas " + hz).c_str());
    liquid[i] = Param<TInputParameter>(("dLLiq" + b).c_str(), qUnweightSoundPress,
                                       ("Bandkorrektur Flüssigkeit " + hz).c_str());
  }
}

void TCMCustomNoisePrediction::PutBands(const TBandParameters& items, const tSpectrum& s) {
  for (int i = 0; i < tSpectrum::Count; ++i)
    if (items[static_cast<size_t>(i)]) Put(items[static_cast<size_t>(i)], s.GetValues(i));
}

TEPhase TCMCustomNoisePrediction::DeclaredPhase() const { return Choice(Phase, phUndef, 7); }
bool TCMCustomNoisePrediction::DeclaredLiquid() const { return DeclaredPhase() == phLiquid; }

// The recommended maximum outlet velocity: gases and vapours have none of
// their own here (their limit is the Mach number of the size suggestion);
// a liquid by its flow state, the values given or the customary limits
// 4 m/s without cavitation, 5 m/s with cavitation, 3 m/s where the valve
// is expected to be damaged; mixed phases and a flashing liquid (which
// leaves as a two-phase mixture) the gas value: 30 m/s unless a limit or
// a suggestion is given (the Mach number of the size suggestion times the
// outlet sound speed, of the mixture when it flashes).
Extended TCMCustomNoisePrediction::GetMaxU(TEPhase phase, teCalculatedPhase calculated,
                                           TECVFlowState state, Extended gasLimit,
                                           Extended gasSuggested, Extended noCav, Extended cav,
                                           Extended partCav, Extended flashing) {
  Extended gas = 30;
  if (HasValue(gasLimit) && gasLimit < 60) {
    gas = gasLimit;
  } else if (HasValue(TwoDigits(gasSuggested))) {
    gas = TwoDigits(gasSuggested);
  }
  const auto given = [](Extended v, Extended fallback) { return HasValue(v) && v > 0 ? v : fallback; };
  switch (phase) {
    case phVapour:
    case phGas:
    case phGasOp: return NoValue;
    case phMixPhaseV:
    case phMixPhaseG: return gas;
    case phLiquid: break;
    default: return NoValue;
  }
  if (calculated == cpZweiPhasig || calculated == cpUndef) return gas;
  switch (state) {
    case fsUndefined:
    case fsNormal: return given(noCav, 4);
    case fsPartialCavitation:
    case fsPartCavSigmaMr: return given(partCav, 5);
    case fsStrongCavitation:
    case fsMaximumCavitation:
    case fsMaxCavSigmaMr: return given(cav, 5);
    // A flashing liquid leaves as a two-phase mixture: the gas value (at
    // the mixture's density and sound speed), unless the maker gives one.
    case fsFlashing: return given(flashing, gas);
    case fsMechDamage: return std::min<Extended>(3, given(cav, 3));
    case fsChokedFlow: return NoValue;
  }
  return NoValue;
}

void TCMCustomNoisePrediction::CopyCommon() {
  tVDMA79& n = *FMethod;
  const TEPhase phase = DeclaredPhase();
  n.SetPhase(phase);
  n.SetPipeClass(PipeClass->GetSwitchStatus());
  n.SetSubstanceType(Choice(SubstanceType, stOthers, 6));
  n.SetLowNoiseDesign(Choice(LowNoiseDesign, lnNone, 4));
  n.SetLOwNoise(LowNoise->GetSwitchStatus());
  n.SetResistorType(Choice(ResistorType, rtUnknown, 7));
  n.SetUseResistors(UseResistors->GetChecked());
  n.SetUseMaCorrection(UseMaCorrection->GetChecked());
  n.SetX(V(x));
  n.SetQm(V(qm));
  n.SetKv(V(kv));
  n.SetKvs(V(kvs));
  n.SetP1(V(p1));
  n.SetP2(V(p2));
  n.SetT1(V(t1));
  n.SetT2(V(t2));
  n.SetXPulp(V(xPulp));
  n.SetDiP(V(DiP));
  n.SetDiP1(V(DiP1));
  n.SetRho1(V(rho1));
  // A density given in the pipe is the outlet density; one given at the
  // valve outlet stands for it otherwise.
  n.SetRho2Input(HasValue(V(rho2r)) ? V(rho2r) : V(rho2v));
  n.SetRhoNInput(V(rhoN));
  n.SetPv1(V(pv1));
  n.SetKappa1(V(kappa1));
  n.SetDLaCo(V(dLaCo));
  n.SetLaRes(V(LaRes));
  n.SetZy(V(zy));
  n.SetFl2(V(fl2));
  n.SetDNV(V(ValveDN));
  n.SetDNV1(V(ValveDN1));
  n.SetSugMa(V(SugMa));
  n.SetCF2(V(Cf2));
}

void TCMCustomNoisePrediction::ReadCommon() {
  tVDMA79& n = *FMethod;
  Put(u, n.GetU());
  Put(u2, n.GetU2v());
  Put(uDiP1, n.GetUDiP1());
  Put(uDiP2, n.GetUDiP2());
  Put(PVer, n.GetPVer());
  Put(La1, n.GetLa1());
  Put(la2, n.GetLa2());
  Put(MaDN, n.GetMaDN());
  Put(LpAa, n.GetLpAa());
  Put(LaTot, n.GetLaTot());
  Put(DLaMa, n.GetDLaMa());
  Put(DLaLN, n.GetDLaLN());
  Put(dLaRed, n.GetDLaRed());
  Put(dLaRes, n.GetDLaRes());
  Put(dLaPulp, n.GetDLaPulp());
  Put(DNSug10, n.GetDNSug10());
  Put(DNSug07, n.GetDNSug07());
  Put(DNSug03, n.GetDNSug03());
  Put(DNSugX, n.GetDNSugX());
  Put(DNSug100, n.GetDNSug100());
  const tOctaves& oct = n.GetLpAeOctaves();
  for (size_t i = 0; i < LpAeOctaves.size(); ++i) Put(LpAeOctaves[i], oct.Values[i]);
  Put(fPeak, n.GetPeakFrequency());
  teCalculatedPhase found = Choice(CalculatedPhase, cpUndef, 8);
  const TEPhase phase = DeclaredPhase();
  // Used alone, without a medium module, the declared phase stands for the
  // phase found.
  if (found == cpUndef && phase == phLiquid) found = cpLiquid;
  const TECVFlowState state = Choice(FlowState, fsUndefined, 10);
  // A flashing liquid leaves as a mixture: without a suggestion its limit
  // is Mach 0.3 of the mixture's sound speed given at the outlet.
  const bool flashing = phase == phLiquid && state == fsFlashing;
  Extended suggested = Available(V(SugMa), n.GetCF2()) ? V(SugMa) * n.GetCF2() : NoValue;
  if (flashing && IsNoValue(suggested) && HasValue(V(Cf2))) suggested = kOutletMach * V(Cf2);
  const Extended limit = GetMaxU(phase, found, state, NoValue, suggested, V(uMaxNoCav),
                                 V(uMaxCav), V(uMaxPartCav), V(uMaxFlashing));
  // The inlet of a flashing point is still liquid: the limit of a
  // cavitating liquid there.
  Put(u1Max, flashing ? GetMaxU(phase, found, fsStrongCavitation, NoValue, NoValue, V(uMaxNoCav), V(uMaxCav),
                                V(uMaxPartCav), V(uMaxFlashing))
                      : limit);
  Put(u2Max, limit);
  MechDamage->SetChecked(state == fsMechDamage);
}

void TCMCustomNoisePrediction::CommonMessages(bool liquid) {
  tVDMA79& n = *FMethod;
  const Extended P1 = V(p1), P2 = V(p2);
  if (Available(P1, P2) && P2 >= P1)
    CreateMessage(msgInconsistent, {p1, p2}, {std::string("p2"), std::string("p1")});
  const Extended w = V(u2), wMax = V(u2Max);
  if (Available(w, wMax) && w > wMax)
    CreateMessage(msgVelocity, {u2, u2Max}, {u2Max->ConvertToUnitString(wMax)});
  const Extended ma = n.GetMaDN();
  if (!liquid && HasValue(ma)) {
    if (ma >= 1)
      CreateMessage(msgSonic, {MaDN, u2, ValveDN});
    else if (ma > kOutletMach)
      CreateMessage(msgOutletMach, {MaDN, u2, ValveDN});
  }
  if (MechDamage->GetChecked()) CreateMessage(msgMechDamage, {MechDamage, FlowState});
  if (LowNoiseDesign->GetSwitchStatus() != lnNone && !HasValue(n.GetDLaLN()))
    CreateMessage(msgNoSoundData, {LowNoiseDesign, DLaLN});
  const Extended L = V(LpAa);
  if (HasValue(L) && L > kDamageLimit)
    CreateMessage(msgDamageLevel, {LpAa}, {kDamageLimit});
  else if (HasValue(L) && L > kPlantLimit)
    CreateMessage(msgPlantLimit, {LpAa}, {kPlantLimit});
  const Extended f = V(fPeak);
  if (SumsThirdOctaves() && HasValue(f) && (f < kLowestBand || f > kHighestBand))
    CreateMessage(msgExtrapolated, {fPeak}, {std::string(f < kLowestBand ? "12,5 Hz" : "20 kHz")});
}

// The methods of IEC 60534-8-3 and -8-4 describe a valve that discharges
// into a pipe of its own size or into an expander: the transmission loss
// and the internal level are those of that pipe. A pipe narrower than the
// valve outlet (a reducer behind the valve, by more than the scatter of
// wall thicknesses) lies outside them.
void TCMCustomNoisePrediction::PipeSizeHint() {
  TCalcParameter* outlet = HasValue(V(ValveDN1)) ? ValveDN1 : ValveDN;
  const Extended Di = V(DiP), d = V(outlet);
  if (HasValue(V(LpAa)) && Available(Di, d) && Di < kNarrowPipe * d) CreateMessage(msgNarrowPipe, {DiP, outlet});
}

void TCMCustomNoisePrediction::DoCalculate() {
  const bool liquid = DeclaredLiquid();
  CopyCommon();
  CopyMethodInputs();
  // Outputs of the other phase are not used; velocities always are.
  MakeUtilized({u, u2, uDiP1, uDiP2, PVer, La1, la2, LpAa, LaTot});
  (liquid ? MakeNotUtilized({MaDN, DLaMa, DNSug10, DNSug07, DNSug03, DNSugX, kappa1, rhoN})
          : MakeUtilized({MaDN, DLaMa, DNSug10, DNSug07, DNSug03, DNSugX, kappa1, rhoN}));
  (liquid ? MakeUtilized({pv1, zy, uMaxNoCav, uMaxCav, uMaxPartCav, uMaxFlashing})
          : MakeNotUtilized({pv1, zy, uMaxNoCav, uMaxCav, uMaxPartCav, uMaxFlashing}));
  const bool pulp = Choice(SubstanceType, stOthers, 6) == stPulpe;
  (pulp ? MakeUtilized({xPulp, dLaPulp}) : MakeNotUtilized({xPulp, dLaPulp}));
  (UseResistors->GetChecked() ? MakeUtilized({ResistorType, LaRes, dLaRes})
                              : MakeNotUtilized({ResistorType, LaRes, dLaRes}));
  MethodRelevance(liquid);
  if (!AppliesTo(liquid)) {
    // The method does not describe this phase: nothing is computed.
    for (TCalcParameter* p : MethodOutputs()) Put(p, NoValue);
    for (TOutputParameter* p : {La1, la2, LpAa, LaTot, fPeak}) Put(p, NoValue);
    for (TOutputParameter* p : LpAeOctaves) Put(p, NoValue);
    CreateMessage(liquid ? msgGasOnly : msgLiquidOnly, {Phase});
    return;
  }
  std::vector<TCalcItem*> required = {qm, p1, p2, rho1, kv, ValveDN};
  const std::vector<TCalcItem*> more = RequiredInputs(liquid);
  required.insert(required.end(), more.begin(), more.end());
  // Values out of bounds anywhere among the inputs are reported too.
  for (TCalcItem* i : GetCalcItems()) {
    auto* p = i->AsParameter();
    if (p && !p->IsOutputParameter() && p->HasText() && IsNoValue(p->GetCalcValue()) &&
        std::find(required.begin(), required.end(), i) == required.end())
      required.push_back(p);
  }
  const bool complete = CheckParameters(required);
  ReadCommon();
  ReadMethodResults();
  CommonMessages(liquid);
  MethodMessages(liquid);
  // Everything the method needs is given and consistent, and still no
  // level: the operating point lies outside what the method describes.
  if (complete && !HasValue(V(LpAa)) && !(HasValue(V(p1)) && HasValue(V(p2)) && V(p2) >= V(p1)))
    CreateMessage(msgNoLevel, {LpAa});
}

// ----- TCMVDMA79 -----

TCMVDMA79::TCMVDMA79(TCalcComponent* owner, std::string name)
    : TCMCustomNoisePrediction(owner, std::move(name), std::make_unique<tVDMA79>()) {}

std::vector<TCalcItem*> TCMVDMA79::RequiredInputs(bool liquid) {
  if (liquid) return {pv1, zy};
  return {t1};
}

// ----- TCMVDMA89 -----

TCMVDMA89::TCMVDMA89(TCalcComponent* owner, std::string name)
    : TCMCustomNoisePrediction(owner, std::move(name), std::make_unique<tVDMA89>()) {
  xCr = Param<TInputParameter>("xCr", qFixedPortion, "Kritisches Druckverhältnis des Ventils");
  cPipe = Param<TInputParameter>("cPipe", qVelocity, "Schallgeschwindigkeit im Rohrwerkstoff");
  rhoP = Param<TInputParameter>("rhoP", qDensity, "Dichte des Rohrwerkstoffs");
  tP = Param<TInputParameter>("tP", qLengthMM, "Rohrwanddicke");
  KvKvs = Param<TInputParameter>("KvKvs", qPortion, "Öffnung Kv/Kvs");
  f1 = Param<TInputParameter>("f1", qNoUnit, "Akustischer Ventilbeiwert f1");
  f2 = Param<TInputParameter>("f2", qNoUnit, "Akustischer Ventilbeiwert f2");
  g1 = Param<TInputParameter>("g1", qNoUnit, "Akustischer Ventilbeiwert g1");
  g2 = Param<TInputParameter>("g2", qNoUnit, "Akustischer Ventilbeiwert g2");
  // A liquid's spectrum without band data needs the jet's peak frequency.
  fd = Param<TInputParameter>("fd", qFixedPortion, "Ventil-Formfaktor Fd");
  AddBandCorrections(dLGas, dLLiq);
  MaVC = Param<TOutputParameter>("MaVC", qNoUnitPositive, "Machzahl in der Vena contracta");
  etaL = Param<TOutputParameter>("etaL", qNoUnitPositive, "Akustischer Wirkungsgrad");
  Wm = Param<TOutputParameter>("Wm", qPower, "Mechanische Strömungsleistung");
  Lwi = Param<TOutputParameter>("Lwi", qUnweightSoundPress, "Innerer Schallleistungspegel");
  dLaCF = Param<TOutputParameter>("dLaCF", qUnweightSoundPress, "Korrektur FL");
  fr = Param<TOutputParameter>("fr", qFrequency, "Ringfrequenz");
  cfc = Param<TOutputParameter>("cfc", qVelocity, "Schallgeschwindigkeit der Strömung im Rohr");
  LwiBands = AddBands("Lwi", qUnweightSoundPress, "Innerer Schallleistungspegel", true);
  RrBands = AddBands("Rr", qUnweightSoundPress, "Rohrdämmung", true);
  LwAaBands = AddBands("LwAa", qWeightSoundPress, "Schallleistungspegel außen", true);
  LpAaBands = AddBands("LpAa", qWeightSoundPress, "Schalldruckpegel außen", true);
  // Steel pipe unless the user says otherwise.
  rhoP->SetText("7800");
  cPipe->SetText("5000");
}

void TCMVDMA89::CopyMethodInputs() {
  tVDMA89& n = Noise();
  n.SetXCr(V(xCr));
  n.SetCPipe(V(cPipe));
  n.SetRhoP(V(rhoP));
  n.SetTp(V(tP));
  n.SetKvKvs(V(KvKvs));
  n.SetF1(V(f1));
  n.SetF2(V(f2));
  n.SetG1(V(g1));
  n.SetG2(V(g2));
  n.SetFd(V(fd));
  for (int i = 0; i < tVDMA89::ShortBands; ++i) {
    n.SetDLGas(i, V(dLGas[static_cast<size_t>(i)]));
    n.SetDLLiq(i, V(dLLiq[static_cast<size_t>(i)]));
  }
}

std::vector<TCalcItem*> TCMVDMA89::RequiredInputs(bool liquid) {
  std::vector<TCalcItem*> r = {DiP, tP, rhoP, cPipe};
  if (liquid) {
    // The liquid's speed of sound sets the wave impedance in the pipe.
    r.insert(r.end(), {pv1, fl2, zy, f1, f2, Cf2});
  } else {
    r.insert(r.end(), {kappa1, xCr, g1, g2});
  }
  return r;
}

void TCMVDMA89::MethodRelevance(bool liquid) {
  std::vector<TCalcItem*> liq = {f1, f2, fd}, gas = {g1, g2, xCr, MaVC};
  for (auto* p : dLLiq) liq.push_back(p);
  for (auto* p : dLGas) gas.push_back(p);
  MakeUtilized(liquid ? liq : gas);
  MakeNotUtilized(liquid ? gas : liq);
}

void TCMVDMA89::ReadMethodResults() {
  tVDMA89& n = Noise();
  Put(MaVC, n.GetMaVC());
  Put(etaL, n.GetEta());
  Put(Wm, n.GetWm());
  Put(Lwi, n.GetLwi());
  Put(dLaCF, n.GetDLaCF());
  Put(fr, n.GetFr());
  Put(cfc, n.GetCfc());
  PutBands(LwiBands, n.GetLwiSpectrum());
  PutBands(RrBands, n.GetRrSpectrum());
  PutBands(LwAaBands, n.GetLwAaSpectrum());
  PutBands(LpAaBands, n.GetLpAaSpectrum());
}

// ----- tCMIEC2003 -----

void tCMIEC2003::BringUpToDate(int, const std::vector<TCalcItem*>& absent) {
  if (std::find(absent.begin(), absent.end(), NoiseStandardLiquid) != absent.end())
    NoiseStandardLiquid->SetSwitchStatus(EditionOfOlderFiles);
}

tCMIEC2003::tCMIEC2003(TCalcComponent* owner, std::string name)
    : TCMCustomNoisePrediction(owner, std::move(name), std::make_unique<tIEC2003>()) {
  NoiseStandardLiquid = AddItem<TCalcListSwitch>("NoiseStandardLiquid");
  NoiseStandardLiquid->SetCaption("Ausgabe der Norm für Flüssigkeiten");
  static const TChoiceList editions = Choices({"IEC 60534-8-4 (2005)", "IEC 60534-8-4 (2015)"});
  NoiseStandardLiquid->SetValueList(editions);
  // The current edition, whose worked examples the method reproduces.
  NoiseStandardLiquid->SetSwitchStatus(leIEC2015);
  AetaL = Param<TModifyParameter>("AetaL", qNoUnit, "Exponent des Wirkungsgradbeiwerts");
  cf1 = Param<TModifyParameter>("cf1", qVelocity, "Schallgeschwindigkeit der Flüssigkeit");
  fd = Param<TInputParameter>("fd", qFixedPortion, "Ventil-Formfaktor Fd");
  cPipe = Param<TInputParameter>("cPipe", qVelocity, "Schallgeschwindigkeit im Rohrwerkstoff");
  tP = Param<TInputParameter>("tP", qLengthMM, "Rohrwanddicke");
  rhoP = Param<TInputParameter>("rhoP", qDensity, "Dichte des Rohrwerkstoffs");
  d0 = Param<TInputParameter>("d0", qNominalDiameter, "Bezugsdurchmesser des Strömungsquerschnitts");
  Re = Param<TInputParameter>("Re", qNoUnitPositive, "Ventil-Reynoldszahl");
  rw = Param<TInputParameter>("rw", qFixedPortion, "Akustisches Leistungsverhältnis rw");
  xCr = Param<TInputParameter>("xCr", qFixedPortion, "Kritisches Druckverhältnis des Ventils");
  pc = Param<TInputParameter>("pc", qPressureBar, "Kritischer Druck");
  f1 = Param<TInputParameter>("f1", qNoUnit, "Akustischer Ventilbeiwert f1");
  f2 = Param<TInputParameter>("f2", qNoUnit, "Akustischer Ventilbeiwert f2");
  g1 = Param<TInputParameter>("g1", qNoUnit, "Akustischer Ventilbeiwert g1");
  g2 = Param<TInputParameter>("g2", qNoUnit, "Akustischer Ventilbeiwert g2");
  AddBandCorrections(dLGas, dLLiq);
  etaL = Param<TOutputParameter>("etaL", qNoUnitPositive, "Akustischer Wirkungsgrad");
  Lpi = Param<TOutputParameter>("Lpi", qUnweightSoundPress, "Innerer Schalldruckpegel");
  Wm = Param<TOutputParameter>("Wm", qPower, "Mechanische Strömungsleistung");
  fr = Param<TOutputParameter>("fr", qFrequency, "Ringfrequenz");
  fp = Param<TOutputParameter>("fp", qFrequency, "Spitzenfrequenz");
  Rr = Param<TOutputParameter>("Rr", qUnweightSoundPress, "Rohrdämmung bei der Spitzenfrequenz");
  LwAa = Param<TOutputParameter>("LwAa", qWeightSoundPress, "Schallleistungspegel außen");
  MaVC = Param<TOutputParameter>("MaVC", qNoUnitPositive, "Machzahl in der Vena contracta");
  Lwi = Param<TOutputParameter>("Lwi", qUnweightSoundPress, "Innerer Schallleistungspegel");
  dLaCF = Param<TOutputParameter>("dLaCF", qUnweightSoundPress, "Korrektur FL");
  LpiBands = AddBands("Lpi", qUnweightSoundPress, "Innerer Schalldruckpegel", true);
  RrBands = AddBands("Rr", qUnweightSoundPress, "Rohrdämmung", true);
  LpAaBands = AddBands("LpAa", qWeightSoundPress, "Schalldruckpegel außen", true);
  LwAaBands = AddBands("LwAa", qWeightSoundPress, "Schallleistungspegel außen", true);
  // Typical published values: the acoustical power ratio of a globe valve
  // (IEC 60534-8-4, Table of rw: 0.25) and steel pipe (7800 kg/m3,
  // 5000 m/s); the user may change each.
  rw->SetText("0.25");
  rhoP->SetText("7800");
  cPipe->SetText("5000");
}

void tCMIEC2003::CopyMethodInputs() {
  tIEC2003& n = Noise();
  n.SetEdition(Choice(NoiseStandardLiquid, leIEC2015, 2));
  n.SetAetaL(V(AetaL));
  n.SetCf1(V(cf1));
  n.SetFd(V(fd));
  n.SetCPipe(V(cPipe));
  n.SetTP(V(tP));
  n.SetRhoP(V(rhoP));
  n.SetD0(V(d0));
  n.SetRe(V(Re));
  n.SetRw(V(rw));
  n.SetPcrit(V(pc));
  n.SetPv1(V(pv1));
}

std::vector<TCalcItem*> tCMIEC2003::RequiredInputs(bool) {
  // The 2015 edition estimates xFz when the valve gives none and has no
  // acoustical power ratio.
  if (NoiseStandardLiquid->GetSwitchStatus() == leIEC2015)
    return {pv1, fl2, cf1, fd, DiP, tP, rhoP, cPipe};
  return {pv1, zy, fl2, cf1, fd, rw, DiP, tP, rhoP, cPipe};
}

void tCMIEC2003::MethodRelevance(bool) {
  // The 2005 equations use the power ratio rw, the critical pressure (the
  // factor FF) and the reference diameter d0; the 2015 edition the
  // efficiency exponent instead. The critical pressure is the medium's and
  // the seat diameter the valve's (the actuator's thrust needs it): both
  // stay in use whatever the edition.
  if (NoiseStandardLiquid->GetSwitchStatus() == leIEC2015) {
    MakeUtilized({AetaL});
    MakeNotUtilized({rw});
  } else {
    MakeUtilized({rw});
    MakeNotUtilized({AetaL});
  }
}

std::vector<TCalcParameter*> tCMIEC2003::MethodOutputs() {
  std::vector<TCalcParameter*> r = {etaL, Lpi, Wm, fr, fp, Rr, LwAa, MaVC, Lwi, dLaCF};
  for (const TBandParameters* b : {&LpiBands, &RrBands, &LpAaBands, &LwAaBands})
    r.insert(r.end(), b->begin(), b->end());
  return r;
}

void tCMIEC2003::ReadMethodResults() {
  tIEC2003& n = Noise();
  // The 2015 edition shows the exponent it used; a given one stays.
  if (n.GetEdition() == leIEC2015 && !HasValue(V(AetaL))) Put(AetaL, n.GetAetaL());
  Put(etaL, n.GetEtal());
  Put(Lpi, n.GetLpi());
  Put(Wm, n.GetWm());
  Put(fr, n.GetFr());
  Put(fp, n.GetFp());
  Put(Rr, n.GetTLfp());
  Put(LwAa, n.GetLwAa());
  Put(MaVC, NoValue);
  Put(Lwi, Dezibel(1000 * n.GetWa() / 1E-12L));
  const Extended f = V(fl2);
  Put(dLaCF, HasValue(f) && f > 0 ? 10 * std::log10(1 / f) : NoValue);
  PutBands(LpiBands, n.GetLpiSpectrum());
  PutBands(RrBands, n.GetRrSpectrum());
  PutBands(LpAaBands, n.GetLpAaSpectrum());
  PutBands(LwAaBands, n.GetLwaaSpectrum());
  // The liquid's speed of sound is a modify item: shown as computed when the
  // user gave none (it is data of the medium, so it stays empty here).
  MakeNotUtilized({MaVC, xCr, f1, f2, g1, g2});
  std::vector<TCalcItem*> bands;
  for (auto* p : dLGas) bands.push_back(p);
  for (auto* p : dLLiq) bands.push_back(p);
  MakeNotUtilized(bands);
}

// IEC 60534-8-4 defines its regimes by the pressure ratio
// xF = (p1 - p2)/(p1 - pv1) up to 1: below the vapour pressure the liquid
// flashes, which the method does not describe.
void tCMIEC2003::MethodMessages(bool liquid) {
  PipeSizeHint();
  const Extended P1 = V(p1), P2 = V(p2), pv = V(pv1);
  if (liquid && HasValue(V(LpAa)) && Available(P1, P2, pv) && P1 > pv && P2 < pv)
    CreateMessage(msgFlashingOutside, {p2, pv1}, {std::round(100 * (P1 - P2) / (P1 - pv)) / 100});
}

bool tCMIEC2003::SumsThirdOctaves() const { return Choice(NoiseStandardLiquid, leIEC2015, 2) == leIEC2015; }

// ----- TCMIsa89 -----

TCMIsa89::TCMIsa89(TCalcComponent* owner, std::string name)
    : TCMCustomNoisePrediction(owner, std::move(name), std::make_unique<tISA89>()) {
  NoiseStandard = AddItem<TCalcListSwitch>("NoiseStandard");
  NoiseStandard->SetCaption("Ausgabe der Norm");
  static const TChoiceList editions = Choices({"IEC 60534-8-3 (2000)", "IEC 60534-8-3 (2010)", "benutzerdefiniert"});
  NoiseStandard->SetValueList(editions);
  NoiseStandard->SetSwitchStatus(nsIEC2010);
  HighVelocity = AddItem<TCalcSwitch>("HighVelocity");
  HighVelocity->SetCaption("Hohe Austrittsgeschwindigkeit");
  HighVelocity->SetChecked(false);
  cPipe = Param<TInputParameter>("cPipe", qVelocity, "Schallgeschwindigkeit im Rohrwerkstoff");
  rhoP = Param<TInputParameter>("rhoP", qDensity, "Dichte des Rohrwerkstoffs");
  tP = Param<TInputParameter>("tP", qLengthMM, "Rohrwanddicke");
  s1 = Param<TInputParameter>("s1", qEntropy, "Entropie am Eintritt");
  fd = Param<TInputParameter>("fd", qFixedPortion, "Ventil-Formfaktor Fd");
  rw = Param<TInputParameter>("rw", qFixedPortion, "Akustisches Leistungsverhältnis rw");
  Stp = Param<TModifyParameter>("Stp", qNoUnit, "Strouhalzahl der Spitzenfrequenz");
  Aeta = Param<TModifyParameter>("Aeta", qNoUnit, "Exponent des Wirkungsgradbeiwerts");
  Regime = Param<TOutputParameter>("Regime", qInteger, "Strömungsbereich");
  etaL = Param<TOutputParameter>("etaL", qNoUnitPositive, "Akustischer Wirkungsgrad");
  fr = Param<TOutputParameter>("fr", qFrequency, "Ringfrequenz");
  fp = Param<TOutputParameter>("fp", qFrequency, "Spitzenfrequenz");
  Lpi = Param<TOutputParameter>("Lpi", qUnweightSoundPress, "Innerer Schalldruckpegel");
  Lwi = Param<TOutputParameter>("Lwi", qUnweightSoundPress, "Innerer Schallleistungspegel");
  tvc = Param<TOutputParameter>("tvc", qTemperature, "Temperatur in der Vena contracta");
  Wm = Param<TOutputParameter>("Wm", qPower, "Mechanische Strömungsleistung");
  TL = Param<TOutputParameter>("TL", qUnweightSoundPress, "Rohrdämmung");
  LpAa0m = Param<TOutputParameter>("LpAa0m", qWeightSoundPress, "Schalldruckpegel an der Rohrwand");
  MaVC = Param<TOutputParameter>("MaVC", qNoUnitPositive, "Machzahl in der Vena contracta");
  Ma2 = Param<TOutputParameter>("Ma2", qNoUnitPositive, "Machzahl in der Austrittsleitung");
  uP = Param<TOutputParameter>("uP", qVelocity, "Geschwindigkeit in der Austrittsleitung");
  uR = Param<TOutputParameter>("uR", qVelocity, "Geschwindigkeit im Ventilaustritt");
  WmR = Param<TOutputParameter>("WmR", qPower, "Strömungsleistung des Austrittsstrahls");
  fpR = Param<TOutputParameter>("fpR", qFrequency, "Spitzenfrequenz des Austrittsstrahls");
  etaR = Param<TOutputParameter>("etaR", qNoUnitPositive, "Wirkungsgrad des Austrittsstrahls");
  WaR = Param<TOutputParameter>("WaR", qPower, "Schallleistung des Austrittsstrahls");
  LpiR = Param<TOutputParameter>("LpiR", qUnweightSoundPress, "Innerer Pegel des Austrittsstrahls");
  TLR = Param<TOutputParameter>("TLR", qUnweightSoundPress, "Rohrdämmung des Austrittsstrahls");
  LpeR = Param<TOutputParameter>("LpeR", qWeightSoundPress, "Pegel des Austrittsstrahls in 1 m");
  LpAe = Param<TOutputParameter>("LpAe", qWeightSoundPress, "Schalldruckpegel in 1 m");
  LpiBands = AddBands("Lpi", qUnweightSoundPress, "Innerer Schalldruckpegel", true);
  TLBands = AddBands("TL", qUnweightSoundPress, "Rohrdämmung", true);
  LwAaBands = AddBands("LwAa", qWeightSoundPress, "Schallleistungspegel außen", true);
  LpAaBands = AddBands("LpAa", qWeightSoundPress, "Schalldruckpegel außen", true);
  rw->SetText("0.25");
  rhoP->SetText("7800");
  cPipe->SetText("5000");
}

void TCMIsa89::CopyMethodInputs() {
  tISA89& n = Noise();
  n.SetNoiseStandard(Choice(NoiseStandard, nsIEC2010, 3));
  n.SetCPipe(V(cPipe));
  n.SetRhoP(V(rhoP));
  n.SetTP(V(tP));
  n.SetS1(V(s1));
  n.SetFd(V(fd));
  n.SetRw(V(rw));
  n.SetValveStyle(ValveType->GetSwitchStatus());
  const bool shown = NoiseStandard->GetSwitchStatus() == nsIEC2010;
  n.SetStp(shown && V(Stp) == FShownStp ? NoValue : V(Stp));
  n.SetAeta(shown && V(Aeta) == FShownAeta ? NoValue : V(Aeta));
}

std::vector<TCalcItem*> TCMIsa89::RequiredInputs(bool) {
  std::vector<TCalcItem*> r = {kappa1, fl2, fd, DiP, tP, rhoP, cPipe};
  const int ed = NoiseStandard->GetSwitchStatus();
  if (ed == nsIEC2000) r.push_back(rw);
  if (ed == nsUserDefined) r.insert(r.end(), {Stp, Aeta});
  return r;
}

void TCMIsa89::MethodRelevance(bool) {
  const int ed = NoiseStandard->GetSwitchStatus();
  (ed == nsIEC2000 ? MakeUtilized({rw}) : MakeNotUtilized({rw}));
  MakeNotUtilized({s1});
}

std::vector<TCalcParameter*> TCMIsa89::MethodOutputs() {
  std::vector<TCalcParameter*> r = {Regime, etaL, fr,  fp,  Lpi,  Lwi,  tvc, Wm,   TL,   LpAa0m, MaVC,
                                    Ma2,    uP,   uR,  WmR, fpR,  etaR, WaR, LpiR, TLR,  LpeR,   LpAe};
  for (const TBandParameters* b : {&LpiBands, &TLBands, &LwAaBands, &LpAaBands})
    r.insert(r.end(), b->begin(), b->end());
  return r;
}

void TCMIsa89::ReadMethodResults() {
  tISA89& n = Noise();
  Put(Regime, n.GetRegime());
  Put(etaL, n.GetEtaL());
  Put(fr, n.GetFr());
  Put(fp, n.GetFp());
  Put(Lpi, n.GetLpi());
  Put(Lwi, n.GetLwi());
  Put(tvc, n.GetTvc());
  Put(Wm, n.GetWm());
  Put(TL, n.GetTL());
  Put(LpAa0m, n.GetLpAa0m());
  Put(MaVC, n.GetMaVC());
  Put(Ma2, n.GetMa2());
  Put(uP, n.GetUP());
  Put(uR, n.GetUR());
  Put(WmR, n.GetWmR());
  Put(fpR, n.GetFpR());
  Put(etaR, n.GetEtaR());
  Put(WaR, n.GetWaR());
  Put(LpiR, n.GetLpiR());
  Put(TLR, n.GetTLR());
  Put(LpeR, n.GetLpeR());
  Put(LpAe, n.GetLpAe());
  HighVelocity->SetChecked(n.GetHighVelocity());
  // The standard settings show their Strouhal number and efficiency
  // exponent; the user-defined setting keeps what the user entered.
  if (NoiseStandard->GetSwitchStatus() == nsIEC2000) {
    Put(Stp, n.GetStp());
    Put(Aeta, n.GetAeta());
  } else if (NoiseStandard->GetSwitchStatus() == nsIEC2010) {
    // The Table 4 row of the valve style where no value was given.
    if (!HasValue(n.In(tVDMA79::iStp))) Put(Stp, FShownStp = n.GetStp());
    if (!HasValue(n.In(tVDMA79::iAeta))) Put(Aeta, FShownAeta = n.GetAeta());
  }
  PutBands(LpiBands, n.GetLpiSpectrum());
  PutBands(TLBands, n.GetTLSpectrum());
  PutBands(LwAaBands, n.GetLwAaSpectrum());
  PutBands(LpAaBands, n.GetLpAaSpectrum());
  const bool high = n.GetHighVelocity();
  (high ? MakeUtilized({WmR, fpR, etaR, WaR, LpiR, TLR, LpeR})
        : MakeNotUtilized({WmR, fpR, etaR, WaR, LpiR, TLR, LpeR}));
}

void TCMIsa89::SetEnabled(bool enabled) {
  // What the edition's table gave, not what the engineer entered: kept,
  // it would stand beside a liquid's noise as if it meant something there,
  // and only where the method had once been on.
  if (!enabled && GetEnabled()) {
    for (TCalcParameter* p : {Stp, Aeta})
      if (p->GetInputState() == isDatabase && !p->GetModified()) Put(p, NoValue);
    FShownStp = FShownAeta = NoValue;
  }
  TCMCustomNoisePrediction::SetEnabled(enabled);
}

bool TCMIsa89::SumsThirdOctaves() const { return NoiseStandard->GetSwitchStatus() != nsIEC2000; }

void TCMIsa89::MethodMessages(bool) {
  PipeSizeHint();
  const Extended m = V(Ma2);
  // IEC 60534-8-3 holds for outlet pipe Mach numbers up to 0.3.
  if (HasValue(m) && m > kOutletMach && m < 1) CreateMessage(msgPipeMach, {Ma2, uDiP2, DiP});
  if (HasValue(m) && m >= 1) CreateMessage(msgSonic, {Ma2, uDiP2, DiP});
}

}  // namespace torvacalc
