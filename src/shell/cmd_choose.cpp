// torvacalc choose valve|actuator CASE: the catalogue's candidates for the
// duty of a whole valve calculation, the rows the desktop's "Ventil
// wählen..." and "Antrieb wählen..." show, with the entries that take one
// over (for a case file or `torvacalc run`).
#include <algorithm>
#include <cmath>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "framework/number_text.h"
#include "framework/translation.h"
#include "shell/commands.h"
#include "workspace/catalogue_choice.h"
#include "workspace/entries.h"
#include "workspace/json_writer.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

namespace {

const char* kUsage =
    "Usage: torvacalc choose valve CASE [--all-styles] [--json] [--lang de|en] [NAME=TEXT ...]\n"
    "       torvacalc choose actuator CASE [--json] [--lang de|en] [NAME=TEXT ...]\n\n"
    "Builds the whole valve calculation of CASE (and the assignments after\n"
    "it) as torvacalc run does and lists what the catalogues offer for it.\n"
    "valve: the valves of the chosen style (--all-styles: of every style)\n"
    "that fit the duty (the largest Kv of the points with a margin of 1.1,\n"
    "the highest inlet pressure at the highest inlet temperature, the\n"
    "smallest size the velocities allow), the three smallest Kvs steps of\n"
    "each series, each with its travel in % at the points 1, 2, 3, X and\n"
    "the loudest sound pressure level LpAa in dB(A), as the calculation\n"
    "finds them with that valve. actuator: the actuators of the chosen kind\n"
    "with the thrust they give at the closed valve, the margin against the\n"
    "required thrust and whether they fit. A * marks what the calculation\n"
    "holds now. --json prints an array of objects; \"entries\" are the\n"
    "assignments that take the row over.\n\n"
    "Example: torvacalc choose valve examples/valve_from_catalogue.case\n";

std::string Num(Extended v, int decimals) {
  if (!HasValue(v)) return "-";
  std::ostringstream s;
  s << std::fixed << std::setprecision(decimals) << static_cast<double>(v);
  return s.str();
}

// JSON numbers to a tenth (N, %, dB) or a hundredth: what the rows mean,
// without the digits of the arithmetic.
Extended Rounded(Extended v, int decimals) {
  if (!HasValue(v)) return v;
  const Extended scale = decimals == 1 ? 10 : 100;
  return std::round(v * scale) / scale;
}

void PrintTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
  std::vector<size_t> width;
  for (const auto& r : rows)
    for (size_t c = 0; c < r.size(); ++c) {
      if (width.size() <= c) width.push_back(0);
      width[c] = std::max(width[c], Chars(r[c]));
    }
  for (const auto& r : rows) {
    std::string line;
    for (size_t c = 0; c < r.size(); ++c)
      line += c + 1 < r.size() ? Pad(r[c], width[c] + 2) : r[c];
    out << line << "\n";
  }
}

void Entries(TJsonWriter& j, const std::vector<std::string>& entries) {
  j.Key("entries").BeginArray();
  for (const std::string& e : entries) j.String(e);
  j.EndArray();
}

int RunChoose(const std::vector<std::string>& args, CommandContext& ctx) {
  bool json = false, allStyles = false;
  std::string what, caseFile;
  std::vector<std::string> assignments;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--all-styles") {
      allStyles = true;
    } else if (TakeLanguageOption(args, i, ctx.err)) {
    } else if (!a.empty() && a[0] == '-') {
      throw EUsage("unknown option \"" + a + "\" (see torvacalc choose --help)");
    } else if (what.empty()) {
      what = a;
    } else if (caseFile.empty() && a.find('=') == std::string::npos) {
      caseFile = a[0] == '@' ? a.substr(1) : a;
    } else {
      assignments.push_back(a);
    }
  }
  if (what != "valve" && what != "actuator") throw EUsage("choose valve or choose actuator (see torvacalc choose --help)");
  if (caseFile.empty()) throw EUsage("choose needs a CASE file (see torvacalc choose --help)");
  std::vector<std::string> entries = ReadCaseFile(caseFile);
  entries.insert(entries.end(), assignments.begin(), assignments.end());
  TTorvaWorkspace ws;
  ws.Super().UseHistory = false;
  ws.EnterAll(entries);
  TJsonWriter j(ctx.out);
  if (json) j.BeginArray();
  std::vector<std::vector<std::string>> table;
  if (what == "valve") {
    table.push_back({"", Translate("Hersteller"), Translate("Baureihe"), Translate("Bauform"), "DN", "Kvs",
                     Translate("Nenndruck"),
                     Translate("Hub") + " 1", Translate("Hub") + " 2", Translate("Hub") + " 3", Translate("Hub") + " X",
                     "LpAa max"});
    for (const TValveCandidate& c : ValveCandidates(ws, allStyles)) {
      if (json) {
        j.BeginObject().Key("manufacturer").String(c.Manufacturer).Key("series").String(c.Series);
        j.Key("style").String(c.Style).Key("DN").Integer(c.DN).Key("Kvs").Number(c.Kvs).Key("rating").String(c.Rating);
        j.Key("travel").BeginArray();
        for (Extended h : c.Opening) j.Number(Rounded(h, 2));
        j.EndArray().Key("LpAa").BeginArray();
        for (Extended l : c.LpAa) j.Number(Rounded(l, 2));
        j.EndArray().Key("current").Bool(c.Current);
        Entries(j, c.Entries);
        j.EndObject();
      } else {
        table.push_back({c.Current ? "*" : "", c.Manufacturer, c.Series, c.Style, std::to_string(c.DN), NumberToText(c.Kvs),
                         c.Rating, Num(c.Opening[0], 1), Num(c.Opening[1], 1), Num(c.Opening[2], 1),
                         Num(c.Opening[3], 1), Num(c.LoudestLpAa(), 1)});
      }
    }
  } else {
    table.push_back({"", Translate("Antrieb"), Translate("Hub") + " mm", Translate("Verfügbare Stellkraft") + " N",
                     Translate("Kraftreserve") + " N", Translate("Kraftreserve") + " %", Translate("Passt")});
    for (const TActuatorCandidate& c : ActuatorCandidates(ws)) {
      if (json) {
        j.BeginObject().Key("name").String(c.Name).Key("manufacturer").String(c.Manufacturer).Key("type").String(c.Type);
        j.Key("stroke").Number(c.Stroke).Key("thrust").Number(Rounded(c.Thrust, 1));
        j.Key("required").Number(Rounded(c.Required, 1)).Key("margin").Number(Rounded(c.Margin, 1));
        j.Key("marginPercent").Number(Rounded(c.MarginPercent, 2)).Key("fits").Bool(c.Fits);
        j.Key("current").Bool(c.Current);
        Entries(j, c.Entries);
        j.EndObject();
      } else {
        table.push_back({c.Current ? "*" : "", c.Name, Num(c.Stroke, 0), Num(c.Thrust, 0), Num(c.Margin, 0),
                         Num(c.MarginPercent, 1), Translate(c.Fits ? "ja" : "nein")});
      }
    }
  }
  if (json) {
    j.EndArray();
    ctx.out << "\n";
  } else {
    PrintTable(table, ctx.out);
  }
  return ExitOk;
}

}  // namespace

Command ChooseCommand() {
  return {"choose", "the catalogue's valves or actuators for the duty of a case file", kUsage, RunChoose};
}

}  // namespace torvacalc
