// Read access to the valve database, an SQLite file built from
// data/valves.sql: the valve styles and their typical factors, the valve
// descriptions with measured curves and polynomials, and the tables for
// manufacturers' series and sizes.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/sqlite_reader.h"
#include "valves/valve_description.h"

namespace torvacalc {

// The valve database cannot be opened or read.
class EValveDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One size of a manufacturer's valve series.
struct TValveSize {
  int SeriesId = 0;
  Extended DN = NoValue;    // nominal size, mm
  Extended DNV1 = NoValue;  // reduced inner size, mm
  Extended Seat = NoValue;  // seat diameter, mm
  Extended Kvs = NoValue;   // m3/h
  Extended Travel = NoValue;  // rated travel, mm
  // The size's own factors at 75 % opening; missing ones come from the trim.
  Extended FL = NoValue, xT = NoValue, Fd = NoValue, Kc = NoValue, Zy = NoValue;
  int DescriptionId = 0;    // 0: none
};

struct TValveSeries {
  int Id = 0;
  std::string Manufacturer;
  std::string Name;
  int StyleId = 0;
  int TrimNo = 0;
  teCharacteristicType Characteristic = ctEqualPercentage;
};

class TValveDatabase {
 public:
  // The file name of the database in the program's data folder.
  static constexpr const char* FileName = "Valves.CDS";

  // Opens the database read-only. Throws EValveDatabase when the file is
  // missing or is not a valve database.
  explicit TValveDatabase(const std::string& path);

  // The database of the program's data folder.
  static std::unique_ptr<TValveDatabase> OpenDefault();

  // The tables. A damaged table reads as empty; the calculation then works
  // without database values.
  std::vector<TValveStyle> Styles() const;
  // The trims of one style, or of every style (0) by style and number.
  std::vector<TTrimStyle> Trims(int styleId) const;
  std::optional<TTrimStyle> Trim(int styleId, int trimNo) const;
  std::vector<TValveSeries> Series(int styleId = 0) const;
  std::vector<TValveSize> Sizes(int seriesId) const;
  // The description with its curves and polynomials.
  std::optional<tValveDescription> Description(int id) const;
  std::vector<int> DescriptionIds() const;

  const std::string& Path() const { return file_.Path(); }

 private:
  TSqliteReader file_;
};

}  // namespace torvacalc
