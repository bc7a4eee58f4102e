// The value lists of the valve layer's list switches. Modules that hand a
// switch to each other through a connector (the sizing module, the valve
// database, the size suggestion) must show the same entries in the same
// order: the connector passes the index. The order is the order of the
// enumerations in valve_types.h and of stored calculations.
#pragma once

#include <string>
#include <vector>

namespace torvacalc {

using TValueList = std::vector<std::string>;

// Valve styles; index + 1 is the style number of the valve databases.
inline const TValueList& ValveTypeValues() {
  static const TValueList v = {"Durchgangsventil", "Drehkegelventil", "Klappe",
                               "Kugelhahn",        "Sonstige",        "Membranventil",
                               "Schlauchquetschventil", "Eckventil", "Dreiwegeventil",
                               "Kleinmengenventil"};
  return v;
}

// Trims of the styles that have more than one; the index is the trim
// number of the valve databases.
inline const TValueList& GlobeTypeValues() {
  static const TValueList v = {"Parabolkegel, oeffnend", "Parabolkegel, schliessend",
                               "V-Schlitzkegel (3 Schlitze)", "Lochkaefig (60 Bohrungen)",
                               "Kaefig mit 4 Fenstern, nach aussen", "Doppelsitz, Parabolkegel"};
  return v;
}

inline const TValueList& RotaryTypeValues() {
  static const TValueList v = {"Exzentrischer Kugelkegel, oeffnend",
                               "Exzentrischer Kugelkegel, schliessend",
                               "Exzentrischer Kegel, oeffnend"};
  return v;
}

inline const TValueList& ButterflyTypeValues() {
  static const TValueList v = {"Mittig, durchschwingend 70 Grad", "Mittig, durchschwingend 60 Grad",
                               "Mittig, geriffelte Scheibe 70 Grad",
                               "Exzentrisch, versetzter Sitz 70 Grad", "Doppelt exzentrisch 90 Grad",
                               "Dreifach exzentrisch 90 Grad", "Mit Lochscheibe (geraeuscharm)"};
  return v;
}

inline const TValueList& BallValveTypeValues() {
  static const TValueList v = {"Voller Durchgang 70 Grad", "Segmentkugel", "Reduzierter Durchgang"};
  return v;
}

// teCharacteristicType.
inline const TValueList& CharacteristicTypeValues() {
  static const TValueList v = {"gleichprozentig", "linear", "modifiziert gleichprozentig", "Auf/Zu",
                               "Messwerte", "Messwerte gleichprozentig", "Messwerte linear",
                               "Messwerte Auf/Zu", "Messwerte modifiziert gleichprozentig"};
  return v;
}

// TEPhase.
inline const TValueList& PhaseValues() {
  static const TValueList v = {"Fluessigkeit", "Dampf", "Gas", "Gas (Betriebszustand)",
                               "Mehrphasig (Dampf)", "Mehrphasig (Gas)", "unbestimmt"};
  return v;
}

// teCalculatedPhase.
inline const TValueList& CalculatedPhaseValues() {
  static const TValueList v = {"unbestimmt", "fluessig",       "dampffoermig", "gasfoermig",
                               "gesaettigt", "fest", "ueberkritisch", "zweiphasig"};
  return v;
}

// TECVFlowState.
inline const TValueList& FlowStateValues() {
  static const TValueList v = {"unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation",
                               "maximale Kavitation", "Verdampfung", "kritische Stroemung",
                               "Kavitationsschaeden", "beginnende Kavitation (Sigma mr)",
                               "starke Kavitation (Sigma mr)"};
  return v;
}

// teCvInwardFlow.
inline const TValueList& InwardFlowValues() {
  static const TValueList v = {"oeffnend", "schliessend", "beliebig"};
  return v;
}

// teLowNoiseDesign.
inline const TValueList& LowNoiseDesignValues() {
  static const TValueList v = {"keine", "Silent-Pack", "Lochkegel", "benutzerdefiniert"};
  return v;
}

inline const TValueList& PipeClassValues() {
  static const TValueList v = {"EN 10220", "ASME B36.10M"};
  return v;
}

// The noise methods a valve series names for liquids and for gases and
// vapours (the noise modules' switches of the same names).
inline const TValueList& NoiseNormLiquidValues() {
  static const TValueList v = {"VDMA 24422 (1979)", "VDMA 24422 (1989)", "IEC 60534-8-4"};
  return v;
}

inline const TValueList& NoiseNormGasValues() {
  static const TValueList v = {"VDMA 24422 (1979)", "VDMA 24422 (1989)", "IEC 60534-8-3"};
  return v;
}

}  // namespace torvacalc
