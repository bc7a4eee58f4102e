// A catalogue of control valve series (ValveCatalogue.CDS, built from
// data/valve_catalogue.sql): for each series its style and trim, inherent
// characteristic and rangeability, the valve factors at 75 % travel, the
// acoustic data, temperature limits, recommended outlet velocities, the
// pressure ratings it is offered in and its sizes with their Kvs, seat
// diameters and travels. Units: DN, seat and travel in mm, Kvs in m3/h,
// pressures in bar, temperatures in degC, velocities in m/s, levels in dB.
//
// The selection of a valve from a series for a duty lives here as well, so
// that it can be tested without the calculation framework
// (TValveCatalogue::Select, rules in its comment).
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/basics.h"
#include "valves/valve_database.h"

namespace torvacalc {

// One row of a pressure-temperature rating table: the allowable gauge
// pressure P (bar) of a rating of a material group at T (degC).
struct TRatingRow {
  std::string Standard, MaterialGroup, Rating;
  Extended T = NoValue, P = NoValue;
};

// The allowable pressure of a body at a temperature and the table rows it
// was read from ("ASME B16.34, group 1.1, Class 300, 200 ... 250 °C").
struct TRatingAtTemperature {
  Extended P = NoValue;  // bar(g); NoValue above the table or without one
  std::string Rows;
};

// One pressure rating of a series: "PN 40" or "Class 300".
struct TCatalogueRating {
  std::string Rating;
  Extended PN = NoValue;    // nominal pressure (EN 1759-1 PN of an ASME class), bar(g)
  Extended PMax = NoValue;  // allowable pressure at room temperature, bar(g)
  int MaxDN = 0;            // the largest size offered in this rating
  // The rows of the pressure-temperature table of this rating for the
  // series' body, by temperature (empty: no table for its material).
  std::vector<TRatingRow> ByTemperature;
  bool IsAsmeClass() const { return Rating.rfind("Class", 0) == 0; }
  // Ratings are gauge pressures; operating pressures are absolute. The
  // allowable pressure as an absolute one, over the standard atmosphere.
  Extended PMaxAbsolute() const { return HasValue(PMax) ? PMax + StandardPressure : NoValue; }
  // The same at the temperature t (degC) by the body's table; without a
  // table or a temperature the room-temperature value.
  Extended PMaxAbsoluteAt(Extended t) const;
  // The table's allowable gauge pressure at t and the rows read.
  static TRatingAtTemperature Interpolate(const std::vector<TRatingRow>& rows, Extended t);
};

// One size and trim of a series.
struct TCatalogueSize {
  int DN = 0;
  Extended Kvs = NoValue;
  Extended Seat = NoValue;    // seat (port) diameter, mm
  Extended Stroke = NoValue;  // rated travel, mm; NoValue for quarter-turn valves
};

struct TCatalogueSeries {
  int Id = 0;
  std::string Manufacturer;
  std::string Name;
  int StyleId = 0;  // ValveType index + 1
  int TrimNo = 0;   // index of the style's trim list
  int Characteristic = 0;  // CharacteristicType index
  int InwardFlow = 0;      // InwardFlow index
  Extended Rangeability = NoValue;  // inherent rangeability Kvs/Kv0
  // Factors at 75 % travel; Fd for flow to open and to close.
  Extended FL = NoValue, XT = NoValue, Fd = NoValue, FdClose = NoValue, Kc = NoValue, Zy = NoValue;
  bool VaryWithTravel = false;
  Extended TMin = NoValue, TMax = NoValue;
  int LowNoiseDesign = 0;
  Extended dLaCo = NoValue;
  int NoiseNormLiquid = 2, NoiseNormGas = 2;
  Extended rw = NoValue, Stp = NoValue, Aeta = NoValue;
  Extended f1 = NoValue, f2 = NoValue, g1 = NoValue, g2 = NoValue;
  std::array<Extended, 4> dLGas{NoValue, NoValue, NoValue, NoValue};
  std::array<Extended, 4> dLLiq{NoValue, NoValue, NoValue, NoValue};
  Extended uMaxNoCav = NoValue, uMaxPartCav = NoValue, uMaxCav = NoValue, uMaxFlashing = NoValue;
  std::string Source;
  // The body's material and its material groups by EN 1092-1 and by
  // ASME B16.34 (empty when the catalogue does not say).
  std::string BodyMaterial, EnGroup, AsmeGroup;
  std::vector<TCatalogueRating> Ratings;  // by allowable pressure, lowest first
  std::vector<TCatalogueSize> Sizes;      // by DN, then Kvs
  // The measured Kv/Kvs over the travel (empty when not measured).
  TTravelCurve Travel;
};

// What a valve has to do. NoValue: no demand.
struct TValveDuty {
  Extended Kv = NoValue;            // required flow coefficient, m3/h
  Extended p1 = NoValue;            // inlet pressure, bar(a)
  Extended t1 = NoValue;            // inlet temperature, degC
  Extended MinDN = NoValue;         // smallest acceptable size, mm
  Extended SuggestedKvs = NoValue;  // the Kvs the sizing recommends
  Extended n0 = NoValue;            // rangeability the control task needs
  bool AsmeRatings = false;         // the pipe class is an ASME one
};

// A size of a series together with the rating it is offered in.
struct TValveOffer {
  TCatalogueSize Size;
  TCatalogueRating Rating;
  std::string Text() const;  // "DN 50, Kvs 40, PN 40"
};

class TValveCatalogue {
 public:
  static constexpr const char* FileName = "ValveCatalogue.CDS";

