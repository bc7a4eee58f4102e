#include "catalogue/valve_catalogue.h"

#include <algorithm>
#include <filesystem>

#include "framework/options.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

namespace {

bool Known(Extended v) { return HasValue(v); }

// The rating holds the duty's inlet pressure at its temperature (above
// the body's table it holds none).
bool Holds(const TCatalogueRating& r, const TValveDuty& duty) {
  const Extended allowed = r.PMaxAbsoluteAt(duty.t1);
  return Known(allowed) && allowed >= duty.p1;
}

std::string Number(Extended v) {
  if (IsNoValue(v)) return "-";
  std::string s = std::to_string(static_cast<double>(v));
  s.erase(s.find_last_not_of('0') + 1);
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::string TValveOffer::Text() const {
  return "DN " + std::to_string(Size.DN) + ", Kvs " + Number(Size.Kvs) + ", " + Rating.Rating;
}

TValveCatalogue::TValveCatalogue(const std::string& path) {
  const TSqliteReader file =
      OpenSqliteReader<EValveDatabase>(path, {"CatalogueSeries"}, "Ventilkatalog", "Kein Ventilkatalog");
  file.Query(
      "SELECT s.ID, m.Name, s.Name, s.StyleID, s.TrimNo, s.Characteristic, s.InwardFlow, "
      "s.Rangeability, s.FL, s.XT, s.Fd, s.FdClose, s.Kc, s.Zy, s.VaryWithTravel, s.TMin, s.TMax, "
      "s.LowNoiseDesign, s.dLaCo, s.NoiseNormLiquid, s.NoiseNormGas, s.rw, s.Stp, s.Aeta, s.f1, "
      "s.f2, s.g1, s.g2, s.dLGas0500, s.dLGas1000, s.dLGas2000, s.dLGas4000, s.dLLiq0500, "
      "s.dLLiq1000, s.dLLiq2000, s.dLLiq4000, s.uMaxNoCav, s.uMaxPartCav, s.uMaxCav, "
      "s.uMaxFlashing, s.Source FROM CatalogueSeries s JOIN Manufacturer m ON m.ID = "
      "s.ManufacturerID ORDER BY m.Name, s.Name",
      [&](const TSqliteRow& r) {
        TCatalogueSeries s;
        int c = 0;
        s.Id = r.Integer(c++);
        s.Manufacturer = r.Text(c++);
        s.Name = r.Text(c++);
        s.StyleId = r.Integer(c++);
        s.TrimNo = r.Integer(c++);
        s.Characteristic = r.Integer(c++);
        s.InwardFlow = r.Integer(c++);
        for (Extended* v : {&s.Rangeability, &s.FL, &s.XT, &s.Fd, &s.FdClose, &s.Kc, &s.Zy})
          *v = r.Real(c++);
        s.VaryWithTravel = r.Integer(c++) != 0;
        s.TMin = r.Real(c++);
        s.TMax = r.Real(c++);
        s.LowNoiseDesign = r.Integer(c++);
        s.dLaCo = r.Real(c++);
        s.NoiseNormLiquid = r.Integer(c++);
        s.NoiseNormGas = r.Integer(c++);
        for (Extended* v : {&s.rw, &s.Stp, &s.Aeta, &s.f1, &s.f2, &s.g1, &s.g2}) *v = r.Real(c++);
        for (Extended& v : s.dLGas) v = r.Real(c++);
        for (Extended& v : s.dLLiq) v = r.Real(c++);
        for (Extended* v : {&s.uMaxNoCav, &s.uMaxPartCav, &s.uMaxCav, &s.uMaxFlashing})
          *v = r.Real(c++);
        s.Source = r.Text(c++);
        FSeries.push_back(std::move(s));
      });
  for (TCatalogueSeries& s : FSeries) {
    file.Query("SELECT Rating, PN, PMax, MaxDN FROM CatalogueRating WHERE SeriesID = ?1 "
               "ORDER BY PMax, Rating",
               {s.Id}, [&](const TSqliteRow& r) {
                 s.Ratings.push_back({r.Text(0), r.Real(1), r.Real(2), r.Integer(3), {}});
               });
    file.Query("SELECT DN, Kvs, Seat, Stroke FROM CatalogueSize WHERE SeriesID = ?1 ORDER BY DN, Kvs",
               {s.Id}, [&](const TSqliteRow& r) {
                 s.Sizes.push_back({r.Integer(0), r.Real(1), r.Real(2), r.Real(3)});
               });
  }
  if (FSeries.empty()) throw EValveDatabase("Kein Ventilkatalog: " + path);
  // The measured characteristics (absent from older catalogues).
  file.Query("SELECT SeriesID, Travel, KvKvs FROM CatalogueTravel ORDER BY SeriesID, Travel", [&](const TSqliteRow& r) {
    const int id = r.Integer(0);
    for (TCatalogueSeries& s : FSeries)
      if (s.Id == id) s.Travel.Rows.push_back({r.Real(1), r.Real(2)});
  });
  // The body materials and the pressure-temperature tables (absent from
  // catalogues written before them: no check by temperature then).
  file.Query("SELECT SeriesID, Material, EnGroup, AsmeGroup FROM CatalogueBody", [&](const TSqliteRow& r) {
    const int id = r.Integer(0);
    for (TCatalogueSeries& s : FSeries)
      if (s.Id == id) s.BodyMaterial = r.Text(1), s.EnGroup = r.Text(2), s.AsmeGroup = r.Text(3);
  });
  file.Query("SELECT Standard, MaterialGroup, Rating, T, P FROM RatingByTemperature "
             "ORDER BY Standard, MaterialGroup, Rating, T",
             [&](const TSqliteRow& r) {
               FRatingRows.push_back({r.Text(0), r.Text(1), r.Text(2), r.Real(3), r.Real(4)});
             });
  for (TCatalogueSeries& s : FSeries)
    for (TCatalogueRating& r : s.Ratings) r.ByTemperature = RatingRows(r.IsAsmeClass() ? s.AsmeGroup : s.EnGroup, r.Rating);
}

const TValveCatalogue* TValveCatalogue::Default() {
  static const std::unique_ptr<TValveCatalogue> catalogue = []() -> std::unique_ptr<TValveCatalogue> {
    try {
      return std::make_unique<TValveCatalogue>(
          (std::filesystem::path(ProgramDataDir()) / FileName).string());
    } catch (const EValveDatabase&) {
      return nullptr;
    }
  }();
  return catalogue.get();
}

const TCatalogueSeries* TValveCatalogue::SeriesByName(const std::string& name) const {
  for (const TCatalogueSeries& s : FSeries)
    if (s.Name == name) return &s;
  return nullptr;
}

TRatingAtTemperature TCatalogueRating::Interpolate(const std::vector<TRatingRow>& rows, Extended t) {
  TRatingAtTemperature out;
  if (rows.empty() || IsNoValue(t)) return out;
  const TRatingRow& first = rows.front();
  const std::string head = first.Standard + ", " + first.MaterialGroup + ", " + first.Rating + ", ";
  const auto degrees = [](Extended v) { return Number(v) + " °C"; };
  if (t <= first.T) {
    out.P = first.P;
    out.Rows = head + degrees(first.T);
    return out;
  }
  for (size_t i = 1; i < rows.size(); ++i) {
    const TRatingRow& a = rows[i - 1];
    const TRatingRow& b = rows[i];
    if (t > b.T) continue;
    out.P = a.P + (b.P - a.P) * (t - a.T) / (b.T - a.T);
    out.Rows = head + (t == b.T ? degrees(b.T) : degrees(a.T) + " … " + degrees(b.T));
    return out;
  }
  out.Rows = head + degrees(rows.back().T);  // above the table: no rating
  return out;
}

Extended TCatalogueRating::PMaxAbsoluteAt(Extended t) const {
  if (ByTemperature.empty() || IsNoValue(t)) return PMaxAbsolute();
  const Extended p = Interpolate(ByTemperature, t).P;
  return HasValue(p) ? p + StandardPressure : NoValue;
}

std::vector<TRatingRow> TValveCatalogue::RatingRows(const std::string& group, const std::string& rating) const {
  const bool asme = rating.rfind("Class", 0) == 0;
  const std::string standard = asme ? "ASME B16.34" : "EN 1092-1";
  std::vector<TRatingRow> rows;
  for (const TRatingRow& r : FRatingRows)
    if (r.Standard == standard && r.MaterialGroup == group && r.Rating == rating) rows.push_back(r);
  return rows;
}

TRatingAtTemperature TValveCatalogue::AllowedPressure(const TCatalogueSeries& s, const std::string& rating,
                                                      Extended t) const {
  const bool asme = rating.rfind("Class", 0) == 0;
  return TCatalogueRating::Interpolate(RatingRows(asme ? s.AsmeGroup : s.EnGroup, rating), t);
}

std::vector<std::string> TValveCatalogue::Manufacturers() const {
  std::vector<std::string> out;
  for (const TCatalogueSeries& s : FSeries)
    if (std::find(out.begin(), out.end(), s.Manufacturer) == out.end()) out.push_back(s.Manufacturer);
  return out;
}

std::vector<const TCatalogueSeries*> TValveCatalogue::SeriesOf(const std::string& manufacturer,
                                                              int styleId, int trimNo) const {
  std::vector<const TCatalogueSeries*> out;
  for (const TCatalogueSeries& s : FSeries) {
    if (s.Manufacturer != manufacturer) continue;
    if (styleId > 0 && s.StyleId != styleId) continue;
    if (trimNo >= 0 && s.TrimNo != trimNo) continue;
    out.push_back(&s);
  }
  return out;
}

std::vector<TValveOffer> TValveCatalogue::Offers(const TCatalogueSeries& s, const TValveDuty& duty) {
  // The rating family of the pipe (PN flanges to EN pipes, ASME classes to
  // ASME pipes); a series without that family offers its own.
  const bool anyOfFamily = std::any_of(s.Ratings.begin(), s.Ratings.end(), [&](const TCatalogueRating& r) {
    return r.IsAsmeClass() == duty.AsmeRatings;
  });
  std::vector<TValveOffer> out;
  for (const TCatalogueSize& size : s.Sizes) {
    const TCatalogueRating* chosen = nullptr;
    const TCatalogueRating* highest = nullptr;
    for (const TCatalogueRating& r : s.Ratings) {  // lowest pressure first
      if (anyOfFamily && r.IsAsmeClass() != duty.AsmeRatings) continue;
      if (size.DN > r.MaxDN) continue;
      highest = &r;
      if (!chosen && (!Known(duty.p1) || Holds(r, duty))) chosen = &r;
    }
    // No rating holds p1: the highest one, which Fits() then refuses.
    if (!chosen) chosen = highest;
    if (chosen) out.push_back({size, *chosen});
  }
  return out;
}

bool TValveCatalogue::Fits(const TCatalogueSeries& s, const TValveOffer& o, const TValveDuty& duty) {
  if (Known(duty.Kv) && !(o.Size.Kvs >= KvMargin * duty.Kv)) return false;
  if (Known(duty.p1) && !Holds(o.Rating, duty)) return false;
  if (Known(duty.MinDN) && o.Size.DN < duty.MinDN) return false;
  if (Known(duty.n0) && Known(s.Rangeability) && s.Rangeability < duty.n0) return false;
  if (Known(duty.t1) && Known(s.TMax) && duty.t1 > s.TMax) return false;
  if (Known(duty.t1) && Known(s.TMin) && duty.t1 < s.TMin) return false;
  return true;
}

std::vector<TValveOffer> TValveCatalogue::FittingOffers(const TCatalogueSeries& s, const TValveDuty& duty) {
  std::vector<TValveOffer> out;
  for (const TValveOffer& o : Offers(s, duty))
    if (Fits(s, o, duty)) out.push_back(o);
  return out;
}

std::optional<TValveOffer> TValveCatalogue::Select(const TCatalogueSeries& s, const TValveDuty& duty) {
  const std::vector<TValveOffer> fitting = FittingOffers(s, duty);  // by DN, then Kvs
  if (fitting.empty()) return std::nullopt;
  if (!Known(duty.SuggestedKvs)) return fitting.front();
  for (const TValveOffer& o : fitting)
    if (o.Size.Kvs >= duty.SuggestedKvs) return o;
  // Nothing reaches the suggestion: the largest fitting Kvs, the smallest
  // size that offers it.
  const TValveOffer* best = &fitting.front();
  for (const TValveOffer& o : fitting)
    if (o.Size.Kvs > best->Size.Kvs) best = &o;
  return *best;
}

}  // namespace torvacalc
