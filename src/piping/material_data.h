// Materials of pipes and valve bodies: the description of one material
// (tEN13480Description) with its values over temperature, and the
// material database (Materials.CDS, built from data/materials.sql).
//
// Units of the description: temperatures in degC, strengths in N/mm2, the
// modulus of elasticity in kN/mm2 as the tables give it (CalculateEt
// returns N/mm2), mean expansion coefficients from 20 degC in 10^-6/K as
// tabulated (CalculateBeta20t returns 1/K), thermal conductivity in
// W/(m K), specific heat in J/(kg K), densities in kg/m3.
//
// Every Calculate... function returns the value at a temperature and sets
// `approximated` when the value had to be extrapolated:
//  1. the table (tMatValues): linear interpolation between the two rows
//     that enclose t among the rows where the column has a value;
//  2. outside those rows, the polynomial of the property when it is valid
//     at t (LambdaPoly, beta20Poly, cpPoly, emPoly);
//  3. otherwise an extrapolation, flagged: below the first row its value
//     (strengths and physical properties change little on cooling, and
//     the first row is the safe side for strengths), above the last row
//     the straight line through the last two rows, or the last value when
//     there is only one; a line that falls to zero or below gives NoValue;
//     a polynomial used outside its range is flagged the same way.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/basics.h"
#include "framework/item_tag.h"

namespace torvacalc {

// A polynomial in temperature: y = k0 + k1 t + ... + k4 t^4 on [Tmin, Tmax].
struct tMatPoly {
  bool Valid = false;
  std::array<Extended, 5> k{};
  Extended Tmin = NoValue, Tmax = NoValue;
  // The value at t; outside [Tmin, Tmax] flagged as approximated. NoValue
  // when the polynomial is not valid or t is missing.
  Extended GetPolyValue(Extended t, bool& approximated) const;
};

// One row of the table over temperature; NoValue where not published.
struct tMatValueRow {
  Extended T = NoValue;
  // Al: the true (differential) expansion coefficient at T (10^-6/K) and
  // At: the thermal elongation from 20 degC (mm/m), where a source gives
  // them; otherwise both follow from Beta20.
  Extended Al = NoValue, At = NoValue, Beta20 = NoValue, EM = NoValue, Lambda = NoValue;
  Extended Rm = NoValue, Rp02 = NoValue, Rp10 = NoValue, SRt = NoValue;
  Extended Cp = NoValue;  // where the source tabulates the specific heat
};

// The columns of the table.
enum teMatColumn : std::uint8_t { mcAl, mcAt, mcBeta20, mcEM, mcLambda, mcRm, mcRp02, mcRp10, mcSRt, mcCp };

enum teSteelType : std::uint8_t { stFerritic, stAustenitic, stNonFerrous };

class tEN13480Description {
 public:
  static constexpr size_t MaxRows = 100;

  std::string MatDinNo;      // material number, "1.0345"
  std::string MatName;       // "P235GH"
  Extended MatSmax = NoValue;   // thickness up to which the values hold, mm
  Extended Matrho20 = NoValue;  // density at 20 degC
  Extended MatAt = NoValue, MatAl = NoValue;  // catalogue expansion data (see tMatValueRow)
  Extended MatCf = NoValue;     // specific heat at 20 degC when no table or polynomial gives one
  int MatFlag = 0;              // 0 ferritic, 1 austenitic, 2 non-ferrous (the group's steel type)
  bool MatModified = false;     // changed by the user after it was read
  Extended MatMinT = NoValue, MatMaxT = NoValue, MatMinWarnT = NoValue;
  std::string MatGroupName, MatGroupInfoE, MatGroupInfoD;
  std::string Standard, Condition, ExpansionClassName, Source;
  tMatPoly LambdaPoly, beta20Poly, cpPoly, emPoly;
  // Creep data: design factor ft and the hours h of the creep rupture
  // strength (20 and 200000 when the source does not say).
  Extended ft = 20, h = 200000;

  // The table, ascending in temperature; at most MaxRows rows (further
  // rows are dropped).
  const std::vector<tMatValueRow>& Values() const { return FValues; }
  void SetValues(std::vector<tMatValueRow> rows);

  // The value of a column at t by the rules above; NoValue when the column
  // has neither rows nor a polynomial.
  Extended LinearInterpolation(teMatColumn column, Extended t, bool& approximated) const;

