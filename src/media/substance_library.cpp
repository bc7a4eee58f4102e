#include "media/substance_library.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "framework/options.h"

namespace torvacalc {

namespace fs = std::filesystem;

// ------------------------------------------------------------- tDLLEntry

tDLLEntry::tDLLEntry(std::string name, std::string path, void* handle)
    : FName(std::move(name)), FPath(std::move(path)), FHandle(handle) {}

tDLLEntry::~tDLLEntry() {
  if (FHandle) dlclose(FHandle);
}

void* tDLLEntry::GetFunction(const std::string& name) {
  const auto it = FFunctions.find(name);
  if (it != FFunctions.end()) return it->second;
  void* f = FHandle ? dlsym(FHandle, name.c_str()) : nullptr;
  FFunctions.emplace(name, f);
  return f;
}

// -------------------------------------------------------------- tDLLList

std::string tDLLList::FindLibrary(const std::string& Name) {
  if (Name.empty()) return {};
  std::error_code ec;
  if (Name.find('/') != std::string::npos) return fs::exists(Name, ec) ? Name : std::string();
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path beside = exe.parent_path() / Name;
    if (fs::exists(beside, ec)) return beside.string();
  }
  // An installation keeps them under PREFIX/lib/torvacalc; $TORVACALC_DATA
  // (a build tree, a test) may name a folder that holds them too.
  for (const std::string& folder : {ProgramLibraryDir(), ProgramDataDir()}) {
    const fs::path library = fs::path(folder) / Name;
    if (fs::exists(library, ec)) return library.string();
  }
  return {};
}

tDLLEntry* tDLLList::GetHandle(const std::string& Name) {
  const auto it = FEntries.find(Name);
  if (it != FEntries.end()) return it->second.get();
  return CreateHandle(Name);
}

namespace {

// The ELF header of this program: a library must match its class, byte
// order and machine.
const ElfW(Ehdr)* OwnHeader() {
  static const auto header = [] {
    ElfW(Ehdr) h{};
    std::ifstream f("/proc/self/exe", std::ios::binary);
    if (!f.read(reinterpret_cast<char*>(&h), sizeof h)) h = {};
    return h;
  }();
  return header.e_ident[EI_MAG0] == ELFMAG0 ? &header : nullptr;
}

bool Beyond(uint64_t offset, uint64_t length, uint64_t size) {
  return offset > size || length > size - offset;
}

}  // namespace

// The loader maps a shared object segment by segment as its program
// headers declare them; where the file is shorter (a copy broken off, a
// download cut short) the pages past its end are mapped all the same, and
// the first access to one kills the process with SIGBUS, inside dlopen or
// in a later call. So the file is checked before the loader sees it: an ELF
// shared object of this program's class, byte order and machine, whose
// header tables and every segment lie within the file. What is no ELF file
// at all (empty, text, a folder) is left to dlopen, which refuses it.
std::string tDLLList::CheckLibraryFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  const uint64_t size = fs::file_size(path, ec);
  std::ifstream f(path, std::ios::binary);
  unsigned char ident[EI_NIDENT] = {};
  if (ec || !f.read(reinterpret_cast<char*>(ident), EI_NIDENT) ||
      std::memcmp(ident, ELFMAG, SELFMAG) != 0)
    return {};
  const ElfW(Ehdr)* own = OwnHeader();
  if (own && (ident[EI_CLASS] != own->e_ident[EI_CLASS] || ident[EI_DATA] != own->e_ident[EI_DATA]))
    return "built for another system (ELF class or byte order)";
  ElfW(Ehdr) h;
  f.seekg(0);
  if (!f.read(reinterpret_cast<char*>(&h), sizeof h))
    return "damaged: " + std::to_string(size) + " bytes, shorter than its ELF header";
  if (own && h.e_machine != own->e_machine) return "built for another machine";
  if (h.e_type != ET_DYN) return "no shared library";
  if (h.e_phnum == 0 || h.e_phentsize != sizeof(ElfW(Phdr)))
    return "damaged: no valid program header table";
  auto cut = [&](uint64_t need) {
    return "damaged: the file ends after " + std::to_string(size) + " bytes, its contents reach to byte " +
           std::to_string(need);
  };
  const uint64_t phBytes = uint64_t{h.e_phnum} * h.e_phentsize;
  if (Beyond(h.e_phoff, phBytes, size)) return cut(h.e_phoff + phBytes);
  if (h.e_shoff != 0) {
    const uint64_t shBytes = uint64_t{h.e_shnum > 0 ? h.e_shnum : 1u} * h.e_shentsize;
    if (Beyond(h.e_shoff, shBytes, size)) return cut(h.e_shoff + shBytes);
  }
  std::vector<ElfW(Phdr)> ph(h.e_phnum);
  f.seekg(static_cast<std::streamoff>(h.e_phoff));
  if (!f.read(reinterpret_cast<char*>(ph.data()), static_cast<std::streamsize>(phBytes)))
    return cut(h.e_phoff + phBytes);
  for (const ElfW(Phdr)& p : ph)
    if (p.p_filesz > 0 && Beyond(p.p_offset, p.p_filesz, size)) return cut(p.p_offset + p.p_filesz);
  return {};
}

