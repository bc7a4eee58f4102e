// Physical quantities and their units.
//
// Every numeric value belongs to one quantity and is held in the quantity's
// basic unit (unit number 0). A unit converts into the basic unit by
//   basic = value * Factor + Offset,
// and the basic unit into SI by
//   SI = (basic - SIOffset) / SIFactor.
// NoValue passes through every conversion unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

// The closed list of quantities; the number is the quantity's identity in
// parameters, files and unit pickers.
enum TQuantity : std::uint8_t {
  qTemperature = 0,
  qTemperatureDifference = 1,
  qPressureBar = 2,
  qPressureMBar = 3,
  qForce = 4,
  qDensity = 5,
  qSpecificVolume = 6,
  qDynamicViscosity = 7,
  qKinematicViscosity = 8,
  qMassFlowrate = 9,
  qVolumeFlowrate = 10,
  qNormVolumeFlowrate = 11,
  qKvCv = 12,
  qNominalDiameter = 13,
  qVelocity = 14,
  qLengthM = 15,
  qLengthMM = 16,
  qExpansionCoefficient = 17,
  qModulusOfElasticity = 18,
  qAreaQM = 19,
  qAreaQCM = 20,
  qAreaQMM = 21,
  qMass = 22,
  qVolume = 23,
  qMassPerLength = 24,
  qVolumePerLength = 25,
  qPower = 26,
  qHeatPower = 27,
  qHeatCapacity = 28,
  qEntropy = 29,
  qEnthalpy = 30,
  qHeatConductivity = 31,
  qHeatTransferResistance = 32,
  qHeatTransferCoefficient = 33,
  qHeatTransferDensity = 34,
  qSpecificGasConstant = 35,
  qMolarMass = 36,
  qDipoleMoment = 37,
  qWeightSoundPress = 38,
  qUnweightSoundPress = 39,
  qFrequency = 40,
  qPortion = 41,
  qTime = 42,
  qNoUnit = 43,
  qNoUnitPositive = 44,
  qInteger = 45,
  qDateTime = 46,
  qFixedPortion = 47,
  qAbsHumidity = 48,
  qSpecHumidity = 49,
  qQuotPT = 50,
  qJouleThomson = 51,
  qQuotPRho = 52,
  qQuotRhoT = 53,
  qBerieselungsdichte = 54,
  qFFaktor = 55,
  qDruckverlust = 56,
  qThrottlingCoeff = 57,
  qSecondVirialCoeff = 58,
  qThirdVirialCoeff = 59,
  qMolarDensity = 60,
  qMolarVolume = 61,
  qMolarEntropy = 62,
  qMolarEnthalpy = 63,
  qMolarHeatCapacity = 64,
  qMolarThrottlingCoeff = 65,
  qMolarSecondVirialCoeff = 66,
  qMolarThirdVirialCoeff = 67,
  qMolarQuotRhoT = 68,
  qMolarQuotPRho = 69,
  qOberflaechenspannung = 70,
  qKompressibilitaet = 71,
  qTimeH = 72,
  qPressureDropBar = 73,
  qPressureDropMBar = 74,
  qMassFlux = 75,
  qAngle = 76
};

// The flow coefficient Kv in m³/h of a valve whose Cv is 1: a US gallon per
// minute (3.785411784 L) at a drop of 1 psi (0.45359237 kg x 9.80665 m/s²
// on a square inch) against a cubic metre per hour at 1 bar. One factor for
// the unit table and for every equation written for Cv.
inline constexpr Extended kKvPerCv = 0.86497765544230176L;
inline constexpr Extended kCvPerKv = 1 / kKvPerCv;

inline constexpr int QuantityCount = 77;
inline constexpr int MaxUnitSlots = 41;  // unit numbers 0..40
inline constexpr int Top5Count = 10;     // the recent-unit list holds ten entries

struct TUnitRecord {
  int SortIndex;     // position of the unit when a list is ordered by index
  const char* Name;  // "%s" stands for the superscript two, "%%" for "%"
  Extended Offset;
  Extended Factor;
};

struct TQuantityRecord {
  const char* Ident;    // the enumerator's name, e.g. "qPressureBar"
  const char* Caption;  // German caption, translated before display
  Extended UpperBound;  // physically sensible range, basic unit
  Extended LowerBound;
  Extended SIOffset;
  Extended SIFactor;
  bool Hide;            // left out of user-facing quantity lists
  int FirstUnit;        // index of unit 0 in the unit records
  int UnitCount;
};

// The static table record of a quantity, and of one of its units (nullptr
// for a unit number outside the quantity's units).
const TQuantityRecord& QuantityRecord(TQuantity q);
const TUnitRecord* UnitRecord(TQuantity q, int unitNo);

// The quantity of a name ("qPressureBar", not case-sensitive) or of a
// number ("2"); empty when there is none.
std::optional<TQuantity> QuantityByName(const std::string& name);

