// Substance property libraries loaded at run time (shared objects found
// beside the program or in the data folder) and the provider that reads a
// substance's properties through them.
//
// Calling convention of every library function: the inputs are passed by
// reference as 8-byte doubles in the order of the input letters of the
// function's name (T temperature in K, P pressure, D density, H enthalpy,
// S entropy, X vapour fraction); when the provider's substance slot is
// greater than -1 it follows as a reference to an int. The function returns
// a double; -9999, -99999, -999999 and -5555 mean "not available". Units of
// the library besides the Kelvin temperature: pressure MPa, density kg/m3,
// enthalpy kJ/kg, entropy and heat capacities kJ/(kg K), viscosity Pa s,
// conductivity W/(m K), molar mass kg/kmol.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/calc_set.h"
#include "media/ext_substances.h"

namespace torvacalc {

// A property library that cannot be used ("Error loading file "%s"").
class ESubstanceLibrary : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One loaded library and the functions resolved from it.
class tDLLEntry {
 public:
  tDLLEntry(std::string name, std::string path, void* handle);
  ~tDLLEntry();
  tDLLEntry(const tDLLEntry&) = delete;
  tDLLEntry& operator=(const tDLLEntry&) = delete;
  const std::string& GetName() const { return FName; }
  const std::string& GetPath() const { return FPath; }
  // The exported function of that name, or nullptr.
  void* GetFunction(const std::string& name);

 private:
  std::string FName, FPath;
  void* FHandle;
  std::map<std::string, void*> FFunctions;
};

// The libraries of the process, each loaded once and kept until the list
// goes.
class tDLLList {
 public:
  // The loaded library of that file name, loading it on first use; nullptr
  // when it cannot be found or loaded.
  tDLLEntry* GetHandle(const std::string& Name);
  // Where a library file is taken from: a name with a folder as it stands;
  // else the program's folder, then the data folder. "" when not found.
  static std::string FindLibrary(const std::string& Name);
  // Why the last load of that file name failed: the loader's answer, or
  // what CheckLibraryFile found; "" when it was not found at all (or loaded).
  const std::string& GetError(const std::string& Name) const;
  // "" for a file that may be handed to the loader, else what is wrong with
  // it ("damaged: ...", "built for another machine", ...).
  static std::string CheckLibraryFile(const std::string& path);

 private:
  tDLLEntry* CreateHandle(const std::string& Name);
  std::map<std::string, std::unique_ptr<tDLLEntry>> FEntries;
  std::map<std::string, std::string> FErrors;
};

tDLLList& DLLList();

// True for the library's answers of a value it cannot give.
bool IsRUBNa(Extended value);

// The state variables the library is given.
enum teInput { inT, inP, inD, inS, inH, inX, inV, inSat };

// A substance of a property library. The state is temperature and pressure
// (Input1 = inT, Input2 = inP); the density is found from the library's
// T(D, P) function, and the other properties follow from (T, D).
class tCustomRUBDLLInterface : public tExtSubstances {
 public:
  explicit tCustomRUBDLLInterface(const std::string& fileName = {}, int slotID = -1);

  const std::string& GetFileName() const { return FFileName; }
  // Sets the library file and loads it (see Load).
  void SetFileName(const std::string& value);
  int GetSlotID() const { return FSlotID; }
  void SetSlotID(int value);
  int GetFunctionID() const { return FFunctionID; }
  void SetFunctionID(int value) { FFunctionID = value; }
  teInput GetInput1() const { return FInput1; }
  teInput GetInput2() const { return FInput2; }
  void SetInputs(teInput input1, teInput input2);

  // Resolves the library's functions; throws ESubstanceLibrary with the text
  // "Error loading file "<file name>"" when the library is not loaded,
  // followed by ": " and the reason where one is known (a damaged or foreign
  // file, the loader's answer).
  void AssignDLLFunctions();
  // Loads the library and resolves its functions. On failure the provider is
  // inactive and GetLoadError holds the error text.
  bool Load();
  const std::string& GetLoadError() const { return FLoadError; }
  // Leaves a loaded library unused (a provider that finds a function it
  // needs missing): inactive, with "Error loading file "<file>": <why>".
  void RefuseLibrary(const std::string& why);
  // The exported names the provider resolves.
  static const std::vector<std::string>& FunctionNames();
  bool HasFunction(const std::string& name) const;

  void SetT(Extended value) override;
  void SetP(Extended value) override;
  void SetLiquid(bool value) override;
  Extended GetValue(TExtProperty p) override;
  void SetValue(TExtProperty p, Extended value, bool overrule = true) override;

  // One call function per input combination. Temperatures are given in degC
  // and passed in K; every other value is passed as it is. NoValue when an
  // input is missing, the function is not resolved, the library answers one
  // of its "not available" markers or the call fails.
  Extended CallTRhoFunction(const std::string& f, Extended T, Extended Rho);
  Extended CallTPFunction(const std::string& f, Extended T, Extended P);
  Extended CallTHFunction(const std::string& f, Extended T, Extended H);
  Extended CallTSFunction(const std::string& f, Extended T, Extended S);
  Extended CallTXFunction(const std::string& f, Extended T, Extended X);
  Extended CallPHFunction(const std::string& f, Extended P, Extended H);
  Extended CallPSFunction(const std::string& f, Extended P, Extended S);
  Extended CallPXFunction(const std::string& f, Extended P, Extended X);
  Extended CallHSFunction(const std::string& f, Extended H, Extended S);
  Extended CallRhoHFunction(const std::string& f, Extended Rho, Extended H);
  Extended CallRhoSFunction(const std::string& f, Extended Rho, Extended S);
  Extended CallRhoPFunction(const std::string& f, Extended Rho, Extended P);
  Extended CallTFunction(const std::string& f, Extended T);
  Extended CallPFunction(const std::string& f, Extended P);
  Extended CallXFunction(const std::string& f, Extended X);
  // No state argument (substance constants).
  Extended CallNFunction(const std::string& f);
  // A function answering an integer (capabilities, error code).
  Extended CalliFunction(const std::string& f);

 private:
  Extended Call(const std::string& f, int count, Extended a, Extended b);
  Extended Compute(TExtProperty p);
  Extended DensityFromTP();
  void InputChanged();

  std::string FFileName;
  int FSlotID;
  int FFunctionID = 0;
  teInput FInput1 = inT, FInput2 = inP;
  tDLLEntry* FEntry = nullptr;
  std::map<std::string, void*> FFunctions;
  std::string FLoadError;
  TCalcSet Cache;
};

// The provider the substance engine creates for a substance of the library
// list: its library file and slot.
class tRUBDLLInterface : public tCustomRUBDLLInterface {
 public:
  using tCustomRUBDLLInterface::tCustomRUBDLLInterface;
};

}  // namespace torvacalc