tDLLEntry* tDLLList::CreateHandle(const std::string& Name) {
  FErrors.erase(Name);
  const std::string path = FindLibrary(Name);
  if (path.empty()) return nullptr;
  if (std::string why = CheckLibraryFile(path); !why.empty()) {
    FErrors[Name] = path + " is " + why;
    return nullptr;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    FErrors[Name] = why ? why : path + " cannot be loaded";
    return nullptr;
  }
  auto entry = std::make_unique<tDLLEntry>(Name, path, handle);
  tDLLEntry* result = entry.get();
  FEntries.emplace(Name, std::move(entry));
  return result;
}

const std::string& tDLLList::GetError(const std::string& Name) const {
  static const std::string none;
  const auto it = FErrors.find(Name);
  return it == FErrors.end() ? none : it->second;
}

tDLLList& DLLList() {
  static tDLLList list;
  return list;
}

bool IsRUBNa(Extended value) {
  return value == -9999 || value == -99999 || value == -999999 || value == -5555;
}

// ------------------------------------------------- tCustomRUBDLLInterface

namespace {

constexpr int SlotOf(TExtProperty p) { return static_cast<int>(p); }

Extended Kelvin(Extended t) { return IsNoValue(t) ? NoValue : t + ZeroCelsius; }

}  // namespace

const std::vector<std::string>& tCustomRUBDLLInterface::FunctionNames() {
  static const std::vector<std::string> names = {
      // properties of (T, D)
      "DPDTOTD", "DPDDOTD", "DDDTOTD", "FUGOTD", "CVOTD", "CPOTD", "RJTOTD", "PRNOTD", "TCONOTD",
      "CAPOTD", "THCOTD", "VISOTD", "VKIOTD",
      // state inversions
      "DOTHZ", "DOTSZ", "TODPZ", "DJTIOT", "DLOHZ", "DVOHZ",
      // saturation
      "PSATOT", "PSATLOH", "PSATVOH", "PSATVOHZ", "PSATOS", "TSATOS", "TSATLOH", "TSATVOH",
      "TSATVOHZ", "TSATOP", "TSATOD", "PSATOD",
      // substance constants and capabilities, error code
      "TCRIT", "PCRIT", "DCRIT", "TTRIPEL", "SUBSTMOLM", "IVISCALC", "ITCONCALC", "PROBAR",
      "HHMAXOUT", "ECODERUB",
      // diagram tables
      "DIAGRAMCPDP", "DIAGRAMCPDT", "DIAGRAMCPPT", "DIAGRAMCPTP", "DIAGRAMCVDP", "DIAGRAMCVDT",
      "DIAGRAMCVPT", "DIAGRAMCVTP", "DIAGRAMHPT", "DIAGRAMHSP", "DIAGRAMHTP", "DIAGRAMHDP",
      "DIAGRAMHDT", "DIAGRAMHST", "DIAGRAMPTD", "DIAGRAMPDH", "DIAGRAMPDS", "DIAGRAMPDT",
      "DIAGRAMPHS", "DIAGRAMPHT", "DIAGRAMTCONPT", "DIAGRAMTCONTP", "DIAGRAMTDP", "DIAGRAMTSH",
      "DIAGRAMTSP", "DIAGRAMVISPT", "DIAGRAMVISTP", "DIAGRAMZPT", "DIAGRAMZTP", "DIAGRAMVKIPT",
      "DIAGRAMVKITP", "DIAGRAMWDP", "DIAGRAMWDT", "DIAGRAMWPT", "DIAGRAMWTP"};
  return names;
}

