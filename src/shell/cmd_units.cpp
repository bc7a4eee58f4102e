// torvacalc units: lists the units of a quantity or converts a value.
#include <cstdio>
#include <ostream>

#include "framework/units.h"
#include "shell/commands.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc units QUANTITY\n"
    "       torvacalc units QUANTITY VALUE FROM [TO]\n\n"
    "QUANTITY is a quantity name such as qPressureBar or its number (0 to 76).\n"
    "The first form lists the quantity's units with their numbers and factors.\n"
    "The second converts VALUE from unit FROM into unit TO, or into the basic\n"
    "unit when TO is omitted. Units are given by name (\"bar(g)\", \"psi(a)\",\n"
    "\"kp/cm²(a)\") or by number. Names are not case-sensitive.\n\n"
    "Example: torvacalc units qPressureBar 1 \"bar(g)\" \"psi(a)\"\n";

std::string Number(Extended v, int digits = 12) {
  if (IsNoValue(v)) return "(no value)";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Lg", digits, v);
  return buf;
}

TQuantity ParseQuantity(const std::string& text) {
  const auto q = QuantityByName(text);
  if (!q) throw EUsage("unknown quantity \"" + text + "\" (see torvacalc units --help)");
  return *q;
}

int ParseUnit(TQuantity q, const std::string& text) {
  int no = TQuantityArray::UnitNoByName(q, text);
  if (no < 0 && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
      text.size() < 3) {
    no = std::stoi(text);
    if (no >= TQuantityArray::GetCount(q)) no = -1;
  }
  if (no < 0)
    throw EUsage("unknown unit \"" + text + "\" of quantity " + QuantityRecord(q).Ident +
                 " (torvacalc units " + QuantityRecord(q).Ident + " lists them)");
  return no;
}

int ListUnits(TQuantity q, std::ostream& out) {
  const TQuantityRecord& r = QuantityRecord(q);
  out << r.Ident << " (" << static_cast<int>(q) << "): " << TQuantityArray::GetQuantityName(q)
      << "\n  basic unit " << TQuantityArray::GetUnitName(q, 0) << ", bounds "
      << Number(r.LowerBound) << " to " << Number(r.UpperBound)
      << ", SI value = (basic - " << Number(r.SIOffset) << ") / " << Number(r.SIFactor)
      << (r.Hide ? ", hidden" : "") << "\n\n";
  out << "  No  Unit                 Factor             Offset\n";
  for (const auto& e : TQuantityArray::UnitStringList(q, SortIndex)) {
    char line[160];
    std::snprintf(line, sizeof line, "  %2d  ", e.Ref.UnitNo);
    out << line << e.Name;
    // pad by displayed characters, not bytes
    size_t shown = 0;
    for (unsigned char c : e.Name) shown += (c & 0xC0) != 0x80;
    out << std::string(shown < 21 ? 21 - shown : 1, ' ');
    std::snprintf(line, sizeof line, "%-18s %s", Number(e.Ref.Factor).c_str(),
                  Number(e.Ref.Offset).c_str());
    out << line << "\n";
  }
  return ExitOk;
}

int RunUnits(const std::vector<std::string>& args, CommandContext& ctx) {
  if (args.empty() || args.size() == 2 || args.size() > 4)
    throw EUsage("units takes QUANTITY, or QUANTITY VALUE FROM [TO] (see torvacalc units --help)");
  const TQuantity q = ParseQuantity(args[0]);
  if (args.size() == 1) return ListUnits(q, ctx.out);
  const Extended value = ParseNumberArg(args[1], "VALUE");
  const int from = ParseUnit(q, args[2]);
  const int to = args.size() == 4 ? ParseUnit(q, args[3]) : 0;
  const Extended basic = GetBasicUnitValue(from, q, value);
  const Extended result = GetUnitValue(to, q, basic);
  ctx.out << Number(result) << " " << TQuantityArray::GetUnitName(q, to) << "\n";
  return ExitOk;
}

}  // namespace

Command UnitsCommand() {
  return {"units", "list the units of a quantity or convert a value", kUsage, RunUnits};
}

}  // namespace torvacalc
