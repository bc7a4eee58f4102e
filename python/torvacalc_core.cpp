// torvacalc._core: the program's calculations and unit table for Python,
// over the workspace: the compatibility functions give the JSON objects the
// command line prints (one writer, workspace/json_items.h), which the
// package torvacalc/ turns into Python objects. Nothing here computes anything of its own: the sizing over
// arrays hands each duty to the program's double-precision sizing kernel.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "files/calculation_file.h"
#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "valves/control_valve.h"
#include "valves/sizing_kernel.h"
#include "workspace/catalogue_choice.h"
#include "workspace/entries.h"
#include "workspace/json_items.h"
#include "workspace/module_kinds.h"
#include "workspace/opened_file.h"
#include "workspace/points_layout.h"
#include "workspace/torva_workspace.h"
#include "workspace/water_state.h"

namespace py = pybind11;
using namespace torvacalc;

namespace {

// Each compatibility call starts as the command-line program does: the
// calculation files registered, the user's options read, texts in the
// configured language unless `language` ("de", "en") names another.
void Begin(const std::string& language) {
  RegisterCalculationFiles();
  LoadProgramOptions(TSettingsStore::Instance(), HXOptions());
  SetLanguage(language.empty() ? HXOptions().Language : language);
}

const TModuleKind& Kind(const std::string& kind) {
  const TModuleKind* k = ModuleKindByName(kind);
  if (!k) throw ECalcEntry("unknown module kind \"" + kind + "\" (known: " + ModuleKindNames() + ")");
  return *k;
}

// The module of `kind` with the assignments ("NAME=TEXT", "@CASEFILE") in
// order, computed once.
std::unique_ptr<TStandaloneModule> ModuleWith(const std::string& kind, const std::vector<std::string>& args) {
  std::vector<std::string> assignments;
  for (const std::string& a : args) {
    if (a.empty() || a[0] != '@') {
      assignments.push_back(a);
      continue;
    }
    const std::vector<std::string> lines = ReadCaseFile(a.substr(1));
    assignments.insert(assignments.end(), lines.begin(), lines.end());
  }
  return StandaloneWith(Kind(kind), assignments);
}

// The JSON object of `torvacalc module KIND --json ARGS...`.
py::bytes ModuleJson(const std::string& kind, const std::vector<std::string>& args, const std::string& language) {
  Begin(language);
  const auto standalone = ModuleWith(kind, args);
  std::ostringstream out;
  PrintModuleJson(standalone->Module(), standalone->Messages(), out);
  return py::bytes(out.str());
}

// `torvacalc module KIND -o PATH ARGS...`: the module saved as a
// calculation file.
void SaveModule(const std::string& kind, const std::vector<std::string>& args, const std::string& path,
                const std::string& language) {
  Begin(language);
  const auto standalone = ModuleWith(kind, args);
  try {
    SaveModuleToFile(standalone->Module(), path, Kind(kind).extension);
  } catch (const EHXFileWriteError& e) {
    throw ECalcEntry(path + ": " + e.what());
  }
}

// The JSON object of `torvacalc show --json PATH`.
py::bytes ShowJson(const std::string& path, const std::string& language) {
  Begin(language);
  const TOpenedCalculation opened = OpenCalculationFile(path);
  std::ostringstream out;
  if (opened.whole)
    PrintPointsJson(opened.whole->Calculation(), out);
  else
    PrintModuleJson(opened.module->Module(), opened.module->Messages(), out);
  return py::bytes(out.str());
}

// The JSON object of `torvacalc water --json t=T P=P [Liquid=...]`.
py::bytes WaterJson(const std::string& t, const std::string& P, const std::optional<std::string>& liquid,
                    const std::string& language) {
  Begin(language);
  std::ostringstream out;
  PrintWaterJson(WaterStateOfEntries(t, P, liquid), out);
  return py::bytes(out.str());
}

// What an item of a module kind is: ("parameter", quantity, basic unit),
// ("switch", None, None), ("string", None, None), or None for no such item.
// A number, or None where there is none.
py::object OrNone(Extended v) { return HasValue(v) ? py::object(py::float_(static_cast<double>(v))) : py::none(); }

py::object ItemInfo(const std::string& kind, const std::string& name) {
  TStandaloneModule standalone(Kind(kind));
  const TCalcItem* item = standalone.Module().CalcItemByName(name);
  if (!item) return py::none();
  if (const auto* p = dynamic_cast<const TCalcParameter*>(item)) {
    const TQuantity q = p->GetQuantity();
    return py::make_tuple("parameter", QuantityRecord(q).Ident, TQuantityArray::GetUnitName(q, 0));
  }
  if (dynamic_cast<const tCustomCalcSwitch*>(item)) return py::make_tuple("switch", py::none(), py::none());
  return py::make_tuple("string", py::none(), py::none());
}

TQuantity Quantity(const std::string& text) {
  const auto q = QuantityByName(text);
  if (!q) throw ECalcEntry("unknown quantity \"" + text + "\"");
  return *q;
}

// The units of a quantity in the order of their numbers, the basic unit
// first.
std::vector<std::string> Units(const std::string& quantity) {
  const TQuantity q = Quantity(quantity);
  std::vector<std::string> names;
  for (int u = 0; u < TQuantityArray::GetCount(q); ++u) names.push_back(TQuantityArray::GetUnitName(q, u));
  return names;
}

// A value from one unit into another of the same quantity; without a
// quantity, the first quantity of the table that has both units.
py::object Convert(long double value, const std::string& from, const std::string& to, const std::string& quantity) {
  std::vector<TQuantity> candidates;
  if (!quantity.empty()) {
    candidates.push_back(Quantity(quantity));
  } else {
    for (int i = 0; i < QuantityCount; ++i) candidates.push_back(static_cast<TQuantity>(i));
  }
  for (const TQuantity q : candidates) {
    const int f = TQuantityArray::UnitNoByName(q, from), t = TQuantityArray::UnitNoByName(q, to);
    if (f < 0 || t < 0) continue;
    const Extended result = GetUnitValue(t, q, GetBasicUnitValue(f, q, value));
    if (IsNoValue(result)) return py::none();
    // The command line prints the exact result (1e+310 kPa(a)); a Python
    // float cannot hold it, and inf would pass for a result.
    if (std::fabs(result) > std::numeric_limits<double>::max()) {
      const std::string text = NumberToText(result) + " " + to + " is beyond the range of a float";
      PyErr_SetString(PyExc_OverflowError, text.c_str());
      throw py::error_already_set();
    }
    return py::float_(static_cast<double>(result));
  }
  throw ECalcEntry("no quantity " + (quantity.empty() ? std::string() : quantity + " ") + "has the units \"" + from +
               "\" and \"" + to + "\"");
}

// Opens a calculation file and saves the same calculation under another
// name, as `torvacalc show` opens it and `torvacalc module -o` saves it.
void SaveAs(const std::string& source, const std::string& target) {
  const TModuleKind* kind = ModuleKindByClass(CalculationClassOfFile(source));
  if (!kind) throw ECalcEntry(source + ": this calculation cannot be rebuilt by this program");
  TStandaloneModule standalone(*kind);
  TCalcModule& module = standalone.Module();
  module.SetActive(false);
  ReadModuleFromFile(module, source);
  module.SetActive(true);
  SaveModuleToFile(module, target, kind->extension);
}

// The point of a column: 0 .. 3 for points 1, 2, 3 and X.
int PointIndex(const TWorkspace& w, int point) {
  if (point < 0 || point >= w.OperatingPointCount()) throw ECalcEntry("no operating point " + std::to_string(point));
  return point;
}

TCalcItem& ItemAt(const TWorkspace& w, const std::string& name, int point) {
  TCalcItem* item = w.Item(name, PointIndex(w, point));
  if (!item) throw ECalcEntry("unknown item \"" + name + "\"" + (point ? " at this point" : ""));
  return *item;
}

// An item's value: (value in the shown unit or None, unit, value in the
// basic unit or None, approximated) for a parameter, (text, "", None,
// False) for a switch or a text.
py::tuple ItemValue(const TWorkspace& w, const std::string& name, int point) {
  const TCalcItem& item = ItemAt(w, name, point);
  if (const TCalcParameter* p = item.AsParameter()) {
    const TCalcParameter& shown = ShownParameter(*p);
    const Extended basic = p->GetValue();
    const py::object value = HasValue(basic) ? py::object(py::float_(static_cast<double>(shown.GetDisplayValue())))
                                             : py::object(py::none());
    const py::object b = HasValue(basic) ? py::object(py::float_(static_cast<double>(basic))) : py::object(py::none());
    return py::make_tuple(value, shown.GetCalcUnitName(), b, p->GetIsApproximated());
  }
  return py::make_tuple(ItemValueText(item), "", py::none(), false);
}

// The messages of a workspace as the engineer reads them, each fact once
// (docs/messages.md): (point or None, number, type, text, item names) each.
py::list WorkspaceMessages(TWorkspace& w) {
  py::list out;
  for (const TPointMessage& f : w.ReadMessages()) {
    py::list items;
    for (const std::string& n : f.items) items.append(n);
    out.append(py::make_tuple(f.point < 0 ? py::object(py::none()) : py::object(py::int_(f.point)), f.no, f.typeText,
                              f.text, items));
  }
  return out;
}

// Kv and the flow state of many duties of one phase, each through the
// sizing kernel as the valve module sizes it (Kv unknown, factors constant
// over the opening, xFz by the valve database's rule, Kc = 0.7 FL^2, the
// reducers of IEC 60534-2-1 from d, D1, D2). The arrays are one
// dimensional, all of one length (the package broadcasts them), in the
// kernel's units: kg/h, bar(a), kg/m3, Pa s, mm.
// A column may be a strided view (a scalar broadcast has stride 0): read in
// place, never copied.
using Column = py::array_t<double, py::array::forcecast>;

py::tuple SizeDuties(bool gas, const Column& Qm, const Column& p1, const Column& p2, const Column& rho1,
                     const Column& rho2, const Column& pv, const Column& pc, const Column& kappa, const Column& FL,
                     const Column& xT, const Column& Fd, const Column& DN, const Column& D1, const Column& D2,
                     const Column& eta, int threads) {
  const Column* columns[] = {&Qm, &p1, &p2, &rho1, &rho2, &pv, &pc, &kappa, &FL, &xT, &Fd, &DN, &D1, &D2, &eta};
  const py::ssize_t n = Qm.size();
  for (const Column* c : columns)
    if (c->ndim() != 1 || c->size() != n) throw ECalcEntry("the duties' arrays differ in length");
  py::array_t<double> kv(n);
  py::array_t<signed char> state(n);
  double* kvOut = kv.mutable_data();
  signed char* stateOut = state.mutable_data();
  const auto q = Qm.unchecked<1>(), a = p1.unchecked<1>(), b = p2.unchecked<1>(), r1 = rho1.unchecked<1>(),
             r2 = rho2.unchecked<1>(), v = pv.unchecked<1>(), c = pc.unchecked<1>(), k = kappa.unchecked<1>(),
             fl = FL.unchecked<1>(), xt = xT.unchecked<1>(), fd = Fd.unchecked<1>(), dn = DN.unchecked<1>(),
             d1 = D1.unchecked<1>(), d2 = D2.unchecked<1>(), e = eta.unchecked<1>();
  const int digits = HXOptions().SignificantDigits;
  // The duties of [begin, end): each on its own, so that how they are
  // shared out among threads changes no bit of the answers.
  const auto sizeRange = [&](py::ssize_t begin, py::ssize_t end) {
    TSizingDuty d;
    d.phase = gas ? phGas : phLiquid;
    d.calculatedPhase = gas ? cpGas : cpLiquid;
    d.equivalentValveType = 1;  // a globe valve, as tControlValve starts
    d.digits = digits;
    // The reducers of the last sizes: duties of one valve and pipe share them.
    double lastDN = kKernelNone, lastD1 = kKernelNone, lastD2 = kKernelNone;
    bool reducersKnown = false;
    const auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
    // One kernel for the range, told of each new duty: it keeps the roots
    // of inputs the duties share (FF, FL, (6/p1)^(1/8)).
    TSizingKernel kernel(d);
    for (py::ssize_t i = begin; i < end; ++i) {
      d.Qm = q(i);
      d.p1 = a(i);
      d.p2 = b(i);
      d.rho1 = r1(i);
      d.rho2 = r2(i);
      d.pv1 = d.pv2 = v(i);
      d.pc = c(i);
      d.kappa1 = k(i);
      d.eta1 = e(i);
      d.DNV = dn(i);
      d.fl2.value75 = fl(i) * fl(i);
      d.xt.value75 = xt(i);
      d.fd.value75 = fd(i);
      if (!reducersKnown || !same(dn(i), lastDN) || !same(d1(i), lastD1) || !same(d2(i), lastD2)) {
        lastDN = dn(i), lastD1 = d1(i), lastD2 = d2(i);
        reducersKnown = true;
        // Without pipe diameters the valve is the pipe.
        d.lineSize = !KernelHas(lastD1) && !KernelHas(lastD2);
        Extended zeta1, kvRed1, ezeta, ekvRed;
        tControlValve::Calculatezeta1(FromKernel(lastDN), NoValue, FromKernel(lastD1), d.lineSize, zeta1, kvRed1);
        tControlValve::CalculateEzeta(zeta1, FromKernel(lastDN), FromKernel(lastD2), NoValue, d.lineSize, false,
                                      ezeta, ekvRed);
        d.zeta1 = ToKernel(zeta1);
        d.Ezeta = ToKernel(ezeta);
        d.EKvRed = ToKernel(ekvRed);
      }
      kernel.DutyChanged();
      TSizingPass pass;
      const double x = kernel.SolveKv(kKernelNone, &pass);
      kvOut[i] = x;
      stateOut[i] = static_cast<signed char>(KernelHas(x) ? pass.state : fsUndefined);
    }
  };
  // Long arrays are shared out among the processor's cores (or `threads`);
  // a thread is worth starting for some thousands of duties.
  constexpr py::ssize_t kDutiesPerThread = 4096;
  const py::ssize_t cores = threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
  const py::ssize_t parts = std::clamp<py::ssize_t>(n / kDutiesPerThread, 1, cores);
  {
    py::gil_scoped_release free;
    std::vector<std::thread> workers;
    for (py::ssize_t t = 1; t < parts; ++t) {
      try {
        workers.emplace_back(sizeRange, n * t / parts, n * (t + 1) / parts);
      } catch (const std::system_error&) {
        sizeRange(n * t / parts, n * (t + 1) / parts);  // no thread to be had: here, then
      }
    }
    sizeRange(0, n / parts);
    for (auto& w : workers) w.join();
  }
  return py::make_tuple(kv, state);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "Torvacalc's commands and unit table (use the package torvacalc)";
  // Bad input of any kind reaches Python as torvacalc.Error with the
  // program's message; nothing of C++ escapes as a crash.
  static py::exception<std::exception> error(m, "Error", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const py::error_already_set&) {
      throw;  // a Python exception stays what it is
    } catch (const py::builtin_exception&) {
      throw;
    } catch (const std::exception& e) {
      error(e.what());
    }
  });
  m.attr("version") = TORVACALC_VERSION;
  m.def("module_json", &ModuleJson, py::arg("kind"), py::arg("args"), py::arg("language") = "");
  m.def("save_module", &SaveModule, py::arg("kind"), py::arg("args"), py::arg("path"), py::arg("language") = "");
  m.def("show_json", &ShowJson, py::arg("path"), py::arg("language") = "");
  m.def("water_json", &WaterJson, py::arg("t"), py::arg("P"), py::arg("liquid") = std::nullopt,
        py::arg("language") = "");
  m.def("item_info", &ItemInfo, py::arg("kind"), py::arg("name"));
  m.def("units", &Units, py::arg("quantity"));
  m.def("convert", &Convert, py::arg("value"), py::arg("from_unit"), py::arg("to_unit"), py::arg("quantity") = "");
  m.def("save_as", &SaveAs, py::arg("source"), py::arg("target"));
  // One open whole valve calculation (the package's Calculation).
  py::class_<TTorvaWorkspace>(m, "Workspace")
      .def(py::init<>())
      // A new calculation that computes first with the case's entries or
      // the file's values that follow (enter_all, load), as the command
      // line does, not with its defaults before them.
      .def_static("for_values", [] { return std::make_unique<TTorvaWorkspace>(TTorvaWorkspace::TValuesFollow{}); })
      .def("load", [](TTorvaWorkspace& w, const std::string& file) { w.Load(file); })
      .def("save", &TTorvaWorkspace::Save)
      .def("enter_all", &TTorvaWorkspace::EnterAll)
      .def("enter",
           [](TTorvaWorkspace& w, const std::string& name, int point, const std::string& text) {
             const TInputResult r = w.Enter(name, PointIndex(w, point), text);
             if (!r.Applied) throw ECalcEntry(r.Error);
           })
      .def("value", [](const TTorvaWorkspace& w, const std::string& name, int point) { return ItemValue(w, name, point); })
      .def("item_info",
           [](const TTorvaWorkspace& w, const std::string& name, int point) {
             const TCalcItem& item = ItemAt(w, name, point);
             if (const TCalcParameter* p = item.AsParameter())
               return py::make_tuple("parameter", TQuantityArray::GetUnitName(p->GetQuantity(), 0));
             return py::make_tuple(dynamic_cast<const tCustomCalcSwitch*>(&item) ? "switch" : "string", "");
           })
      .def("messages", [](TTorvaWorkspace& w) { return WorkspaceMessages(w); })
      .def("active_points",
           [](const TTorvaWorkspace& w) { return LayoutOfCalculation(w.Calculation()).on; })
      .def("undo", [](TTorvaWorkspace& w) { return w.Undo(); })
      .def("redo", [](TTorvaWorkspace& w) { return w.Redo(); })
      .def("can_undo", [](const TTorvaWorkspace& w) { return w.CanUndo(); })
      // The catalogues' candidates for the duty (catalogue_choice.h) and
      // the entries that take one over, as one undo step.
      .def("valve_candidates", [](TTorvaWorkspace& w, bool allStyles) {
        py::list rows;
        for (const TValveCandidate& c : ValveCandidates(w, allStyles)) {
          py::dict d;
          d["manufacturer"] = c.Manufacturer, d["series"] = c.Series, d["style"] = c.Style;
          d["DN"] = c.DN, d["Kvs"] = OrNone(c.Kvs), d["rating"] = c.Rating;
          py::list travel, level;
          for (Extended h : c.Opening) travel.append(OrNone(h));
          for (Extended l : c.LpAa) level.append(OrNone(l));
          d["travel"] = travel, d["LpAa"] = level, d["current"] = c.Current, d["entries"] = c.Entries;
          rows.append(d);
        }
        return rows;
      })
      .def("actuator_candidates", [](TTorvaWorkspace& w) {
        py::list rows;
        for (const TActuatorCandidate& c : ActuatorCandidates(w)) {
          py::dict d;
          d["name"] = c.Name, d["manufacturer"] = c.Manufacturer, d["type"] = c.Type;
          d["stroke"] = OrNone(c.Stroke), d["thrust"] = OrNone(c.Thrust), d["required"] = OrNone(c.Required);
          d["margin"] = OrNone(c.Margin), d["margin_percent"] = OrNone(c.MarginPercent);
          d["fits"] = c.Fits, d["current"] = c.Current, d["entries"] = c.Entries;
          rows.append(d);
        }
        return rows;
      })
      .def("enter_steps", [](TTorvaWorkspace& w, const std::vector<std::string>& entries) {
        const TInputResult r = w.EnterSteps(entries);
        if (!r.Applied) throw ECalcEntry(r.Error);
      });
  m.def("size_duties", &SizeDuties, py::arg("gas"), py::arg("Qm"), py::arg("p1"), py::arg("p2"), py::arg("rho1"),
        py::arg("rho2"), py::arg("pv"), py::arg("pc"), py::arg("kappa"), py::arg("FL"), py::arg("xT"), py::arg("Fd"),
        py::arg("DN"), py::arg("D1"), py::arg("D2"), py::arg("eta"), py::arg("threads") = 0);
  m.def("read_case_file", &ReadCaseFile, py::arg("path"));
  m.def("module_kinds", [] {
    std::vector<std::string> kinds;
    for (const auto& k : ModuleKinds()) kinds.push_back(k.kind);
    return kinds;
  });
}