tCustomRUBDLLInterface::tCustomRUBDLLInterface(const std::string& fileName, int slotID)
    : FFileName(fileName), FSlotID(slotID) {
  FActive = false;
  if (!FFileName.empty()) Load();
}

void tCustomRUBDLLInterface::SetFileName(const std::string& value) {
  FFileName = value;
  Load();
}

void tCustomRUBDLLInterface::SetSlotID(int value) {
  if (FSlotID == value) return;
  FSlotID = value;
  InputChanged();
}

void tCustomRUBDLLInterface::SetInputs(teInput input1, teInput input2) {
  FInput1 = input1;
  FInput2 = input2;
  InputChanged();
}

void tCustomRUBDLLInterface::AssignDLLFunctions() {
  FFunctions.clear();
  FEntry = DLLList().GetHandle(FFileName);
  if (!FEntry) {
    const std::string& why = DLLList().GetError(FFileName);
    throw ESubstanceLibrary("Error loading file \"" + FFileName + "\"" + (why.empty() ? "" : ": " + why));
  }
  for (const std::string& name : FunctionNames())
    if (void* f = FEntry->GetFunction(name)) FFunctions.emplace(name, f);
}

bool tCustomRUBDLLInterface::Load() {
  FLoadError.clear();
  try {
    AssignDLLFunctions();
    FActive = true;
  } catch (const ESubstanceLibrary& e) {
    FLoadError = e.what();
    FActive = false;
  }
  InputChanged();
  return FActive;
}

void tCustomRUBDLLInterface::RefuseLibrary(const std::string& why) {
  FLoadError = "Error loading file \"" + FFileName + "\": " + why;
  FActive = false;
  InputChanged();
}

bool tCustomRUBDLLInterface::HasFunction(const std::string& name) const {
  return FFunctions.count(name) != 0;
}

Extended tCustomRUBDLLInterface::Call(const std::string& f, int count, Extended a, Extended b) {
  if ((count >= 1 && IsNoValue(a)) || (count >= 2 && IsNoValue(b))) return NoValue;
  const auto it = FFunctions.find(f);
  if (it == FFunctions.end()) return NoValue;
  void* fn = it->second;
  double x = static_cast<double>(a), y = static_cast<double>(b);
  int slot = FSlotID;
  const bool withSlot = FSlotID > -1;
  double r;
  try {
    switch (count) {
      case 0:
        r = withSlot ? std::bit_cast<double (*)(int*)>(fn)(&slot) : std::bit_cast<double (*)()>(fn)();
        break;
      case 1:
        r = withSlot ? std::bit_cast<double (*)(double*, int*)>(fn)(&x, &slot)
                     : std::bit_cast<double (*)(double*)>(fn)(&x);
        break;
      default:
        r = withSlot ? std::bit_cast<double (*)(double*, double*, int*)>(fn)(&x, &y, &slot)
                     : std::bit_cast<double (*)(double*, double*)>(fn)(&x, &y);
        break;
    }
  } catch (...) {
    return NoValue;
  }
  if (!std::isfinite(r) || IsRUBNa(r)) return NoValue;
  return r;
}