  Extended CalculateBeta20t(Extended t, bool& approximated) const;  // 1/K
  // Density at t: rho20 / (1 + beta20,t (t - 20))^3; without an expansion
  // coefficient rho20, approximated outside 0 to 50 degC.
  Extended CalculateRhot(Extended t, bool& approximated) const;
  Extended CalculateEt(Extended t, bool& approximated) const;  // N/mm2
  Extended CalculateLambdat(Extended t, bool& approximated) const;
  Extended CalculateCpt(Extended t, bool& approximated) const;  // J/(kg K)
  Extended CalculateRm(Extended t, bool& approximated) const;
  Extended CalculateRp02(Extended t, bool& approximated) const;
  Extended CalculateRp10(Extended t, bool& approximated) const;
  Extended CalculateSRt(Extended t, bool& approximated) const;
  // The true expansion coefficient at t in 10^-6/K: the tabulated Al, or
  // the slope of beta20,t (t - 20).
  Extended CalculateAl(Extended t, bool& approximated) const;
  // Thermal elongation from 20 degC in mm/m: the tabulated At, or
  // beta20,t (t - 20) from the mean coefficient.
  Extended CalculateAt(Extended t, bool& approximated) const;
  teSteelType CalculateSteelType() const;

  // The description in a calculation file (the material chosen when it was
  // saved, so that a file shows its values even with another database).
  void SaveToTag(TItemTagWriter& tag) const;
  void LoadFromTag(const TItemTagReader& tag);

 private:
  static Extended Column(const tMatValueRow& row, teMatColumn column);
  const tMatPoly* PolyOf(teMatColumn column) const;
  std::vector<tMatValueRow> FValues;
};

// The material database cannot be opened or is not one.
class EMaterialDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TMaterialEntry {
  std::string No, Name, Standard, Condition, GroupName, ExpansionClass;
  int ClassId = 0;
};

class TSqliteReader;
class TSqliteStatement;

class TMaterialDatabase {
 public:
  static constexpr const char* FileName = "Materials.CDS";
  // Reads what the choice lists show (materials, groups, expansion
  // classes); the values of a material over temperature are read the first
  // time it is asked for, from the file kept open. Throws EMaterialDatabase
  // when the file is missing or not a material database. A page damaged
  // in the values of a material shows as a material without values.
  explicit TMaterialDatabase(const std::string& path);
  ~TMaterialDatabase();
  // The database of the program's data folder, read once; nullptr when it
  // cannot be read. Safe to ask from several threads.
  static const TMaterialDatabase* Default();

  const std::vector<TMaterialEntry>& Materials() const { return FEntries; }
  // Expansion classes by name, in the database's order.
  const std::vector<std::string>& ExpansionClasses() const { return FClassNames; }
  const std::vector<std::string>& Groups() const { return FGroupNames; }
  std::vector<std::string> Conditions() const;
  // Located by number or name (not case-sensitive), nullptr when unknown.
  // A description, once given, stays as it is for the database's life.
  const tEN13480Description* ByNo(const std::string& no) const;
  const tEN13480Description* ByName(const std::string& name) const;
  // A description of the physical properties of an expansion class alone
  // (no strengths).
  const tEN13480Description* ByExpansionClass(const std::string& name) const;

 private:
  // The physical properties of an expansion class, read with the first
  // material of the class (or the class itself) asked for.
  struct TClassData {
    int Id = 0;
    Extended Rho20 = NoValue;
    bool Read = false;
    std::vector<tMatValueRow> Rows;
    std::map<std::string, tMatPoly> Polys;
  };
  TClassData* ClassOf(int id) const;
  void ReadClass(TClassData& c) const;
  void ApplyClass(tEN13480Description& d, TClassData& c) const;
  const tEN13480Description* Filled(size_t material) const;

  std::vector<TMaterialEntry> FEntries;
  std::vector<std::string> FClassNames, FGroupNames;
  // The lock guards the reader, its statements and every filling below;
  // the descriptions never move, and a filled one does not change. The
  // statements are declared after the reader: they go before it.
  mutable std::mutex FLock;
  std::unique_ptr<TSqliteReader> FDb;
  mutable std::unique_ptr<TSqliteStatement> FStrength, FPhysical, FPolys;
  mutable std::vector<TClassData> FClasses;
  std::vector<std::unique_ptr<tEN13480Description>> FDescriptions;
  mutable std::vector<bool> FFilled;
  mutable std::vector<std::unique_ptr<tEN13480Description>> FClassDescriptions;
};

}  // namespace torvacalc
