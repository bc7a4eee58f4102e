// Thrust of a sliding-stem (globe, angle) control valve and of its
// actuator, and the actuator catalogue.
//
// Required thrust to close and seat the valve (flow under the plug, push
// down to close, the usual worst case at shutoff) is the sum of three
// forces (the actuator sizing method of the Fisher Control Valve Handbook,
// 4th ed., chapter 5, and of ANSI/ISA-75.25-type practice):
//
// 1. Static unbalance: the shutoff pressure difference dp over the
//    unbalanced area, F = dp * A. Unbalanced plug: A = pi Seat^2 / 4; a
//    pressure-balanced plug leaves only the stem, A = pi Stem^2 / 4.
//    With dp in bar and A in mm2: F [N] = 0.1 dp A.
// 2. Packing friction: the typical friction of PTFE V-ring packing by stem
//    diameter with standard gland-bolt torque (Fisher Control Valve
//    Handbook, table "Typical packing friction values"): single PTFE 20,
//    38, 50, 63, 75, 100, 120, 200 lbf and double PTFE 30, 56, 75, 95,
//    112.5, 150, 180, 300 lbf for stems of 5/16, 3/8, 1/2, 5/8, 3/4, 1,
//    1-1/4 and 2 in; linear between the stems, the end values outside.
// 3. Seat load for the shutoff class of IEC 60534-4 / ANSI/FCI 70-2, a
//    load per length of the seat circumference pi * Seat (Fisher Control
//    Valve Handbook, "Recommended seat load per shutoff class", metal
//    seats): class II 20 lbf/in, class III 40 lbf/in, class IV 40 lbf/in up
//    to a port of 4-3/8 in (111 mm) and 80 lbf/in above, class VI 300
//    lbf/in. Class V depends there on the pressure difference; we take the
//    class VI value, the upper end, to stay on the safe side. Class I has
//    no test and no tabulated load; it is given the class II load, the
//    least that seats a metal plug reliably. 1 lbf/in = 0.175127 N/mm.
//
// Available thrust of a spring-and-diaphragm actuator with the effective
// diaphragm area A (cm2) and the spring range (bench set) s0 to s1 (bar
// gauge) at the closed valve: fail-close (spring closes, air opens) seats
// with the spring preload, F = A s0; fail-open (air closes) with the air
// pressure less the fully compressed spring, F = A (supply - s1). With A in
// cm2 and pressures in bar: F [N] = 10 A p. An electric actuator gives its
// rated thrust.
//
// Units: forces N, diameters and strokes mm, pressures bar (differences and
// gauge signal pressures), areas cm2, speeds mm/s. Missing values are
// NoValue; no routine throws.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

class TSqliteReader;

enum TELeakageClass { lcI, lcII, lcIII, lcIV, lcV, lcVI };
enum TEPackingType { pkPTFESingle, pkPTFEDouble };
// Position the valve takes when the air or the power fails.
enum TEFailPosition { fpClose, fpOpen, fpStay };
enum TEActuatorKind { akDiaphragm, akElectric };

struct TActuatorRecord {
  int Id = 0;
  std::string Manufacturer, Name;
  TEActuatorKind Kind = akDiaphragm;
  TEFailPosition Fail = fpClose;
  Extended Area = NoValue;         // effective diaphragm area, cm2
  Extended SpringStart = NoValue;  // bench set, bar gauge
  Extended SpringEnd = NoValue;
  Extended MaxSupply = NoValue;    // highest air supply the diaphragm takes, bar gauge
  Extended Stroke = NoValue;       // rated stroke, mm
  Extended Thrust = NoValue;       // rated thrust of an electric actuator, N
  Extended Speed = NoValue;        // stroking speed of an electric actuator, mm/s
};

class tActuator {
 public:
  // Conversion of the seat load table: N/mm per lbf/in.
  static constexpr Extended NPerMmPerLbfPerIn = 4.4482216152605L / 25.4L;
  // Port diameter above which class IV asks for the higher seat load, mm.
  static constexpr Extended ClassIVLargePort = 111.125L;

  // Area of a circle of diameter d (mm), mm2.
  static Extended CircleArea(Extended d);
  // Stem diameter customary for a seat (mm) when none is given: 3/8 in up
  // to a seat of 25 mm, 1/2 in to 50 mm, 3/4 in to 100 mm, 1 in to 200 mm,
  // 1-1/4 in above.
  static Extended TypicalStem(Extended seat);
  // Static unbalance force (N) of the shutoff pressure difference dp (bar)
  // on an unbalanced plug of seat diameter `seat` or a balanced plug of
  // stem diameter `stem` (mm).
  static Extended UnbalancedForce(Extended dp, Extended seat, Extended stem, bool balanced);
  // Packing friction (N) of a stem of diameter `stem` (mm).
  static Extended PackingFriction(Extended stem, TEPackingType packing);
  // Seat load per mm of seat circumference (N/mm), and the seat load (N).
  static Extended SeatLoadPerLength(TELeakageClass cls, Extended seat);
  static Extended SeatLoad(TELeakageClass cls, Extended seat);
  // Thrust the actuator gives on the seat (N): a diaphragm actuator from
  // its area, spring range, fail position and the air supply (gauge); an
  // electric one its rated thrust.
  static Extended AvailableThrust(const TActuatorRecord& a, Extended supply);
  static Extended DiaphragmThrust(Extended area, Extended springStart, Extended springEnd,
                                  TEFailPosition fail, Extended supply);

  // The smallest catalogue actuator of the kind and fail position whose
  // stroke covers `stroke` and whose thrust at `supply` exceeds `required`
  // by the reserve `reservePercent`; a diaphragm must take the supply
  // pressure and, failing closed, open fully with it (supply above the end
  // of the spring range). Missing stroke or supply are not checked. An
  // electric actuator has no fail position of its own (fail ignored).
  static std::optional<size_t> Select(const std::vector<TActuatorRecord>& catalogue,
                                      TEActuatorKind kind, TEFailPosition fail, Extended required,
                                      Extended reservePercent, Extended stroke, Extended supply);
};

// The actuator catalogue, an SQLite file built from data/actuators.sql.
class TActuatorDatabase {
 public:
  static constexpr const char* FileName = "Actuators.CDS";
  // Throws ESqliteReader when the file is missing or is not a catalogue.
  explicit TActuatorDatabase(const std::string& path);
  ~TActuatorDatabase();
  static std::unique_ptr<TActuatorDatabase> OpenDefault();
  // The actuators, ordered by kind and thrust; a damaged table reads short.
  std::vector<TActuatorRecord> Actuators() const;

 private:
  std::unique_ptr<TSqliteReader> FReader;
};

}  // namespace torvacalc
