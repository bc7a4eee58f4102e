#include "media/cm_water_injection.h"

#include <cmath>

#include "framework/module_items.h"
#include "media/if97.h"

namespace torvacalc {

namespace {

// The states of the lists this module shares with the valve sizing module;
// the lists are the same there (the super module links them one to one).
constexpr int kLiquid = 0, kVapour = 1;  // Phase
constexpr int kWater = 0, kOthers = 2;   // SubstanceType
constexpr int kFlashing = 5;             // FlowState

constexpr Extended kPi = 3.14159265358979323846L;

TCalcSwitch* TwoState(TCalcModule& m, const char* name, const char* caption) {
  auto* s = m.AddItem<TCalcSwitch>(name);
  s->SetCaption(caption);
  s->SetChecked(false);
  return s;
}

Extended V(const TCalcParameter* p) { return p->GetCalcValue(); }

void Put(TCalcParameter* p, Extended value) { p->AssignValue(0, value); }

}  // namespace

TCMWaterInjection::TCMWaterInjection(TCalcComponent* owner, std::string name)
    : TCalcModule(owner, std::move(name)) {
  auto& m = *this;
  Phase = AddListSwitch(m, "Phase", "Phase",
                     {"Flüssigkeit", "Dampf", "Gas", "Gas (Betriebszustand)", "Mehrphasig (Dampf)",
                      "Mehrphasig (Gas)", "unbestimmt"});
  UseResistors = TwoState(m, "UseResistors", "Nachgeschaltete Drosselstrecke");
  ResistorType = AddListSwitch(m, "ResistorType", "Art der Drosselstrecke",
                            {"unbekannt", "Ventil", "Einlochblende", "Schalldämpfer direkt",
                             "Schalldämpfer indirekt", "Lochkegel", "Einspritzdüse"});
  FlowState = AddListSwitch(m, "FlowState", "Strömungszustand",
                         {"unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation",
                          "maximale Kavitation", "Verdampfung", "kritische Strömung",
                          "Kavitationsschäden", "beginnende Kavitation (Sigma mr)",
                          "starke Kavitation (Sigma mr)"});
  SubstanceType = AddListSwitch(m, "SubstanceType", "Stoffart",
                             {"Wasser", "Faserstoffsuspension", "Sonstige", "RU Bochum", "AGA", "GERG"},
                             kOthers);
  SteamConverter = TwoState(m, "SteamConverter", "Dampfumformventil");
  WIApplication = AddListSwitch(m, "WIApplication", "Wassereinspritzung",
                             {"keine", "Einspritzkühler nach dem Ventil", "Dampfumformventil"});
  T2orDtv = AddListSwitch(m, "T2orDtv", "Zustand nach der Einspritzung",
                       {"Temperatur t2", "Überhitzung dt über Sattdampf"});
  dt = AddParameter<TInputParameter>(m, "dt", qTemperatureDifference, "Überhitzung über Sattdampf");
  p1 = AddParameter<TInOutParameter>(m, "p1", qPressureBar, "Eintrittsdruck");
  u1 = AddParameter<TInputParameter>(m, "u1", qVelocity, "Geschwindigkeit am Eintritt");
  u2 = AddParameter<TInputParameter>(m, "u2", qVelocity, "Geschwindigkeit am Austritt");
  h1 = AddParameter<TInputParameter>(m, "h1", qEnthalpy, "Enthalpie am Eintritt");
  p2 = AddParameter<TInOutParameter>(m, "p2", qPressureBar, "Austrittsdruck");
  p2v = AddParameter<TInputParameter>(m, "p2v", qPressureBar, "Druck direkt nach dem Ventil");
  t1 = AddParameter<TInputParameter>(m, "t1", qTemperature, "Eintrittstemperatur");
  qm = AddParameter<TInOutParameter>(m, "qm", qMassFlowrate, "Massenstrom");
  D1 = AddParameter<TInputParameter>(m, "D1", qNominalDiameter, "Innendurchmesser der Eintrittsleitung");
  D2 = AddParameter<TInputParameter>(m, "D2", qNominalDiameter, "Innendurchmesser der Austrittsleitung");
  rho1 = AddParameter<TInputParameter>(m, "rho1", qDensity, "Dichte am Eintritt");
  cp1 = AddParameter<TInputParameter>(m, "cp1", qHeatCapacity, "Wärmekapazität am Eintritt");
  pwi = AddParameter<TInputParameter>(m, "pwi", qPressureBar, "Druck des Einspritzwassers");
  dpowi = AddParameter<TInputParameter>(m, "dpowi", qPressureDropBar, "Mindestdifferenzdruck der Einspritzdüse");
  twi = AddParameter<TInputParameter>(m, "twi", qTemperature, "Temperatur des Einspritzwassers");
  phi0 = AddParameter<TInputParameter>(m, "phi0", qPortion, "Kennlinienparameter phi0");
  rho2 = AddParameter<TInputParameter>(m, "rho2", qDensity, "Dichte am Austritt");
  dhv2 = AddParameter<TInputParameter>(m, "dhv2", qEnthalpy, "Verdampfungsenthalpie am Austritt");
  cp2 = AddParameter<TInputParameter>(m, "cp2", qHeatCapacity, "Wärmekapazität der Flüssigkeit am Austritt");
  kappa1 = AddParameter<TInputParameter>(m, "kappa1", qNoUnitPositive, "Isentropenexponent");
  kappa2 = AddParameter<TInputParameter>(m, "kappa2", qNoUnitPositive, "Isentropenexponent am Austritt");
  z2 = AddParameter<TInputParameter>(m, "z2", qNoUnitPositive, "Realgasfaktor am Austritt");
  cf1 = AddParameter<TInputParameter>(m, "cf1", qVelocity, "Schallgeschwindigkeit am Eintritt");
  t2 = AddParameter<TInOutParameter>(m, "t2", qTemperature, "Austrittstemperatur");
  rho2r = AddParameter<TOutputParameter>(m, "rho2r", qDensity, "Dichte am Austritt (berechnet)");
  t2v = AddParameter<TOutputParameter>(m, "t2v", qTemperature, "Temperatur direkt nach dem Ventil");
  xFG = AddParameter<TOutputParameter>(m, "xFG", qPortion, "Dampfanteil am Austritt");
  h2 = AddParameter<TOutputParameter>(m, "h2", qEnthalpy, "Enthalpie am Austritt");
  tv2 = AddParameter<TInOutParameter>(m, "tv2", qTemperature, "Siedetemperatur am Austritt");
  qmwi = AddParameter<TOutputParameter>(m, "qmwi", qMassFlowrate, "Einspritzwassermenge");
  pvwi = AddParameter<TOutputParameter>(m, "pvwi", qPressureBar, "Dampfdruck des Einspritzwassers");
  tvwi = AddParameter<TOutputParameter>(m, "tvwi", qTemperature, "Siedetemperatur beim Wasserdruck");
  WIType = AddListSwitch(m, "WIType", "Art der Einspritzung",
                      {"keine", "Einspritzkühler nach dem Ventil", "Dampfumformventil"});
  // A result of the module: written by it, never typed in.
  WIType->SetInputState(isCalculated);
  WIType->SetReadOnly(true);
}

TCMWaterInjection::~TCMWaterInjection() { DestroyItems(); }

// A steam converting valve always injects inside the valve.
TEWaterInjection TCMWaterInjection::Application() const {
  const int i = WIApplication->GetSwitchIndex();
  if (i == wiDesuperheater || i == wiSteamConverter) return static_cast<TEWaterInjection>(i);
  return SteamConverter->GetChecked() ? wiSteamConverter : wiNone;
}

Extended TCMWaterInjection::PipeVelocity(Extended rho, Extended d) const {
  const Extended mass = V(qm);
  if (!Available(rho, d, mass) || rho <= 0 || d <= 0 || mass < 0) return NoValue;
  return mass / 3600 / rho / (kPi * d * d / 4 * 1e-6L);
}

void TCMWaterInjection::ClearInjection() {
  for (TCalcParameter* p : {qmwi, pvwi, tvwi}) Put(p, NoValue);
  WIType->SetSwitchStatus(wiNone);
}

void TCMWaterInjection::DoCalculate() {
  const bool water = SubstanceType->GetSwitchIndex() == kWater;
  const bool injection = Application() != wiNone;
  const std::vector<TCalcItem*> injectionItems = {T2orDtv, dt, pwi, dpowi, twi, qmwi, pvwi, tvwi, WIType};
  (injection ? MakeUtilized(injectionItems) : MakeNotUtilized(injectionItems));
  // Gas data are carried along for the other modules of the point; the
  // downstream state here needs none of them, and whether they are used is
  // those modules' word (the isentropic exponent of a steam valve is).
  MakeUtilized({h1, D1, D2, rho1});
  const Extended P1 = V(p1), P2 = V(p2), P2v = V(p2v);
  if (Available(P1, P2) && P2 >= P1) CreateMessage(903, {p2, p1}, {ShownName(p2), ShownName(p1)});
  if (Available(P1, P2v) && P2v >= P1) CreateMessage(903, {p2v, p1}, {ShownName(p2v), ShownName(p1)});
  if (water)
    CalculateWater();
  else
    CalculateOtherMedium();
}

void TCMWaterInjection::CalculateWater() {
  MakeUtilized({t2v, h2});
  MakeNotUtilized({rho2, dhv2, cp2});
  const Extended P2 = HasValue(V(p2)) ? V(p2) : V(p2v);
  const Extended P2v = HasValue(V(p2v)) ? V(p2v) : V(p2);
  const bool liquid = Phase->GetSwitchIndex() == kLiquid;
  // The enthalpy given wins over the one of the inlet state.
  Extended H1 = V(h1);
  // The outlet pressure missing is the one behind the resistor where one
  // follows the valve, else the valve's own (without a resistor the two are
  // one pressure, and a message names the one the engineer enters).
  const bool resistor = UseResistors->GetChecked();
  std::vector<TCalcItem*> required = {
      resistor ? (HasValue(V(p2)) || IsNoValue(V(p2v)) ? static_cast<TCalcItem*>(p2) : p2v)
               : (HasValue(V(p2v)) || IsNoValue(V(p2)) ? static_cast<TCalcItem*>(p2v) : p2)};
  if (IsNoValue(H1)) {
    H1 = tWaterInjection::Enthalpy(V(p1), V(t1), liquid);
    required.insert(required.end(), {p1, t1});
  }
  const TEWaterInjection app = Application();
  const bool wantT2 = T2orDtv->GetSwitchIndex() == tdT2;
  if (app != wiNone) {
    required.push_back(qm);
    required.push_back(twi);
    if (wantT2) required.push_back(t2);
  }
  CheckParameters(required);
  const bool consistent = !(Available(V(p1), P2) && P2 >= V(p1));

  const Extended Tv2 = Available(P2) && P2 > 0 && P2 < WaterConstants.Pc ? CalculateTv(P2) : NoValue;
  Put(tv2, Tv2);
  const Extended margin = HasValue(V(dt)) ? V(dt) : tWaterInjection::DefaultSuperheatMargin;
  const Extended wanted = wantT2 ? V(t2) : Available(Tv2) ? Tv2 + margin : NoValue;
  // Spray water cools superheated steam only.
  const auto sprays = [&](const TDownstreamState& plain) {
    return Phase->GetSwitchIndex() == kVapour && !(HasValue(plain.xFG) && plain.xFG < 100);
  };
  // The state behind the valve for an outlet velocity w2: the kinetic
  // energy w2^2/2 comes out of the enthalpy.
  struct TOutlet {
    Extended hOut = NoValue;
    TDownstreamState valve, plain;
    TWaterInjectionResult r;
    bool sprayed = false;     // r is worked out (it reads the velocity itself)
    Extended rho2 = NoValue;  // the density the outlet velocity follows from
  };
  // The flow arrives at the inlet pipe velocity (a velocity given from
  // outside only where the pipe is not known).
  const Extended w1 = HasValue(PipeVelocity(V(rho1), V(D1))) ? PipeVelocity(V(rho1), V(D1)) : V(u1);
  const auto outlet = [&](Extended w2) {
    TOutlet o;
    o.hOut = consistent ? tWaterInjection::OutletEnthalpy(H1, w1, w2) : NoValue;
    o.plain = tWaterInjection::StateFromEnthalpy(P2, o.hOut);
    o.rho2 = o.plain.rho2;
    if (app != wiNone && consistent && sprays(o.plain)) {
      o.r = tWaterInjection::Inject(V(qm), H1, V(u1), w2, P2, wanted, margin, V(twi), V(pwi), V(dpowi));
      o.sprayed = true;
      o.rho2 = o.r.rho2;
    }
    return o;
  };
  // The velocity in the outlet pipe follows from the density there,
  // u2 = qm / (rho2 A), and the density from the enthalpy less u2^2/2: with
  // the pipe bore known both are solved here together, by substitution
  // from rest (the kinetic energy is a small part of the enthalpy, so a
  // few steps reach the last digit). A velocity given from outside is used
  // only without the bore. Solving the pair in one place rather than by
  // turns with the module that reports the velocity keeps the state behind
  // the valve a function of the inputs alone, whatever came before. (The
  // jet in the valve outlet is faster and colder, but it slows down within
  // a few pipe diameters and gives its kinetic energy back as heat: the
  // state that lasts, and that the pipe, the noise and the resistors see,
  // is the one at the pipe velocity.)
  const Extended d = V(D2), mass = V(qm);
  TOutlet o;
  if (Available(d, mass) && d > 0 && mass >= 0) {
    Extended w2 = 0;
    for (int step = 0; step < 50; ++step) {
      o = outlet(w2);
      if (!Available(o.rho2) || o.rho2 <= 0) break;
      const Extended next = PipeVelocity(o.rho2, d);
      if (EqualDigits(next, w2, 18)) break;
      // A change of the velocity below the last digit of the enthalpy
      // gives this state again, and then this velocity: done.
      if (!o.sprayed && tWaterInjection::OutletEnthalpy(H1, w1, next) == o.hOut) break;
      w2 = next;
    }
  } else {
    o = outlet(V(u2));
  }
  // Right behind the valve, before any resistor, at the same enthalpy.
  o.valve = P2v == P2 ? o.plain : tWaterInjection::StateFromEnthalpy(P2v, o.hOut);
  const TDownstreamState& valve = o.valve;
  const TDownstreamState& plain = o.plain;
  if (Available(o.hOut, P2) && IsNoValue(plain.t2)) CreateMessage(1818, {t2, p2, h1, t1});

  if (app == wiNone || !consistent) {
    ClearInjection();
    Put(t2, plain.t2);
    Put(rho2r, plain.rho2);
    Put(t2v, valve.t2);
    Put(xFG, plain.xFG);
    Put(h2, plain.h2);
    return;
  }
  if (!sprays(plain)) {
    CreateMessage(1816, {WIApplication, Phase, t1});
    ClearInjection();
    if (!wantT2) Put(t2, plain.t2);
    for (TCalcParameter* p : {rho2r, xFG, h2}) Put(p, NoValue);
    Put(t2v, valve.t2);
    return;
  }
  const TWaterInjectionResult& r = o.r;
  if (!wantT2) Put(t2, r.t2);
  Put(rho2r, r.rho2);
  Put(h2, r.h2);
  Put(xFG, HasValue(r.t2) ? Extended(100) : NoValue);
  Put(qmwi, r.qmwi);
  Put(pvwi, r.pvwi);
  Put(tvwi, r.tvwi);
  WIType->SetSwitchStatus(r.NotNeeded || IsNoValue(r.qmwi) ? wiNone : app);
  // In a steam converting valve the water mixes in the valve outlet, so
  // the state right behind the valve is already the cooled one.
  if (app == wiSteamConverter && HasValue(r.h2))
    Put(t2v, tWaterInjection::StateFromEnthalpy(P2v, r.h2).t2);
  else
    Put(t2v, valve.t2);

  if (r.TooCloseToSaturation)
    CreateMessage(1812, {t2, dt, p2}, {dt->ConvertToUnitString(margin), t2->ConvertToUnitString(Tv2)});
  if (r.NotNeeded) CreateMessage(1813, {qmwi, t2, t1});
  if (r.WaterBoils) CreateMessage(1814, {twi, pwi, tvwi}, {twi->ConvertToUnitString(r.tvwi)});
  if (r.WaterPressureTooLow) CreateMessage(1815, {pwi, dpowi, p2});
  if (IsNoValue(r.qmwi) && Available(V(qm), V(twi), r.t2)) CalculationFails({qmwi});
  // Velocity of the cooled steam in the outlet: a slow flow carries the
  // spray badly and lets droplets fall out onto the pipe wall.
  const Extended total = V(qm) + (HasValue(r.qmwi) ? r.qmwi : 0);
  if (Available(d, r.rho2, V(qm)) && d > 0 && r.rho2 > 0) {
    const Extended w = total / 3600 / r.rho2 / (kPi * d * d / 4 * 1e-6L);
    if (w < MinSteamVelocity)
      CreateMessage(1819, {D2, qmwi}, {u2->ConvertToUnitString(w), u2->ConvertToUnitString(MinSteamVelocity)});
  }
}

// Media other than water: the outlet temperature is the medium's own
// isenthalpic state at the outlet pressure (Throttle). An ideal gas keeps
// its temperature; a real gas cools by its Joule-Thomson effect (natural
// gas about 0.5 K per bar) and a liquid warms by dp/(rho cp), a few
// hundredths of a kelvin per bar, up to its boiling temperature at the
// outlet, where it flashes: then the vapour fraction follows from the heat
// balance cp2 (t1 - tv2) = x dhv2. The kinetic energy of the inlet pipe
// velocity less that of the outlet pipe velocity changes the temperature
// by (u1^2 - u2^2) / (2 cp1); the outlet density for u2 is the inlet's,
// scaled for a gas by its pressure and temperature (the term is a few
// hundredths of a kelvin, its error a thousandth of that). The outlet
// density itself is the one of the medium module of the outlet.
void TCMWaterInjection::CalculateOtherMedium() {
  MakeNotUtilized({h1, h2});
  MakeUtilized({t2v});
  if (Application() != wiNone) CreateMessage(1816, {WIApplication, SubstanceType});
  ClearInjection();
  const Extended T1 = V(t1), P1 = V(p1);
  const Extended P2 = HasValue(V(p2)) ? V(p2) : V(p2v);
  const Extended P2v = HasValue(V(p2v)) ? V(p2v) : V(p2);
  const bool liquid = Phase->GetSwitchIndex() == kLiquid;
  CheckParameters({t1});
  const auto throttled = [&](Extended P) {
    if (!Available(T1, P1, P) || P <= 0 || P > P1) return IsNoValue(T1) ? NoValue : T1;
    const Extended t = Throttle ? Throttle(T1, P1, P) : NoValue;
    return HasValue(t) ? t : T1;
  };
  const Extended t2h = throttled(P2), t2vh = throttled(P2v);
  // A throttled liquid only warms; colder, it has reached its boiling
  // temperature at the outlet.
  Extended Tv2 = V(tv2);
  if (liquid && IsNoValue(Tv2) && Available(T1, t2h) && t2h < T1) Tv2 = t2h;
  const bool flashing = liquid && Available(T1, Tv2) && T1 > Tv2;
  (liquid ? MakeUtilized({dhv2, cp2, tv2, xFG}) : MakeNotUtilized({dhv2, cp2, tv2, xFG}));
  const auto kinetic = [&](Extended t, Extended P) {
    if (flashing || !Available(t, T1, P1, P) || P1 <= 0) return t;
    const Extended r1 = V(rho1), c = V(cp1);
    const Extended r2 = liquid || !Available(r1) ? r1 : r1 * P / P1 * (T1 + ZeroCelsius) / (t + ZeroCelsius);
    const Extended w1 = PipeVelocity(r1, V(D1)), w2 = PipeVelocity(r2, V(D2));
    if (!Available(w1, w2, c) || c <= 0) return t;
    return t + (w1 * w1 - w2 * w2) / 2 / (c * 1000);
  };
  Put(t2, flashing ? Tv2 : kinetic(t2h, P2));
  Put(t2v, flashing ? Tv2 : kinetic(t2vh, P2v));
  Put(rho2r, V(rho2));
  Put(h2, NoValue);
  if (liquid)
    Put(xFG, flashing ? tWaterInjection::FlashFraction(V(cp2), T1, Tv2, V(dhv2)) : Extended(0));
  else
    Put(xFG, NoValue);
  if (liquid && FlowState->GetSwitchIndex() == kFlashing && IsNoValue(Tv2)) CreateMessage(1817, {tv2, xFG});
}

}  // namespace torvacalc
