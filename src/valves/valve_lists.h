// The value lists of the valve layer's list switches. Modules that hand a
// switch to each other through a connector (the sizing module, the valve
// database, the size suggestion) must show the same entries in the same
// order: the connector passes the index. The order is the order of the
// enumerations in valve_types.h and of stored calculations. The valve
// styles and trims are the valve database's (valve_styles.h).
#pragma once

#include <string>
#include <vector>

namespace torvacalc {

using TValueList = std::vector<std::string>;

// teCharacteristicType.
inline const TValueList& CharacteristicTypeValues() {
  static const TValueList v = {"gleichprozentig", "linear", "modifiziert gleichprozentig", "Auf/Zu",
                               "Messwerte", "Messwerte gleichprozentig", "Messwerte linear",
                               "Messwerte Auf/Zu", "Messwerte modifiziert gleichprozentig"};
  return v;
}

// TEPhase.
inline const TValueList& PhaseValues() {
  static const TValueList v = {"Flüssigkeit", "Dampf", "Gas", "Gas (Betriebszustand)",
                               "Mehrphasig (Dampf)", "Mehrphasig (Gas)", "unbestimmt"};
  return v;
}

// teCalculatedPhase.
inline const TValueList& CalculatedPhaseValues() {
  static const TValueList v = {"unbestimmt", "flüssig",       "dampfförmig", "gasförmig",
                               "gesättigt", "fest", "überkritisch", "zweiphasig"};
  return v;
}

// TECVFlowState.
inline const TValueList& FlowStateValues() {
  static const TValueList v = {"unbestimmt", "normal", "beginnende Kavitation", "starke Kavitation",
                               "maximale Kavitation", "Verdampfung", "kritische Strömung",
                               "Kavitationsschäden", "beginnende Kavitation (Sigma mr)",
                               "starke Kavitation (Sigma mr)"};
  return v;
}

// teCvInwardFlow.
inline const TValueList& InwardFlowValues() {
  static const TValueList v = {"öffnend", "schließend", "beliebig"};
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