  // A Kvs fits a flow coefficient Kv when Kvs >= KvMargin * Kv: the valve
  // is then at most about 90 % open at the largest duty, which keeps a
  // control reserve (the lower bound of the sizing's recommended Kvs).
  static constexpr Extended KvMargin = 1.1L;

  // Reads the whole catalogue. Throws EValveDatabase when the file is
  // missing or is not a valve catalogue.
  explicit TValveCatalogue(const std::string& path);
  // The catalogue of the program's data folder, read once; nullptr when it
  // cannot be read (the valve data are then the user's).
  static const TValveCatalogue* Default();

  const std::vector<TCatalogueSeries>& Series() const { return FSeries; }
  std::vector<std::string> Manufacturers() const;
  // The series of a manufacturer for a style (ValveType index + 1; 0: all
  // styles); with `trimNo` >= 0 only that trim.
  std::vector<const TCatalogueSeries*> SeriesOf(const std::string& manufacturer, int styleId,
                                                int trimNo = -1) const;

  // Every offer of a series: each size in the lowest rating of the pipe's
  // rating family that covers p1 (any rating of that family when p1 is
  // unknown, the other family when the series has none of it).
  static std::vector<TValveOffer> Offers(const TCatalogueSeries& s, const TValveDuty& duty);
  // Whether an offer fits the duty: Kvs >= KvMargin * Kv, the rating's
  // allowable pressure at t1 (by the body's table) at least p1, DN >= MinDN, the series' rangeability
  // at least n0 and t1 within its temperature limits. Unknown demands do
  // not exclude.
  static bool Fits(const TCatalogueSeries& s, const TValveOffer& o, const TValveDuty& duty);
  // The fitting offers, smallest size first.
  static std::vector<TValveOffer> FittingOffers(const TCatalogueSeries& s, const TValveDuty& duty);
  // The valve for the duty: among the fitting offers the smallest size,
  // and in it the smallest Kvs at or above SuggestedKvs; when no fitting
  // Kvs reaches SuggestedKvs, the largest fitting Kvs (the closest to it).
  // Without SuggestedKvs the smallest fitting offer. Empty when nothing
  // fits.
  static std::optional<TValveOffer> Select(const TCatalogueSeries& s, const TValveDuty& duty);

  // The series of that name (any manufacturer), nullptr when none.
  const TCatalogueSeries* SeriesByName(const std::string& name) const;
  // The allowable pressure of the rating ("PN 40", "Class 300") of the
  // series' body at the temperature t: linear between the table's rows,
  // the first row's pressure below it; NoValue above the last row, and
  // without rows for the body's material group.
  TRatingAtTemperature AllowedPressure(const TCatalogueSeries& s, const std::string& rating, Extended t) const;
  // The table rows of a rating for a material group, by temperature.
  std::vector<TRatingRow> RatingRows(const std::string& group, const std::string& rating) const;

 private:
  std::vector<TCatalogueSeries> FSeries;
  std::vector<TRatingRow> FRatingRows;  // by standard, group, rating, T
};

}  // namespace torvacalc