// One entry of a unit list handed to pickers.
struct TRefUnit {
  int UnitNo;
  int SortIndex;
  Extended Offset;
  Extended Factor;
};

struct TUnitListEntry {
  std::string Name;  // displayed unit name
  TRefUnit Ref;
};
using TUnitStringList = std::vector<TUnitListEntry>;

// Sort modes of unit lists.
inline constexpr int SortTable = 0;  // table order
inline constexpr int SortName = 1;   // by displayed name, not case-sensitive
inline constexpr int SortIndex = 2;  // by SortIndex

// Read access to the unit table by quantity.
class TQuantityArray {
 public:
  static std::string GetQuantityName(TQuantity q);  // translated caption
  // The unit name, translated, with "%s" shown as "²" and "%%" as "%".
  static std::string GetUnitName(TQuantity q, int unitNo);
  static Extended GetLowerBound(TQuantity q);
  static Extended GetUpperBound(TQuantity q);
  static bool GetHide(TQuantity q);
  static int GetCount(TQuantity q);
  static TUnitStringList UnitStringList(TQuantity q, int sortMode);
  static std::vector<std::string> UnitStrings(TQuantity q, int sortMode);
  // The recent-unit list: entries in recent order, empty ones skipped.
  static TUnitStringList Top5StringList(TQuantity q, int sortMode);
  static std::vector<std::string> Top5Strings(TQuantity q, int sortMode);
  // Moves a unit to the front of the recent list and saves the lists.
  static void AddToTop5(TQuantity q, int unitNo);
  // The ten recent entries as "u0,u1,...,u9", most recent first.
  static std::string GetTop5(TQuantity q);
  // Rebuilds the recent list from the text of GetTop5.
  static void SetTop5(TQuantity q, const std::string& text);
  // Rebuilds the recent list from up to ten unit numbers, most recent first.
  static void SetTop5(TQuantity q, const std::vector<int>& values);
  static std::array<int, Top5Count> Top5(TQuantity q);
  // The unit number of a displayed (or table) name, not case-sensitive; -1
  // when the quantity has no such unit.
  static int UnitNoByName(TQuantity q, const std::string& name);
};

// Binds a quantity and a chosen unit.
class TCalcUnits {
 public:
  explicit TCalcUnits(TQuantity q) : Quantity(q) {}

  TQuantity Quantity;
  int CalcUnitNo = 0;

  // From the selected unit into the basic unit.
  Extended ConvertToUnit(Extended value) const;
  // From the basic unit into the selected unit.
  Extended ConvertToBasic(Extended value) const;
  // From the selected unit into SI.
  Extended ConvertToSI(Extended value) const;

  std::string GetQuantityName() const { return TQuantityArray::GetQuantityName(Quantity); }
  std::string GetUnitName() const { return TQuantityArray::GetUnitName(Quantity, CalcUnitNo); }
  Extended GetLowerBound() const { return TQuantityArray::GetLowerBound(Quantity); }
  Extended GetUpperBound() const { return TQuantityArray::GetUpperBound(Quantity); }
  int GetCount() const { return TQuantityArray::GetCount(Quantity); }
  std::vector<std::string> UnitStrings(int sortMode) const {
    return TQuantityArray::UnitStrings(Quantity, sortMode);
  }
  TUnitStringList UnitStringList(int sortMode) const {
    return TQuantityArray::UnitStringList(Quantity, sortMode);
  }
  std::vector<std::string> Top5Strings(int sortMode) const {
    return TQuantityArray::Top5Strings(Quantity, sortMode);
  }
  void AddToTop5(int unitNo) const { TQuantityArray::AddToTop5(Quantity, unitNo); }
  int UnitNoByName(const std::string& name) const {
    return TQuantityArray::UnitNoByName(Quantity, name);
  }
};

// Value from unit `unitNo` into the basic unit.
Extended GetBasicUnitValue(int unitNo, TQuantity q, Extended value);
// Value from the basic unit into unit `unitNo`.
Extended GetUnitValue(int unitNo, TQuantity q, Extended value);
// Value from unit `unitNo` into SI.
Extended GetSIValue(int unitNo, TQuantity q, Extended value);

// Shows a table unit name: "%s" becomes "²" and "%%" becomes "%".
std::string FormatUnitName(const std::string& raw);

class TSettingsStore;

// The settings of the unit table: the recent-unit lists, kept in the
// section "RecentUnits" as values "Quantity0" ... "Quantity76".
class THXUnitOptions {
 public:
  THXUnitOptions() = default;
  bool Loading = false;  // set while the lists are read from the settings
  void LoadFromReg();
  void SaveToReg();
  void LoadFromReg(TSettingsStore& store);
  void SaveToReg(TSettingsStore& store);
};

// The single options object; loads the recent lists on first call.
THXUnitOptions& HXUnitOptions();
// Clears the recent lists and forgets that they were loaded, so that the
// next HXUnitOptions() reads the settings again (used by tests).
void ResetUnitOptions();

}  // namespace torvacalc
