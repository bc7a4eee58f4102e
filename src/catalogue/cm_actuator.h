// The calculation modules of the actuator of a sliding-stem control valve;
// the engineering is tActuator (catalogue/actuator.h).
//
// TCMActuator: the thrust the valve needs to close tight (static
// unbalance + packing friction + seat load for the shutoff class) and, when
// the data of an actuator are given, the thrust that actuator delivers and
// the reserve.
//
// TCMActuatorDataBase: picks the smallest actuator of the catalogue
// (Actuators.CDS) of the chosen kind and fail position whose stroke covers
// the valve's and whose thrust exceeds the required one by the reserve, or
// the actuator the user names, and returns its data.
//
// Items as a super module connects them (main module name | module name;
// the same name on both sides throughout):
//   TCMActuator
//     In:  ValveType|ValveType, Seat|Seat, Stem|Stem, Stroke|Stroke, p1|p1,
//          p2|p2, dpShutOff|dpShutOff, BalancedPlug|BalancedPlug,
//          LeakageClass|LeakageClass, PackingType|PackingType,
//          FailPosition|FailPosition, ActuatorKind|ActuatorKind,
//          SupplyPressure|SupplyPressure, MinReserve|MinReserve,
//          ActuatorArea|ActuatorArea, SpringStart|SpringStart,
//          SpringEnd|SpringEnd, RatedThrust|RatedThrust,
//          ActuatorStroke|ActuatorStroke
//     Out: UnbalancedForce|UnbalancedForce, PackingFriction|PackingFriction,
//          SeatLoad|SeatLoad, RequiredThrust|RequiredThrust,
//          ActuatorThrust|ActuatorThrust, ThrustReserve|ThrustReserve
//   TCMActuatorDataBase
//     In:  RequiredThrust|RequiredThrust, Stroke|Stroke,
//          FailPosition|FailPosition, ActuatorKind|ActuatorKind,
//          SupplyPressure|SupplyPressure, MinReserve|MinReserve,
//          WantedActuator|WantedActuator
//     Out: ActuatorName|ActuatorName, ActuatorManufacturer|ActuatorManufacturer,
//          ActuatorType|ActuatorType, ActuatorArea|ActuatorArea,
//          SpringStart|SpringStart, SpringEnd|SpringEnd, SpringRange|SpringRange,
//          RatedThrust|RatedThrust, ActuatorStroke|ActuatorStroke,
//          ActuatorSpeed|ActuatorSpeed, ActuatorThrust|ActuatorThrust,
//          ThrustReserve|ThrustReserve
// In a whole calculation the database module's Out data feed TCMActuator's
// actuator inputs, or the user enters an actuator there directly.
#pragma once

#include <memory>
#include <string>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "catalogue/actuator.h"
#include "valves/valve_styles.h"

namespace torvacalc {

// Reserve of thrust (%) asked for when none is given: friction and spring
// rates scatter by about this much between actuators of one size.
inline constexpr Extended DefaultThrustReserve = 10;

class TCMActuator : public TCalcModule {
 public:
  explicit TCMActuator(TCalcComponent* owner = nullptr, std::string name = "CMActuator");
  ~TCMActuator() override;
  const char* ClassName() const override { return "TCMActuator"; }
  std::string ModuleCaption() const override { return "Stellkraft des Antriebs"; }

  TDNVDataListSwitch* ValveType;
  TModifyParameter *Seat, *Stroke, *ActuatorArea, *SpringStart, *SpringEnd, *RatedThrust,
      *ActuatorStroke;
  TInOutParameter *p1, *p2;
  TInputParameter *Stem, *dpShutOff, *SupplyPressure, *MinReserve;
  TCalcSwitch* BalancedPlug;
  TCalcListSwitch *LeakageClass, *PackingType, *FailPosition, *ActuatorKind;
  TOutputParameter *UnbalancedForce, *PackingFriction, *SeatLoad, *RequiredThrust, *ActuatorThrust,
      *ThrustReserve;

 protected:
  void DoCalculate() override;

 private:
  std::shared_ptr<const TValveStyles> FStyles;  // the entries of ValveType
};

class TCMActuatorDataBase : public TCalcModule {
 public:
  explicit TCMActuatorDataBase(TCalcComponent* owner = nullptr, std::string name = "CMActuatorDataBase");
  ~TCMActuatorDataBase() override;
  const char* ClassName() const override { return "TCMActuatorDataBase"; }
  std::string ModuleCaption() const override { return "Antrieb aus der Datenbank"; }

  // The catalogue of the program's data folder, read once per process;
  // empty when it cannot be read.
  static const std::vector<TActuatorRecord>& Catalogue();

  TInputParameter *RequiredThrust, *SupplyPressure, *MinReserve;
  TModifyParameter* Stroke;
  TCalcListSwitch *FailPosition, *ActuatorKind;
  TCalcRelevantString* WantedActuator;
  tCalcString *ActuatorName, *ActuatorManufacturer, *ActuatorType, *SpringRange;
  TOutputParameter *ActuatorArea, *SpringStart, *SpringEnd, *RatedThrust, *ActuatorStroke,
      *ActuatorSpeed, *ActuatorThrust, *ThrustReserve;

 protected:
  void DoCalculate() override;

 private:
  void Show(const TActuatorRecord* a);
};

}  // namespace torvacalc
