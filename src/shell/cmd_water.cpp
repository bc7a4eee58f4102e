// torvacalc water: the properties of water and steam at one state.
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>

#include "media/water_steam.h"
#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "shell/commands.h"

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

struct Row {
  const char* key;
  const char* unit;
  Extended value;
};

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
  const Extended t = ParseNumberArg(given["t"], "t");
  const Extended P = ParseNumberArg(given["P"], "P");
  if (!std::isfinite(t) || !std::isfinite(P))
    throw EUsage("t and P must be finite numbers");
  bool liquid = true;
  if (given.count("Liquid")) {
    const std::string& l = given["Liquid"];
    const TCheckBoxState state = StrToSwitchStatus(l);
    if (state == cbGrayed)
      throw EUsage("Liquid: \"" + l + "\" is neither " + Translate("ja") + " nor " + Translate("nein"));
    liquid = state == cbChecked;
  }

  tWaterSteam w;
  w.SetLiquid(liquid);
  w.SetT(t);
  w.SetP(P);
  const Row rows[] = {
      {"t", "°C", t},
      {"P", "bar", P},
      {"Pv", "bar", w.GetPv()},
      {"Tv", "°C", w.GetTv()},
      {"p23", "bar", w.GetP23()},
      {"Rho", "kg/m³", w.GetRho()},
      {"V", "m³/kg", w.GetV()},
      {"cp", "kJ/(kg K)", w.Getcp()},
      {"cv", "kJ/(kg K)", w.Getcv()},
      {"cf", "m/s", w.Getcf()},
      {"eta", "Pa s", w.GetEta()},
      {"lambda", "W/(m K)", w.GetLambda()},
      {"s", "kJ/(kg K)", w.GetS()},
      {"h", "kJ/kg", w.GetH()},
      {"kappa", "", w.GetKappa()},
      {"dhv", "kJ/kg", w.Getdhv()},
  };
  const int range = w.GetDisplayRange();
  const bool steam = w.GetIsSteam();
  if (json) {
    ctx.out << "{";
    for (const Row& r : rows)
      ctx.out << "\"" << r.key << "\": " << (IsNoValue(r.value) ? "null" : Number(r.value, 12))
              << ", ";
    ctx.out << "\"Range\": " << range << ", \"IsSteam\": " << (steam ? "true" : "false") << "}\n";
    return ExitOk;
  }
  for (const Row& r : rows) {
    char line[96];
    std::snprintf(line, sizeof line, "%-8s %-16s ", r.key,
                  IsNoValue(r.value) ? "-" : Number(r.value, 10).c_str());
    ctx.out << line << r.unit << "\n";
  }
  char line[96];
  std::snprintf(line, sizeof line, "%-8s %d\n%-8s ", "Range", range, "IsSteam");
  ctx.out << line << Translate(steam ? "ja" : "nein") << "\n";
  return ExitOk;
}

}  // namespace

Command WaterCommand() {
  return {"water", "properties of water and steam at a temperature and pressure", kUsage,
          RunWater};
}

}  // namespace torvacalc
