// torvacalc gas: the properties of a natural gas or gas mixture given by
// its composition, by AGA8-DC92 (detail characterization) or GERG-2008.
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>

#include "framework/calc_message.h"
#include "framework/options.h"
#include "framework/translation.h"
#include "media/natural_gas.h"
#include "media/natural_gas_compositions.h"
#include "shell/commands.h"
#include "workspace/json_writer.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc gas [--json] [--method aga8|gerg] [--mix NAME] T=NUM P=NUM\n"
    "                     [TN=NUM] [PN=NUM] [COMPONENT=FRACTION ...]\n"
    "       torvacalc gas --list\n\n"
    "Prints the properties of a natural gas or gas mixture at the temperature T\n"
    "in degC and the absolute pressure P in bar, from the AGA8-DC92 detail\n"
    "characterization (AGA Report No. 8 Part 1, ISO 12213-2; --method aga8, the\n"
    "default, or the method a named composition is meant for) or from GERG-2008\n"
    "(ISO 20765-2; --method gerg). TN and PN are the\n"
    "normal conditions of the normal density (default 0 degC, 1.01325 bar);\n"
    "outside the method's extended range it is not computed (message 1314).\n\n"
    "The composition: a named composition (--mix NAME, see --list) and/or\n"
    "COMPONENT=FRACTION for any of the 21 components, named in German or\n"
    "English or by formula (methane=0.9, Ethan=5%, CO2=1.2). A value with \"%\"\n"
    "is in mol %; without, the values are mole fractions when none exceeds 1\n"
    "and they add up to at most 1, else mol %. Values given after --mix replace\n"
    "those of the mixture. A composition that does not add up to 100 % is\n"
    "normalised (and said so). Values the method cannot give are shown as \"-\"\n"
    "(null in JSON); range and composition messages follow the values.\n\n"
    "Example: torvacalc gas --method gerg T=15 P=60 methane=90% ethane=6% propane=4%\n";

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

const char* PhaseName(teCalculatedPhase p) {
  switch (p) {
    case cpLiquid: return "liquid";
    case cpVapour: return "vapour";
    case cpGas: return "gas";
    case cpSuperCritical: return "supercritical";
    default: return "-";
  }
}

std::string MessageText(const TGasMessage& m) {
  const std::string& language = HXOptions().Language;
  if (const auto row = TDataModuleMessages::Instance().Find(m.No, language)) {
    const std::string text = row->LanguageNo == language ? row->Text : Translate(row->Text);
    return FormatMessageText(text, m.Args);
  }
  return FormatMessageText(Translate("<<< Die Meldung Nr. %d ist unbekannt >>>"),
                           {static_cast<Extended>(m.No)});
}

int ListCompositions(CommandContext& ctx, bool json) {
  const std::vector<TNamedComposition> list = NamedCompositions();
  if (json) {
    TJsonWriter w(ctx.out);
    w.BeginArray();
    for (const TNamedComposition& c : list) {
      tAGAConcentration conc;
      LoadNamedComposition(c.Name, conc);
      w.BeginObject().Key("name").String(c.Name).Key("name_en").String(c.NameE);
      w.Key("method").String(c.Method).Key("source").String(c.Source);
      w.Key("composition").String(conc.GetAsString()).EndObject();
    }
    w.EndArray();
    ctx.out << "\n";
    return ExitOk;
  }
  for (const TNamedComposition& c : list) {
    ctx.out << c.Name;
    if (c.NameE != c.Name) ctx.out << " (" << c.NameE << ")";
    ctx.out << " [" << c.Method << "]: " << c.Source << "\n";
  }
  return ExitOk;
}