Extended tCustomRUBDLLInterface::CallTRhoFunction(const std::string& f, Extended T, Extended Rho) {
  return Call(f, 2, Kelvin(T), Rho);
}
Extended tCustomRUBDLLInterface::CallTPFunction(const std::string& f, Extended T, Extended P) {
  return Call(f, 2, Kelvin(T), P);
}
Extended tCustomRUBDLLInterface::CallTHFunction(const std::string& f, Extended T, Extended H) {
  return Call(f, 2, Kelvin(T), H);
}
Extended tCustomRUBDLLInterface::CallTSFunction(const std::string& f, Extended T, Extended S) {
  return Call(f, 2, Kelvin(T), S);
}
Extended tCustomRUBDLLInterface::CallTXFunction(const std::string& f, Extended T, Extended X) {
  return Call(f, 2, Kelvin(T), X);
}
Extended tCustomRUBDLLInterface::CallPHFunction(const std::string& f, Extended P, Extended H) {
  return Call(f, 2, P, H);
}
Extended tCustomRUBDLLInterface::CallPSFunction(const std::string& f, Extended P, Extended S) {
  return Call(f, 2, P, S);
}
Extended tCustomRUBDLLInterface::CallPXFunction(const std::string& f, Extended P, Extended X) {
  return Call(f, 2, P, X);
}
Extended tCustomRUBDLLInterface::CallHSFunction(const std::string& f, Extended H, Extended S) {
  return Call(f, 2, H, S);
}
Extended tCustomRUBDLLInterface::CallRhoHFunction(const std::string& f, Extended Rho, Extended H) {
  return Call(f, 2, Rho, H);
}
Extended tCustomRUBDLLInterface::CallRhoSFunction(const std::string& f, Extended Rho, Extended S) {
  return Call(f, 2, Rho, S);
}
Extended tCustomRUBDLLInterface::CallRhoPFunction(const std::string& f, Extended Rho, Extended P) {
  return Call(f, 2, Rho, P);
}
Extended tCustomRUBDLLInterface::CallTFunction(const std::string& f, Extended T) {
  return Call(f, 1, Kelvin(T), 0);
}
Extended tCustomRUBDLLInterface::CallPFunction(const std::string& f, Extended P) {
  return Call(f, 1, P, 0);
}
Extended tCustomRUBDLLInterface::CallXFunction(const std::string& f, Extended X) {
  return Call(f, 1, X, 0);
}
Extended tCustomRUBDLLInterface::CallNFunction(const std::string& f) { return Call(f, 0, 0, 0); }

Extended tCustomRUBDLLInterface::CalliFunction(const std::string& f) {
  const auto it = FFunctions.find(f);
  if (it == FFunctions.end()) return NoValue;
  int slot = FSlotID;
  int r;
  try {
    r = FSlotID > -1 ? std::bit_cast<int (*)(int*)>(it->second)(&slot)
                     : std::bit_cast<int (*)()>(it->second)();
  } catch (...) {
    return NoValue;
  }
  return IsRUBNa(r) ? NoValue : static_cast<Extended>(r);
}

void tCustomRUBDLLInterface::InputChanged() { Cache.InvalidateAll(); }

void tCustomRUBDLLInterface::SetT(Extended value) {
  if (SameInput(value, FT)) return;
  FT = value;
  InputChanged();
}

void tCustomRUBDLLInterface::SetP(Extended value) {
  if (SameInput(value, FP)) return;
  FP = value;
  InputChanged();
}

void tCustomRUBDLLInterface::SetLiquid(bool value) {
  if (value == FLiquid) return;
  FLiquid = value;
  InputChanged();
}

