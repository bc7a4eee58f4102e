// What the sizing core takes from the valve database: the standard data of
// the valve styles and the description of one valve (measured factor curves
// over the opening, factor polynomials, cavitation reference data), and the
// database rules for the onset-of-cavitation coefficient xFz.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"
#include "valves/valve_types.h"

namespace torvacalc {

// One measured point of a valve factor over the opening Kv/Kvs (0..1).
struct TCurvePoint {
  Extended KvKvs;
  Extended Value;
};

// A factor over the opening, interpolated linearly. Valid when it has at
// least two points with strictly increasing openings in 0..1 and values in
// (0, 1].
class TFactorCurve {
 public:
  TFactorCurve() = default;
  explicit TFactorCurve(std::vector<TCurvePoint> points) : Points(std::move(points)) {}
  bool IsValid() const;
  // The value at the opening r, held constant outside the measured range;
  // NoValue when the curve is not valid or r is missing.
  Extended At(Extended r) const;
  std::vector<TCurvePoint> Points;
};

// A measured inherent characteristic: Kv/Kvs (percent) over the travel
// h (percent of the rated travel), as a manufacturer tabulates it for a
// series. Between the rows the curve is taken as straight, so the travel
// for a given opening is the linear interpolation in h between the two
// rows whose Kv/Kvs enclose it. Valid when it has at least two rows, both
// columns strictly increasing and within 0..100.
struct TTravelCurve {
  struct TRow {
    Extended Travel, KvKvs;
  };
  std::vector<TRow> Rows;
  bool IsValid() const;
  // The travel (percent) at the opening Kv/Kvs (percent); outside the
  // table the travel of the nearest row (a valve asked for more than its
  // Kvs is fully open). NoValue for an invalid curve.
  Extended TravelAt(Extended KvKvs) const;
  // The table as text (10 significant digits), "h:Kv/Kvs" pairs in percent separated by ";"
  // ("0:0; 10:3.4; ... 100:100"), and back. Text that is not such a table
  // gives an empty curve.
  std::string Text() const;
  static TTravelCurve FromText(const std::string& text);
};

// The ten coefficients a0..a9 of a polynomial over the opening r = Kv/Kvs.
struct TFactorPolynomial {
  std::array<Extended, 10> a{};
  bool Valid = false;
  Extended At(Extended r) const;
};

// The description of one valve: its style and trim, and the data measured
// for it. Any part may be missing; the sizing core then falls back to the
// 75 % values and the opening functions.
struct tValveDescription {
  int Id = 0;
  std::string Name;
  int ValveType = -1;  // valve style, 0-based as the ValveType switch
  int TrimType = -1;   // sub-style of that style, 0-based
  TFactorCurve Fl;     // FL over Kv/Kvs
  TFactorCurve Xt;     // xT over Kv/Kvs
  TFactorCurve Zy;     // xFz (z) over Kv/Kvs
  TFactorPolynomial Fl2Poly;  // exponent polynomial of FL2 (CorrectedModifier7FL2)
  TFactorPolynomial XfzPoly;  // exponent polynomial of xFz (CorrectedModifier7xFz)
  bool PerforatedPlug = false;  // multi-hole trim: xFz from the hole geometry
  // Cavitation reference data (ISA-RP75.23): flow coefficient, inlet
  // pressure and size of the tested valve, scale-effect exponents.
  Extended cvr = NoValue, pr = NoValue, dr = NoValue, aPSE = NoValue, bSSE = NoValue;
  bool HasMeasuredData() const {
    return Fl.IsValid() || Xt.IsValid() || Zy.IsValid() || Fl2Poly.Valid || XfzPoly.Valid;
  }
  bool HasSigmaData() const { return Available(cvr, pr, dr); }
};

// Typical factors of a valve style and trim at full rated travel.
struct TTrimStyle {
  int StyleId = 0;  // 1-based style id (ValveType + 1)
  int TrimNo = 0;   // 0-based sub-style
  std::string Name, NameEn;  // German and English
  teCvInwardFlow Direction = ifAny;
  Extended FL = NoValue, xT = NoValue, Fd = NoValue, Kc = NoValue;
  bool PerforatedPlug = false;
  std::string Source;  // the published table the values come from
};

struct TValveStyle {
  int Id = 0;  // 1-based
  std::string Name, NameEn;  // German and English
  int EquivalentId = 5;
};

// The database rules for xFz belong to the valve database module
// (TCMValveDatabase in cm_valve_database.h).
class TStandardValveData {
 public:
  // The equivalent standard style of a style id (1-based): the four basic
  // styles globe (1), rotary plug (2), butterfly (3) and ball (4) and the
  // rest (5) stand for themselves; angle, three-way and cage valves (8 to 10)
  // behave as globe valves; every other style as the rest.
  static int EquivalentValveTypeID(int styleId);
};

// The database rules for xFz, the pressure ratio at the onset of cavitation,
// where a valve description gives none (IEC 60534-8-4:2015; the z of VDMA 24422).
struct TXfzRules {
  // Single-flow-path trims: xFz = 0.90 / sqrt(1 + 3 Fd sqrt(Kv/(N34 FL))),
  // N34 = 1.17 for Kv (IEC 60534-8-4:2015, eq. for xFz when not measured).
  static Extended CalculateXfZ(Extended Fd, Extended FL2, Extended Kv);
  // Multi-hole (perforated plug) trims: xFz = 1/sqrt(4.5 + 1650 N0 dH^2/FL)
  // (IEC 60534-8-4:2015, multi-hole trims, N0 dH^2 in m2). The total hole
  // area N0 pi dH^2/4 is taken from the flow coefficient: water at 1 bar
  // through Kv passes a vena contracta of Kv/(3600 sqrt(200)) m2, and the
  // holes are larger by 1/FL.
  static Extended CalculateXfZPerforatedPlug(Extended Kv, Extended FL2);
  // xFz cannot exceed FL2: cavitation starts before the flow chokes.
  static Extended CheckZyFL2(Extended zy, Extended FL2);
  // Moves a rule's value at the opening to a given reference value: scales
  // it by value75/rule75, or, when scaling would leave (0, 1), shifts it by
  // value75 - rule75.
  static Extended ShiftModifier(Extended ruleAtOpening, Extended rule75, Extended value75);
};

}  // namespace torvacalc
