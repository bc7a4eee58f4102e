// The pipe-class database (Pipes.CDS, built from data/pipes.sql): standard
// pipes by nominal size DN and rating, with outside diameter and wall
// thickness in mm. A rating is a nominal pressure PN (bar) for the EN
// classes and a schedule (no pressure) for the ASME classes.
//
// Besides the database this header holds the plain rules of pipe geometry
// and of the pressure rating, as class routines that take every input.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "framework/basics.h"

namespace torvacalc {

// The pipe-class database cannot be opened or is not one.
class EPipeDatabase : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TPipeRating {
  std::string Label;     // "PN 16", "Sch 40", "STD"
  Extended PN = NoValue;  // bar; NoValue for a schedule
};

struct TPipeClass {
  int Id = 0;
  std::string Name, NameEn, Source;
  std::vector<int> DNs;                // ascending
  std::vector<TPipeRating> Ratings;    // in the order listed
  // True when the ratings carry pressures (the pressure check applies).
  bool HasPNValues() const;
};

struct TPipeDimensions {
  Extended Da = NoValue;  // mm
  Extended t = NoValue;   // mm
};

class TSqliteReader;
class TSqliteStatement;

class TPipeDatabase {
 public:
  static constexpr const char* FileName = "Pipes.CDS";

  // Reads the classes with their ratings; the nominal sizes of a class are
  // read the first time the class is asked for, a pipe's dimensions the
  // first time they are, from the file kept open. Throws EPipeDatabase
  // when the file is missing or is not a pipe-class database. A page
  // damaged in the pipes shows as a class without those pipes.
  explicit TPipeDatabase(const std::string& path);
  ~TPipeDatabase();
  // The database of the program's data folder, read once per process;
  // nullptr when it cannot be read (the module then works with the
  // dimensions the user enters). Safe to ask from several threads; a
  // class, once given, stays as it is for the database's life.
  static const TPipeDatabase* Default();

  // The class names in the database's order (what a choice list shows).
  const std::vector<std::string>& ClassNames() const { return FClassNames; }
  // Every class with its sizes; one of them (in the order of ClassNames).
  const std::vector<TPipeClass>& Classes() const;
  const TPipeClass& ClassAt(size_t index) const;
  const TPipeClass* ClassByName(const std::string& name) const;
  // The pipe of (DN, rating) in a class; NoValue dimensions when the class
  // does not hold it.
  TPipeDimensions Dimensions(int classId, int DN, const std::string& rating) const;

 private:
  void ReadSizes(size_t index) const;

  std::vector<std::string> FClassNames;
  // The lock guards the reader, its statements and everything read after
  // the start. The statements are declared after the reader: they go
  // before it.
  mutable std::mutex FLock;
  std::unique_ptr<TSqliteReader> FDb;
  mutable std::unique_ptr<TSqliteStatement> FSizes, FPipe;
  mutable std::vector<TPipeClass> FClasses;  // never resized after the start
  mutable std::vector<bool> FSizesRead;
  mutable std::map<std::tuple<int, int, std::string>, TPipeDimensions> FDimensions;
};

// Geometry and rating rules of a pipe.
struct TPipeGeometry {
  // Inner diameter from outside diameter and wall: Di = Da - 2 t. NoValue
  // unless Da > 0, t >= 0 and the wall leaves a bore.
  static Extended InnerDiameter(Extended Da, Extended t);
  // Wall from outside and inner diameter: t = (Da - Di) / 2. NoValue
  // unless 0 < Di < Da.
  static Extended WallThickness(Extended Da, Extended Di);
  // The operating pressure p1 (bar abs) exceeds a nominal pressure PN
  // (bar). A PN stage is the gauge pressure a part may carry at 20 degC;
  // p1 is compared with PN + 1 bar (the stage as an absolute pressure, the
  // atmosphere rounded to 1 bar) keeping half a bar of margin: PN + 1 <
  // p1 + 0.5, so that PN 16 holds up to p1 = 16.5 bar abs.
  static bool ExceedsPN(Extended PN, Extended p1);
  // The index of the first rating whose PN holds p1 (ratings ascending by
  // PN as a class lists them); -1 when none does or p1 is not known.
  static int RatingIndexByPressure(const std::vector<TPipeRating>& ratings, Extended p1);
  // The index of the smallest DN not below the valve size DNV (a pipe is
  // at least as large as the valve in it); -1 when DNV exceeds all of
  // them, for an empty list or without DNV.
  static int DNIndexForValve(const std::vector<int>& DNs, Extended DNV);
};

}  // namespace torvacalc
