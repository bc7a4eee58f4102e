// torvacalc._core: the program's commands and unit table for Python. The
// calculations run exactly as on the command line (RunMain with the same
// arguments, JSON out); the package torvacalc/ turns that into Python
// objects. Nothing here computes anything of its own.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "files/calculation_file.h"
#include "framework/calc_switch.h"
#include "framework/number_text.h"
#include "framework/translation.h"
#include "framework/units.h"
#include "shell/cli.h"
#include "workspace/entries.h"
#include "workspace/module_kinds.h"
#include "workspace/points_layout.h"
#include "workspace/torva_workspace.h"

namespace py = pybind11;
using namespace torvacalc;

namespace {

// Runs the program with `args` (argv[0] left off): exit code, standard
// output and standard error as bytes (the caller decodes UTF-8).
py::tuple Run(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  // Every run starts as a fresh program does: German texts until the
  // settings or --lang choose another language.
  SetLanguage("de");
  const int rc = RunMain(args, out, err);
  return py::make_tuple(rc, py::bytes(out.str()), py::bytes(err.str()));
}

// What an item of a module kind is: ("parameter", quantity, basic unit),
// ("switch", None, None), ("string", None, None), or None for no such item.
py::object ItemInfo(const std::string& kind, const std::string& name) {
  const TModuleKind* k = ModuleKindByName(kind);
  if (!k) throw EUsage("unknown module kind \"" + kind + "\"");
  TStandaloneModule standalone(*k);
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
  if (!q) throw EUsage("unknown quantity \"" + text + "\"");
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
  throw EUsage("no quantity " + (quantity.empty() ? std::string() : quantity + " ") + "has the units \"" + from +
               "\" and \"" + to + "\"");
}

// Opens a calculation file and saves the same calculation under another
// name, as `torvacalc show` opens it and `torvacalc module -o` saves it.
void SaveAs(const std::string& source, const std::string& target) {
  const TModuleKind* kind = ModuleKindByClass(CalculationClassOfFile(source));
  if (!kind) throw EUsage(source + ": this calculation cannot be rebuilt by this program");
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
  m.def("run", &Run, py::arg("args"), "Runs the program with its arguments: (exit code, stdout, stderr).");
  m.def("item_info", &ItemInfo, py::arg("kind"), py::arg("name"));
  m.def("units", &Units, py::arg("quantity"));
  m.def("convert", &Convert, py::arg("value"), py::arg("from_unit"), py::arg("to_unit"), py::arg("quantity") = "");
  m.def("save_as", &SaveAs, py::arg("source"), py::arg("target"));
  // One open whole valve calculation (the package's Calculation).
  py::class_<TTorvaWorkspace>(m, "Workspace")
      .def(py::init<>())
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
      .def("can_undo", [](const TTorvaWorkspace& w) { return w.CanUndo(); });
  m.def("read_case_file", &ReadCaseFile, py::arg("path"));
  m.def("module_kinds", [] {
    std::vector<std::string> kinds;
    for (const auto& k : ModuleKinds()) kinds.push_back(k.kind);
    return kinds;
  });
}
