#include "catalogue/actuator.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "framework/options.h"
#include "framework/sqlite_reader.h"

namespace torvacalc {

namespace {

constexpr Extended kPi = 3.14159265358979323846L;
constexpr Extended kInch = 25.4L;
constexpr Extended kLbf = 4.4482216152605L;

// Typical packing friction of PTFE V-ring packing (lbf) by stem diameter
// (in): single and double sets.
struct TPackingRow {
  Extended Stem, Single, Double;
};
constexpr TPackingRow kPacking[] = {
    {5.0L / 16, 20, 30}, {3.0L / 8, 38, 56},   {0.5L, 50, 75},     {5.0L / 8, 63, 95},
    {0.75L, 75, 112.5L}, {1.0L, 100, 150},     {1.25L, 120, 180},  {2.0L, 200, 300}};

// Seat load by shutoff class (lbf per inch of seat circumference); class IV
// has a second value for large ports (see the header).
constexpr Extended kSeatLoad[] = {20, 20, 40, 40, 300, 300};
constexpr Extended kSeatLoadIVLarge = 80;

}  // namespace

Extended tActuator::CircleArea(Extended d) {
  if (!Available(d) || d < 0) return NoValue;
  return kPi * d * d / 4;
}

Extended tActuator::TypicalStem(Extended seat) {
  if (!Available(seat) || seat <= 0) return NoValue;
  if (seat <= 25) return 3.0L / 8 * kInch;
  if (seat <= 50) return 0.5L * kInch;
  if (seat <= 100) return 0.75L * kInch;
  if (seat <= 200) return 1.0L * kInch;
  return 1.25L * kInch;
}

Extended tActuator::UnbalancedForce(Extended dp, Extended seat, Extended stem, bool balanced) {
  const Extended area = CircleArea(balanced ? stem : seat);
  if (!Available(dp, area) || dp < 0) return NoValue;
  // 1 bar = 0.1 N/mm2.
  return 0.1L * dp * area;
}

Extended tActuator::PackingFriction(Extended stem, TEPackingType packing) {
  if (!Available(stem) || stem <= 0) return NoValue;
  const auto value = [packing](const TPackingRow& r) {
    return packing == pkPTFEDouble ? r.Double : r.Single;
  };
  const Extended d = stem / kInch;
  constexpr size_t n = sizeof(kPacking) / sizeof(kPacking[0]);
  if (d <= kPacking[0].Stem) return value(kPacking[0]) * kLbf;
  if (d >= kPacking[n - 1].Stem) return value(kPacking[n - 1]) * kLbf;
  for (size_t i = 1; i < n; ++i) {
    const TPackingRow &a = kPacking[i - 1], &b = kPacking[i];
    if (d <= b.Stem) {
      const Extended f = (d - a.Stem) / (b.Stem - a.Stem);
      return (value(a) + f * (value(b) - value(a))) * kLbf;
    }
  }
  return NoValue;
}

Extended tActuator::SeatLoadPerLength(TELeakageClass cls, Extended seat) {
  if (cls < lcI || cls > lcVI) return NoValue;
  Extended lbfPerIn = kSeatLoad[cls];
  if (cls == lcIV && Available(seat) && seat > ClassIVLargePort) lbfPerIn = kSeatLoadIVLarge;
  return lbfPerIn * NPerMmPerLbfPerIn;
}

Extended tActuator::SeatLoad(TELeakageClass cls, Extended seat) {
  if (!Available(seat) || seat <= 0) return NoValue;
  const Extended perLength = SeatLoadPerLength(cls, seat);
  return Available(perLength) ? perLength * kPi * seat : NoValue;
}

Extended tActuator::DiaphragmThrust(Extended area, Extended springStart, Extended springEnd,
                                    TEFailPosition fail, Extended supply) {
  if (!Available(area) || area <= 0) return NoValue;
  // 1 bar on 1 cm2 = 10 N.
  switch (fail) {
    case fpClose:
      if (!Available(springStart) || springStart < 0) return NoValue;
      return 10 * area * springStart;
    case fpOpen: {
      if (!Available(springEnd, supply)) return NoValue;
      const Extended net = supply - springEnd;
      return net > 0 ? 10 * area * net : Extended(0);
    }
    default: return NoValue;
  }
}

Extended tActuator::AvailableThrust(const TActuatorRecord& a, Extended supply) {
  if (a.Kind == akElectric) return a.Thrust;
  return DiaphragmThrust(a.Area, a.SpringStart, a.SpringEnd, a.Fail, supply);
}

std::optional<size_t> tActuator::Select(const std::vector<TActuatorRecord>& catalogue,
                                        TEActuatorKind kind, TEFailPosition fail, Extended required,
                                        Extended reservePercent, Extended stroke, Extended supply) {
  if (!Available(required) || required < 0) return std::nullopt;
  const Extended reserve = Available(reservePercent) && reservePercent > 0 ? reservePercent : 0;
  const Extended needed = required * (1 + reserve / 100);
  std::optional<size_t> best;
  Extended bestThrust = NoValue;
  for (size_t i = 0; i < catalogue.size(); ++i) {
    const TActuatorRecord& a = catalogue[i];
    if (a.Kind != kind) continue;
    if (kind == akDiaphragm) {
      if (fail != fpStay && a.Fail != fail) continue;
      if (Available(supply, a.MaxSupply) && supply > a.MaxSupply) continue;
      // Failing closed, the air must lift the plug against the whole spring.
      if (a.Fail == fpClose && Available(supply, a.SpringEnd) && supply < a.SpringEnd) continue;
    }
    if (Available(stroke) && (!Available(a.Stroke) || a.Stroke < stroke)) continue;
    // A fail-open diaphragm without a supply pressure cannot be judged.
    const Extended thrust = AvailableThrust(a, supply);
    if (!Available(thrust) || thrust < needed) continue;
    if (!best || thrust < bestThrust) {
      best = i;
      bestThrust = thrust;
    }
  }
  return best;
}

TActuatorDatabase::TActuatorDatabase(const std::string& path)
    : FReader(std::make_unique<TSqliteReader>(path, std::vector<std::string>{"Actuator"}, "Antriebsdatenbank")) {}

TActuatorDatabase::~TActuatorDatabase() = default;

std::unique_ptr<TActuatorDatabase> TActuatorDatabase::OpenDefault() {
  return std::make_unique<TActuatorDatabase>(
      (std::filesystem::path(ProgramDataDir()) / FileName).string());
}

std::vector<TActuatorRecord> TActuatorDatabase::Actuators() const {
  // Ordered by kind (as SQLite orders text, byte by byte) and ID here: the
  // few rows sort faster than SQLite's sorter starts. The places are
  // sorted, not the records, which are large to move.
  std::vector<TActuatorRecord> rows;
  std::vector<std::string> kinds;
  FReader->Query(
      "SELECT ID, Manufacturer, Name, Kind, FailPosition, Area, SpringStart, SpringEnd, MaxSupply, "
      "Stroke, Thrust, Speed FROM Actuator",
      [&](const TSqliteRow& r) {
        TActuatorRecord& a = rows.emplace_back();
        a.Id = r.Integer(0);
        a.Manufacturer = r.Text(1);
        a.Name = r.Text(2);
        std::string kind = r.Text(3);
        a.Kind = kind == "electric" ? akElectric : akDiaphragm;
        const std::string fail = r.Text(4);
        a.Fail = fail == "open" ? fpOpen : fail == "close" ? fpClose : fpStay;
        a.Area = r.Real(5);
        a.SpringStart = r.Real(6);
        a.SpringEnd = r.Real(7);
        a.MaxSupply = r.Real(8);
        a.Stroke = r.Real(9);
        a.Thrust = r.Real(10);
        a.Speed = r.Real(11);
        kinds.push_back(std::move(kind));
      });
  std::vector<size_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return kinds[a] != kinds[b] ? kinds[a] < kinds[b] : rows[a].Id < rows[b].Id;
  });
  std::vector<TActuatorRecord> out;
  out.reserve(rows.size());
  for (const size_t i : order) out.push_back(std::move(rows[i]));
  return out;
}

}  // namespace torvacalc