int RunGas(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false, list = false;
  TNaturalGasMethod method = ngmAGA8Detail;
  bool methodGiven = false;
  std::string mix;
  std::map<std::string, std::string> state;
  struct Given {
    int component;
    Extended value;
    bool percent;
  };
  std::vector<Given> given;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--list") {
      list = true;
    } else if (arg == "--method" || arg == "--mix") {
      if (i + 1 >= args.size()) throw EUsage(arg + " needs a value");
      const std::string v = args[++i];
      if (arg == "--mix") {
        mix = v;
      } else if (v == "aga8" || v == "AGA8") {
        method = ngmAGA8Detail;
        methodGiven = true;
      } else if (v == "gerg" || v == "GERG") {
        method = ngmGERG2008;
        methodGiven = true;
      } else {
        throw EUsage("--method: \"" + v + "\" is neither aga8 nor gerg");
      }
    } else if (!arg.empty() && arg[0] == '-') {
      throw EUsage("unknown option \"" + arg + "\" (see torvacalc gas --help)");
    } else {
      auto [key, value] = SplitAssignment(arg);
      if (key == "T" || key == "P" || key == "TN" || key == "PN") {
        if (!state.emplace(key, value).second) throw EUsage(key + "= is given twice");
        continue;
      }
      const int component = NaturalGasComponentByName(key);
      if (component == 0)
        throw EUsage("unknown component \"" + key +
                     "\" (methane, nitrogen, carbon dioxide, ethane, propane, water, hydrogen "
                     "sulfide, hydrogen, carbon monoxide, oxygen, isobutane, n-butane, "
                     "isopentane, n-pentane, n-hexane, n-heptane, n-octane, n-nonane, n-decane, "
                     "helium, argon; German names and formulas too)");
      for (const Given& g : given)
        if (g.component == component) throw EUsage(key + " is given twice");
      const bool percent = !value.empty() && value.back() == '%';
      if (percent) value.pop_back();
      const Extended x = ParseNumberArg(value, key);
      if (!std::isfinite(x)) throw EUsage(key + " must be a finite number");
      given.push_back({component, x, percent});
    }
  }
  if (list) return ListCompositions(ctx, json);
  if (!state.count("T") || !state.count("P"))
    throw EUsage("gas needs T=NUM (degC) and P=NUM (bar absolute)");
  const Extended T = ParseNumberArg(state["T"], "T");
  const Extended P = ParseNumberArg(state["P"], "P");
  const Extended TN = state.count("TN") ? ParseNumberArg(state["TN"], "TN") : 0;
  const Extended PN = state.count("PN") ? ParseNumberArg(state["PN"], "PN") : StandardPressure;
  if (!std::isfinite(T) || !std::isfinite(P) || !std::isfinite(TN) || !std::isfinite(PN))
    throw EUsage("T, P, TN and PN must be finite numbers");
  // Normal conditions below absolute zero or without pressure are no
  // conditions at all; those the method does not cover are its message.
  if (TN <= -ZeroCelsius) throw EUsage("TN must lie above absolute zero (-273.15 degC)");
  if (PN <= 0) throw EUsage("PN must be an absolute pressure above 0 bar");

  // A named composition brings the method it is meant for, unless one is given.
  if (!mix.empty() && !methodGiven)
    for (const TNamedComposition& n : NamedCompositions())
      if (LowerAscii(n.Name) == LowerAscii(mix) || LowerAscii(n.NameE) == LowerAscii(mix))
        method = n.Method == "GERG" ? ngmGERG2008 : ngmAGA8Detail;
  tNaturalGasSubstance gas(method);
  tAGAConcentration& c = gas.GetAGAConcentration();
  if (!mix.empty() && !LoadNamedComposition(mix, c))
    throw EUsage("unknown composition \"" + mix + "\" (see torvacalc gas --list)");
  if (mix.empty() && given.empty()) throw EUsage("gas needs a composition (--mix NAME or COMPONENT=FRACTION)");
  // Fractions or mol %: the plain values are fractions when none exceeds 1
  // and together they do not exceed 1.
  Extended plainSum = 0;
  bool anyAboveOne = false;
  for (const Given& g : given)
    if (!g.percent) {
      plainSum += g.value;
      anyAboveOne |= g.value > 1;
    }
  const bool fractions = !anyAboveOne && plainSum <= 1 + 1E-9L;
  for (const Given& g : given) c.SetC(g.component, g.percent || !fractions ? g.value : g.value * 100);

  gas.SetTN0(TN);
  gas.SetPN0(PN);
  gas.SetT(T);
  gas.SetP(P);
  if (!gas.GetActive()) {
    ctx.err << "torvacalc: " << gas.GetLoadError() << "\n";
    return ExitFailure;
  }
  const Row rows[] = {
      {"T", "°C", T},
      {"P", "bar", P},
      {"M", "kg/kmol", gas.GetM()},
      {"Rho", "kg/m³", gas.GetRho()},
      {"RhoN", "kg/m³", gas.GetRhoN()},
      {"D", "mol/l", gas.GetMolarDensity()},
      {"Z", "", gas.GetZ()},
      {"h", "kJ/kg", gas.GetH()},
      {"s", "kJ/(kg K)", gas.GetS()},
      {"u", "kJ/kg", gas.GetU()},
      {"g", "kJ/kg", gas.GetG()},
      {"cp", "kJ/(kg K)", gas.Getcp()},
      {"cv", "kJ/(kg K)", gas.Getcv()},
      {"w", "m/s", gas.Getcf()},
      {"kappa", "", gas.GetKappa()},
      {"muJT", "K/bar", gas.GetJouleThomson()},
      {"dpdT", "bar/K", gas.GetdPdT()},
      {"dpdrho", "bar/(kg/m³)", gas.GetdPdRho()},
  };
  std::vector<TGasMessage> messages = gas.CheckComposition();
  for (TGasMessage& m : gas.CheckState()) messages.push_back(std::move(m));
  const char* phase = PhaseName(gas.GetPhase());
  const bool ok = !IsNoValue(gas.GetRho());
  if (json) {
    TJsonWriter w(ctx.out);
    w.BeginObject().Key("method").String(tNaturalGasSubstance::MethodName(method));
    if (!mix.empty()) w.Key("mix").String(mix);
    w.Key("composition").String(c.GetAsString());
    for (const Row& r : rows) w.Key(r.key).Number(r.value);
    w.Key("phase").String(phase).Key("messages").BeginArray();
    for (const TGasMessage& m : messages)
      w.BeginObject().Key("no").Integer(m.No).Key("text").String(MessageText(m)).EndObject();
    w.EndArray().EndObject();
    ctx.out << "\n";
    return ok ? ExitOk : ExitFailure;
  }
  ctx.out << "Method   " << tNaturalGasSubstance::MethodName(method) << "\n";
  ctx.out << "Mix      " << c.GetAsString() << "\n";
  for (const Row& r : rows) {
    char line[96];
    std::snprintf(line, sizeof line, "%-8s %-16s ", r.key,
                  IsNoValue(r.value) ? "-" : Number(r.value, 10).c_str());
    ctx.out << line << r.unit << "\n";
  }
  ctx.out << "Phase    " << phase << "\n";
  for (const TGasMessage& m : messages) ctx.out << m.No << ": " << MessageText(m) << "\n";
  return ok ? ExitOk : ExitFailure;
}

}  // namespace

Command GasCommand() {
  return {"gas", "properties of a natural gas or gas mixture (AGA8-DC92, GERG-2008)", kUsage,
          RunGas};
}

}  // namespace torvacalc
