// torvacalc water: the properties of water and steam at one state.
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>

#include "framework/translation.h"
#include "shell/commands.h"
#include "workspace/water_state.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc water [--json] t=NUM P=NUM [Liquid=ja|nein]\n\n"
    "Prints the properties of water and steam (IAPWS-IF97; viscosity and\n"
    "thermal conductivity by the IAPWS 1985 industrial formulations) at the\n"
    "temperature t in degC and the absolute pressure P in bar. Liquid chooses\n"
    "the side of the saturation line (default ja: the liquid). Values outside\n"
    "the formulation are shown as \"-\" (null in JSON).\n\n"
    "Example: torvacalc water t=250 P=40\n";

std::string Number(Extended v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Lg", digits, v);
  return buf;
}

int RunWater(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false;
  std::map<std::string, std::string> given;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
      continue;
    }
    if (!arg.empty() && arg[0] == '-')
      throw EUsage("unknown option \"" + arg + "\" (see torvacalc water --help)");
    auto [key, value] = SplitAssignment(arg);
    if (key != "t" && key != "P" && key != "Liquid")
      throw EUsage("unknown argument \"" + key + "\" (expected t=, P= or Liquid=)");
    if (!given.emplace(key, value).second) throw EUsage(key + "= is given twice");
  }
  if (!given.count("t") || !given.count("P"))
    throw EUsage("water needs t=NUM (degC) and P=NUM (bar absolute)");
  const TWaterState state =
      WaterStateOfEntries(given["t"], given["P"], given.count("Liquid") ? std::optional(given["Liquid"]) : std::nullopt);
  if (json) {
    PrintWaterJson(state, ctx.out);
    return ExitOk;
  }
  for (const TWaterProperty& r : state.rows) {
    char line[96];
    std::snprintf(line, sizeof line, "%-8s %-16s ", r.key,
                  IsNoValue(r.value) ? "-" : Number(r.value, 10).c_str());
    ctx.out << line << r.unit << "\n";
  }
  char line[96];
  std::snprintf(line, sizeof line, "%-8s %d\n%-8s ", "Range", state.range, "IsSteam");
  ctx.out << line << Translate(state.steam ? "ja" : "nein") << "\n";
  return ExitOk;
}

}  // namespace

Command WaterCommand() {
  return {"water", "properties of water and steam at a temperature and pressure", kUsage,
          RunWater};
}

}  // namespace torvacalc