Extended tCustomRUBDLLInterface::GetValue(TExtProperty p) {
  if (p < 0 || p >= epCount) return NoValue;
  if (!Cache.GetShouldBecalculated(SlotOf(p))) return FValues[p];
  const Extended v = FActive ? Compute(p) : NoValue;
  FValues[p] = IsNoValue(v) ? NoValue : v;
  Cache.SetValid(SlotOf(p));
  return FValues[p];
}

void tCustomRUBDLLInterface::SetValue(TExtProperty p, Extended value, bool overrule) {
  if (p < 0 || p >= epCount)
    throw EHXInternal("property " + std::to_string(p), "tCustomRUBDLLInterface");
  Cache.SetIsOverruled(SlotOf(p), overrule);
  if (!overrule) {
    Cache.SetValid(SlotOf(p), false);
    return;
  }
  FValues[p] = IsNoValue(value) ? NoValue : value;
  // Everything may follow from an overruled value (the density feeds all
  // properties of (T, D)).
  Cache.InvalidateAll();
  ResultsChanged();
}

Extended tCustomRUBDLLInterface::DensityFromTP() {
  if (FInput1 != inT || FInput2 != inP || !Available(FT, FP) || FP <= 0) return NoValue;
  // The library gives T(D, P); its inverse by the secant method on ln D,
  // started at the ideal-gas density.
  const Extended pMPa = FP / 10, TK = FT + ZeroCelsius;
  const Extended M = GetM();
  Extended x0 = std::log(Available(M) && M > 0 ? pMPa * 1000 * M / (8.314462618L * TK) : 1);
  Extended f0 = CallRhoPFunction("TODPZ", std::exp(x0), pMPa) - TK;
  if (IsNoValue(f0)) return NoValue;
  Extended x1 = x0 + 0.01L;
  for (int i = 0; i < 60; ++i) {
    const Extended f1 = CallRhoPFunction("TODPZ", std::exp(x1), pMPa) - TK;
    if (IsNoValue(f1)) return NoValue;
    if (std::fabs(f1) <= 1E-12L * TK) return std::exp(x1);
    if (f1 == f0) return NoValue;
    const Extended x2 = x1 - f1 * (x1 - x0) / (f1 - f0);
    x0 = x1, f0 = f1, x1 = x2;
  }
  return NoValue;
}

Extended tCustomRUBDLLInterface::Compute(TExtProperty p) {
  auto celsius = [](Extended TK) { return IsNoValue(TK) ? NoValue : TK - ZeroCelsius; };
  auto bar = [](Extended pMPa) { return IsNoValue(pMPa) ? NoValue : pMPa * 10; };
  const Extended pMPa = IsNoValue(FP) ? NoValue : FP / 10;
  switch (p) {
    case epRho: return DensityFromTP();
    case epV: {
      const Extended rho = GetRho();
      return Available(rho) && rho > 0 ? 1 / rho : NoValue;
    }
    case epPv: return bar(CallTFunction("PSATOT", FT));
    case epTv: return celsius(CallPFunction("TSATOP", pMPa));
    case epcp: return CallTRhoFunction("CPOTD", FT, GetRho());
    case epcv: return CallTRhoFunction("CVOTD", FT, GetRho());
    case epEta: return CallTRhoFunction("VISOTD", FT, GetRho());
    case epLambda: return CallTRhoFunction("TCONOTD", FT, GetRho());
    case epKappa: return CallTRhoFunction("CAPOTD", FT, GetRho());
    case epM: return CallNFunction("SUBSTMOLM");
    case epTc: return celsius(CallNFunction("TCRIT"));
    case epPc: return bar(CallNFunction("PCRIT"));
    case epRhoC: return CallNFunction("DCRIT");
    case epTT: return celsius(CallNFunction("TTRIPEL"));
    default: return NoValue;
  }
}

}  // namespace torvacalc
