#include "sheet/sheet_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <cstdio>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "media/substance_types.h"
#include "sheet/text_metrics.h"
#include "valves/control_valve.h"
#include "workspace/entries.h"
#include "workspace/points_layout.h"
#include "workspace/torva_workspace.h"

namespace torvacalc {

TPageSize PageSizeOf(TPaper paper) {
  return paper == TPaper::Letter ? TPageSize{612, 792} : TPageSize{595.276, 841.89};
}

namespace {

constexpr double kMargin = 28;  // about 10 mm
constexpr double kLabelSize = 5.5, kValueSize = 7.5, kRow = 10.5;
constexpr double kLabelGrey = 0.35, kBarGrey = 0.85;

// ------------------------------------------------------------- drawing

class TPageWriter {
 public:
  explicit TPageWriter(TSheetPage& page) : FPage(page) {}
  void Box(double x, double y, double w, double h, double line = 0.5, double fill = -1) {
    FPage.items.emplace_back(TSheetBox{x, y, w, h, line, fill});
  }
  void Line(double x1, double y1, double x2, double y2, double width = 0.5, double grey = 0, bool dashed = false) {
    FPage.items.emplace_back(TSheetLine{x1, y1, x2, y2, width, grey, dashed});
  }
  void Polyline(std::vector<std::pair<double, double>> pts, double width, double grey, bool dashed) {
    if (pts.size() >= 2) FPage.items.emplace_back(TSheetPolyline{std::move(pts), width, grey, dashed});
  }
  void Text(double x, double y, double size, const std::string& text, bool bold = false, TAlign align = TAlign::Left,
            double grey = 0) {
    if (!text.empty()) FPage.items.emplace_back(TSheetText{x, y, size, bold, text, align, grey});
  }
  // A text in a box of width `w` whose first baseline is `y`: one line at
  // `size` where it fits, else smaller (down to 5 pt), then broken into at
  // most `maxLines` lines at blanks (a word is never split; a single word
  // still too wide is printed smaller rather than broken).
  void FitText(double x, double y, double w, double size, const std::string& text, int maxLines = 1, bool bold = false,
               TAlign align = TAlign::Left) {
    if (text.empty()) return;
    double s = size;
    while (s > 5 && TextWidth(text, s, bold) > w) s -= 0.25;
    std::vector<std::string> lines{text};
    if (TextWidth(text, s, bold) > w && maxLines > 1) lines = BreakLines(text, w, s, bold);
    if (static_cast<int>(lines.size()) > maxLines) {
      lines.resize(maxLines);
      lines.back() += " …";
    }
    for (const std::string& l : lines) {
      double ls = s;
      while (ls > 3 && TextWidth(l, ls, bold) > w) ls -= 0.25;
      const double tx = align == TAlign::Left ? x : align == TAlign::Right ? x + w : x + w / 2;
      Text(tx, y, ls, l, bold, align);
      y += s + 1;
    }
  }
  // A field of the form: a box with its label small at the top and its
  // value below; no value leaves the box empty for the hand or the entry.
  void Field(double x, double y, double w, double h, const std::string& label, const std::string& value,
             bool bold = false, double valueSize = 8) {
    Box(x, y, w, h);
    FitText(x + 2, y + kLabelSize + 1, w - 4, kLabelSize, label);
    if (!FPage.items.empty())
      if (auto* t = std::get_if<TSheetText>(&FPage.items.back()); t && t->text == label) t->grey = kLabelGrey;
    FitText(x + 2, y + h - 3, w - 4, valueSize, value, 1, bold);
  }
  // A section's title bar.
  void Bar(double x, double y, double w, const std::string& title) {
    Box(x, y, w, kRow, 0.5, kBarGrey);
    FitText(x + 3, y + kRow - 3, w - 6, 7.5, title, 1, true);
  }

 private:
  TSheetPage& FPage;
};

// ------------------------------------------------------------- reading

struct TValue {
  std::string text, unit;
};

std::string UnitOf(const TCalcItem* item) {
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  if (!p) return {};
  const std::string u = ShownParameter(*p).GetCalcUnitName();
  return u == "-" ? std::string() : u;
}

class TReader {
 public:
  explicit TReader(TWorkspace& calc) : FCalc(calc) {
    if (auto* torva = dynamic_cast<TTorvaWorkspace*>(&calc)) {
      const TPointsLayout layout = LayoutOfCalculation(torva->Calculation());
      for (int p = 0; p < kPointCount; ++p)
        if (layout.on[p]) FPoints.push_back(p);
    } else {
      for (int p = 0; p < calc.OperatingPointCount(); ++p) FPoints.push_back(p);
    }
  }
  const std::vector<int>& Points() const { return FPoints; }
  TCalcItem* Item(const std::string& name, int op = 0) const { return FCalc.Item(name, op); }
  // The value as the tables show it (an entered value also where this
  // calculation does not use it: the purchaser reads what was specified);
  // a result that means nothing for this medium or valve (the vapour
  // pressure of a superheated steam) stays an empty box.
  TValue Value(const std::string& name, int op = 0) const {
    const TCalcItem* i = Item(name, op);
    if (!i) return {};
    if (i->GetInputState() != isUser && !FCalc.Relevant(name, op)) return {};
    return {ItemValueText(*i), UnitOf(i)};
  }
  // A nominal size as the purchaser reads it: "DN 80 (NPS 3)". Nominal
  // sizes are designations, not lengths; they are never converted.
  std::string NominalSize(const std::string& name) const {
    Extended dn = Basic(name);
    if (IsNoValue(dn)) {  // a size chosen from a list ("150")
      const std::string t = Text(name);
      if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) return t;
      dn = std::stol(t);
    }
    if (dn <= 0) return Text(name);
    // The pairs of nominal sizes of ASME B36.10M / ISO 6708.
    static const std::pair<int, const char*> kNps[] = {
        {15, "1/2"},   {20, "3/4"}, {25, "1"},   {32, "1 1/4"}, {40, "1 1/2"}, {50, "2"},   {65, "2 1/2"},
        {80, "3"},     {90, "3 1/2"}, {100, "4"}, {125, "5"},   {150, "6"},     {200, "8"},  {250, "10"},
        {300, "12"},   {350, "14"}, {400, "16"}, {450, "18"},  {500, "20"},    {600, "24"}};
    const long mm = std::lround(static_cast<double>(dn));
    std::string text = "DN " + std::to_string(mm);
    for (const auto& [d, nps] : kNps)
      if (d == mm) text += std::string(" (NPS ") + nps + ")";
    return text;
  }
  std::string Text(const std::string& name, int op = 0) const {
    const TValue v = Value(name, op);
    if (v.text.empty()) return {};
    return v.unit.empty() ? v.text : v.text + " " + v.unit;
  }
  Extended Number(const std::string& name, int op = 0) const {
    const TCalcItem* i = Item(name, op);
    const TCalcParameter* p = i ? i->AsParameter() : nullptr;
    if (!p) return NoValue;
    const TCalcParameter& shown = ShownParameter(*p);
    const Extended v = shown.GetCalcValue();
    return HasValue(v) ? shown.ConvertToUnit(v) : NoValue;
  }
  Extended Basic(const std::string& name, int op = 0) const {
    const TCalcItem* i = Item(name, op);
    const TCalcParameter* p = i ? i->AsParameter() : nullptr;
    return p ? p->GetValue() : NoValue;
  }
  std::string Caption(const std::string& name, const char* german) const {
    if (german) return Translate(german);
    const TCalcItem* i = Item(name, 0);
    return i ? i->GetCaption() : name;
  }
  // Whether the declared phase is a vapour or a gas (a two-phase flow is
  // sized from its liquid).
  bool Gas() const {
    const auto* s = dynamic_cast<const TCustomCalcMultiSwitch*>(Item("Phase", 0));
    const int phase = s ? s->GetSwitchStatus() : phLiquid;
    return phase == phVapour || phase == phGas || phase == phGasOp;
  }
  // The loudest active point (its index) or -1 without any level.
  int LoudestPoint() const {
    int best = -1;
    Extended level = NoValue;
    for (int p : FPoints) {
      const Extended l = Basic("LpAa", p);
      if (HasValue(l) && (!HasValue(level) || l > level)) level = l, best = p;
    }
    return best;
  }
  TWorkspace& Calc() const { return FCalc; }

 private:
  TWorkspace& FCalc;
  std::vector<int> FPoints;
};

// The first of `names` the calculation uses (the sub-style of the chosen
// valve style is the one switch of the four that is in use).
std::string FirstUsed(const TReader& r, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (std::string t = r.Text(n); !t.empty()) return t;
  return {};
}

std::string Joined(std::initializer_list<std::string> parts, const char* sep = " ") {
  std::string s;
  for (const std::string& p : parts)
    if (!p.empty()) s += (s.empty() ? "" : sep) + p;
  return s;
}

// ------------------------------------------------------------- sections

// A row of a section: its German caption (nullptr: the item's caption) and
// its value.
struct TRow {
  std::string label, value;
};

double Section(TPageWriter& w, double x, double y, double width, const std::string& title,
               const std::vector<TRow>& rows) {
  w.Bar(x, y, width, title);
  y += kRow;
  const double labelW = width * 0.46;
  for (const TRow& row : rows) {
    w.Box(x, y, labelW, kRow);
    w.Box(x + labelW, y, width - labelW, kRow);
    w.FitText(x + 2, y + kRow - 3, labelW - 4, 6.5, row.label);
    w.FitText(x + labelW + 2, y + kRow - 3, width - labelW - 4, kValueSize, row.value);
    y += kRow;
  }
  return y;
}

TRow ItemRow(const TReader& r, const std::string& name, const char* german = nullptr) {
  return {r.Caption(name, german), r.Text(name)};
}

// The header of every page: the title, the page count, the document's
// fields.
double Header(TPageWriter& w, const TReader& r, double left, double width, int page, int pages) {
  double y = kMargin;
  w.Text(left, y + 13, 13, Translate("Stellventil-Datenblatt"), true);
  w.Text(left + width, y + 7, 7, Translate("nach IEC 60534-7"), false, TAlign::Right, kLabelGrey);
  std::string pageText = Translate("Seite %1 von %2");
  pageText.replace(pageText.find("%1"), 2, std::to_string(page));
  pageText.replace(pageText.find("%2"), 2, std::to_string(pages));
  w.Text(left + width, y + 16, 8, pageText, true, TAlign::Right);
  y += 20;
  const double h = 20, c = width / 5;
  auto field = [&](int col, int span, double yy, const char* german, const std::string& name, bool bold = false) {
    w.Field(left + col * c, yy, c * span, h, Translate(german), r.Text(name), bold, bold ? 10 : 8);
  };
  field(0, 1, y, "Kunde", "Customer");
  field(1, 1, y, "Projekt", "Project");
  field(2, 1, y, "Anlage / Standort", "Plant");
  field(3, 1, y, "Messstellennummer", "Tag", true);
  field(4, 1, y, "Blatt", "SheetNo");
  y += h;
  field(0, 2, y, "Aufgabe", "Service");
  field(2, 1, y, "R&I-Fließbild", "PID");
  field(3, 1, y, "Leitungsnummer", "LineNo");
  field(4, 1, y, "Dokumentnummer", "DocumentNo");
  y += h;
  field(0, 1, y, "Revision", "Revision");
  field(1, 1, y, "Datum", "SheetDate");
  field(2, 1, y, "Erstellt", "PreparedBy");
  field(3, 1, y, "Geprüft", "CheckedBy");
  field(4, 1, y, "Freigegeben", "ApprovedBy");
  return y + h + 6;
}

void Footer(TPageWriter& w, const TSheetOptions& o, double left, double width, double bottom) {
  const std::string program = std::string("Torvacalc ") + TORVACALC_VERSION;
  w.Line(left, bottom - 9, left + width, bottom - 9, 0.3);
  w.Text(left, bottom - 2, 6, Translate("Berechnet mit") + " " + program, false, TAlign::Left, kLabelGrey);
  if (!o.source.empty()) w.FitText(left + width / 2, bottom - 2, width / 2, 6, o.source, 1, false, TAlign::Right);
}

// The pressure drop over the valve, p1 - p2, as the purchaser reads it
// (the calculation's own dp of a gas is the effective drop Y² dp).
const char* const kPressureDrop = "p1 - p2";

TValue PressureDrop(const TReader& r, int op) {
  const Extended p1 = r.Basic("P1", op), p2 = r.Basic("p2", op);  // bar(a)
  if (!Available(p1, p2)) return {};
  const bool psi = r.Value("P1", op).unit.rfind("psi", 0) == 0;
  const Extended dp = psi ? (p1 - p2) * 1e5L / 6894.757293168L : p1 - p2;
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", static_cast<double>(dp));
  return {text, psi ? "psi" : "bar"};
}

// The service conditions: one column per active point.
double ServiceConditions(TPageWriter& w, const TReader& r, double x, double y, double width) {
  const bool gas = r.Gas();
  struct TLine {
    const char* name;
    const char* german;
    bool gasOnly = false;  // the substance module finds a value for a liquid too
  };
  std::vector<TLine> lines = {
      {"Qm", "Massenstrom"},
      {gas ? "Qn" : "Qv", gas ? "Normvolumenstrom" : "Volumenstrom"},
      {"P1", "Eintrittsdruck p1"},
      {"p2", "Austrittsdruck p2"},
      {kPressureDrop, "Differenzdruck"},
      {"T1", "Eintrittstemperatur T1"},
      {"Rho1", "Dichte am Eintritt"},
      {"Pv1", "Dampfdruck pv"},
      {"Eta1", "Dynamische Viskosität"},
      {"Kappa1", "Isentropenexponent", true},
      {"Z1", "Realgasfaktor Z", true},
      {"kv", "Erforderlicher Kv"},
      {"KvKvs", "Öffnung Kv/Kvs"},
      {"StrokePosition", "Hub h/H100"},
      {"FlowState", "Strömungszustand"},
      {"uDiP1", "Geschwindigkeit Eintrittsleitung"},
      {"u", "Geschwindigkeit Ventilaustritt"},
      {"uDiP2", "Geschwindigkeit Austrittsleitung"},
      {"LpAa", "Schalldruckpegel dB(A) in 1 m"},
  };
  const std::vector<int>& pts = r.Points();
  const double labelW = width * 0.32, unitW = width * 0.11;
  const double colW = (width - labelW - unitW) / std::max<size_t>(pts.size(), 1);
  w.Bar(x, y, width, Translate("Betriebsbedingungen"));
  y += kRow;
  w.Box(x, y, labelW + unitW, kRow);
  w.FitText(x + 2, y + kRow - 3, labelW - 4, 6.5, Translate("Betriebspunkt"), 1, true);
  for (size_t c = 0; c < pts.size(); ++c) {
    w.Box(x + labelW + unitW + c * colW, y, colW, kRow);
    w.FitText(x + labelW + unitW + c * colW + 2, y + kRow - 3, colW - 4, 6.5, r.Calc().OperatingPointCaption(pts[c]), 1,
              true, TAlign::Centre);
  }
  y += kRow;
  for (const TLine& l : lines) {
    // The row's unit is point 1's; a point shown in another unit says so.
    std::string unit;
    const auto value = [&](int p) {
      if (l.name == kPressureDrop) return PressureDrop(r, p);
      return l.gasOnly && !gas ? TValue{} : r.Value(l.name, p);
    };
    for (int p : pts)
      if (unit.empty()) unit = value(p).unit;
    w.Box(x, y, labelW, kRow);
    w.Box(x + labelW, y, unitW, kRow);
    w.FitText(x + 2, y + kRow - 3, labelW - 4, 6.5, Translate(l.german));
    w.FitText(x + labelW + 2, y + kRow - 3, unitW - 4, 6.5, unit);
    for (size_t c = 0; c < pts.size(); ++c) {
      const TValue v = value(pts[c]);
      const std::string cell = v.unit == unit || v.text.empty() ? v.text : v.text + " " + v.unit;
      const double cx = x + labelW + unitW + c * colW;
      w.Box(cx, y, colW, kRow);
      w.FitText(cx + 2, y + kRow - 3, colW - 4, kValueSize, cell, 1, false, TAlign::Right);
    }
    y += kRow;
  }
  return y;
}

// ------------------------------------------------------------- charts

struct TAxis {
  double min = 0, max = 1, step = 0.2;
};

TAxis NiceAxis(double top) {
  if (!(top > 0) || !std::isfinite(top)) top = 1;
  const double raw = top / 5, mag = std::pow(10, std::floor(std::log10(raw)));
  double step = mag;
  for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (f * mag >= raw) {
      step = f * mag;
      break;
    }
  return {0, std::ceil(top / step - 1e-9) * step, step};
}

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// A chart's frame, grid and tick labels; maps values into the frame.
struct TChartFrame {
  double x, y, w, h;
  TAxis ax, ay;
  double X(double v) const { return x + w * (v - ax.min) / (ax.max - ax.min); }
  double Y(double v) const { return y + h - h * (v - ay.min) / (ay.max - ay.min); }
};

void DrawFrame(TPageWriter& pw, const TChartFrame& f, bool xTicks = true) {
  for (double v = f.ay.min; v <= f.ay.max + f.ay.step / 2; v += f.ay.step) {
    pw.Line(f.x, f.Y(v), f.x + f.w, f.Y(v), 0.2, 0.75);
    pw.Text(f.x - 2, f.Y(v) + 2, 5.5, Number(v), false, TAlign::Right);
  }
  if (xTicks)
    for (double v = f.ax.min; v <= f.ax.max + f.ax.step / 2; v += f.ax.step) {
      pw.Line(f.X(v), f.y, f.X(v), f.y + f.h, 0.2, 0.75);
      pw.Text(f.X(v), f.y + f.h + 7, 5.5, Number(v), false, TAlign::Centre);
    }
  pw.Box(f.x, f.y, f.w, f.h, 0.6);
}

void Marker(TPageWriter& pw, double x, double y) { pw.Box(x - 1.8, y - 1.8, 3.6, 3.6, 0.6, 0); }

// The installed characteristic: Kv over travel of the trim, the operating
// points where the calculation places them, and the flow the plant passes
// at the travels of its load points 1 to 3 (right-hand scale, dashed).
void CharacteristicChart(TPageWriter& pw, const TReader& r, double x, double y, double w, double h) {
  pw.Bar(x, y, w, Translate("Betriebskennlinie"));
  pw.Box(x, y + kRow, w, h - kRow);
  const Extended kvs = r.Number("kvs");
  const auto* typeSwitch = dynamic_cast<const TCustomCalcMultiSwitch*>(r.Item("CharacteristicType"));
  const auto type = static_cast<teCharacteristicType>(typeSwitch ? typeSwitch->GetSwitchStatus() : ctEqualPercentage);
  const Extended phi0 = r.Basic("phi0");
  struct TPt {
    double travel, kv, flow;
    int op;
  };
  std::vector<TPt> pts;
  double kvTop = HasValue(kvs) ? static_cast<double>(kvs) : 0, flowTop = 0;
  for (int op : r.Points()) {
    const Extended hPos = r.Basic("StrokePosition", op), kv = r.Number("kv", op), q = r.Number("Qm", op);
    if (!HasValue(hPos) || !HasValue(kv)) continue;
    pts.push_back({static_cast<double>(hPos), static_cast<double>(kv), HasValue(q) ? static_cast<double>(q) : -1, op});
    kvTop = std::max(kvTop, static_cast<double>(kv));
    if (HasValue(q) && op < 3) flowTop = std::max(flowTop, static_cast<double>(q));
  }
  TChartFrame f{x + 26, y + kRow + 14, w - 54, h - kRow - 38, {0, 100, 20}, NiceAxis(kvTop)};
  DrawFrame(pw, f);
  pw.Text(f.x + f.w / 2, f.y + f.h + 15, 6, Translate("Hub h/H100 in %"), false, TAlign::Centre);
  pw.Text(f.x - 22, f.y - 4, 6, "Kv " + UnitOf(r.Item("kv")), true);
  if (HasValue(kvs) && kvs > 0) {
    std::vector<std::pair<double, double>> curve;
    for (int i = 0; i <= 100; ++i) {
      const Extended ratio = i;  // Kv/Kvs in %
      const Extended travel = tControlValve::CalculateStroke(type, ratio, phi0);
      if (HasValue(travel) && travel >= 0 && travel <= 100)
        curve.emplace_back(f.X(static_cast<double>(travel)), f.Y(static_cast<double>(kvs * ratio / 100)));
    }
    pw.Polyline(std::move(curve), 1, 0, false);
  }
  std::vector<TPt> load;
  for (const TPt& p : pts) {
    Marker(pw, f.X(p.travel), f.Y(p.kv));
    pw.Text(f.X(p.travel) + 3, f.Y(p.kv) - 3, 5.5, p.op == 3 ? "X" : std::to_string(p.op + 1), true);
    if (p.flow >= 0 && p.op < 3) load.push_back(p);
  }
  if (load.size() >= 2 && flowTop > 0) {
    std::sort(load.begin(), load.end(), [](const TPt& a, const TPt& b) { return a.travel < b.travel; });
    const TAxis flowAxis = NiceAxis(flowTop);
    TChartFrame g = f;
    g.ay = flowAxis;
    std::vector<std::pair<double, double>> line;
    for (const TPt& p : load) line.emplace_back(g.X(p.travel), g.Y(p.flow));
    pw.Polyline(std::move(line), 1, 0.3, true);
    for (double v = g.ay.min; v <= g.ay.max + g.ay.step / 2; v += g.ay.step)
      pw.Text(g.x + g.w + 2, g.Y(v) + 2, 5.5, Number(v));
    pw.Text(g.x + g.w + 26, g.y - 4, 6, Translate("Massenstrom") + " " + UnitOf(r.Item("Qm")), true, TAlign::Right);
  }
  pw.Text(x + 4, y + h - 3, 5.5,
          Translate("Linie: Ventilkennlinie Kv; gestrichelt: Betriebskennlinie (Durchfluss der Anlage)"), false,
          TAlign::Left, kLabelGrey);
}

// The octave spectrum of the loudest point.
void SpectrumChart(TPageWriter& pw, const TReader& r, double x, double y, double w, double h) {
  static const std::array<const char*, 9> bands = {"63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
  const int op = r.LoudestPoint();
  std::string title = Translate("Geräuschspektrum");
  if (op >= 0) title += " – " + r.Calc().OperatingPointCaption(op);
  pw.Bar(x, y, w, title);
  pw.Box(x, y + kRow, w, h - kRow);
  std::array<double, 9> level{};
  std::array<bool, 9> has{};
  double top = 0;
  for (size_t b = 0; b < bands.size() && op >= 0; ++b) {
    const Extended l = r.Basic(std::string("LpAe") + bands[b], op);
    has[b] = HasValue(l) && l >= 0;  // a band below 0 dB(A) adds nothing to the level
    if (has[b]) level[b] = static_cast<double>(l), top = std::max(top, level[b]);
  }
  TChartFrame f{x + 26, y + kRow + 14, w - 36, h - kRow - 38, {0, 8, 1}, NiceAxis(top)};
  DrawFrame(pw, f, false);
  for (size_t b = 0; b < bands.size(); ++b) {
    pw.Line(f.X(static_cast<double>(b)), f.y, f.X(static_cast<double>(b)), f.y + f.h, 0.2, 0.75);
    pw.Text(f.X(static_cast<double>(b)), f.y + f.h + 7, 5.5, bands[b], false, TAlign::Centre);
  }
  pw.Text(f.x + f.w / 2, f.y + f.h + 15, 6, Translate("Oktavmittenfrequenz in Hz"), false, TAlign::Centre);
  pw.Text(f.x - 22, f.y - 4, 6, "dB(A)", true);
  std::vector<std::pair<double, double>> line;
  for (size_t b = 0; b < bands.size(); ++b)
    if (has[b]) {
      line.emplace_back(f.X(static_cast<double>(b)), f.Y(level[b]));
      Marker(pw, line.back().first, line.back().second);
    }
  if (line.empty())
    pw.Text(f.x + f.w / 2, f.y + f.h / 2, 7, Translate("Kein Oktavspektrum berechnet"), false, TAlign::Centre,
            kLabelGrey);
  pw.Polyline(std::move(line), 1, 0, false);
  if (op >= 0)
    pw.Text(x + 4, y + h - 3, 5.5, Translate("Gesamtpegel") + " LpAa = " + r.Text("LpAa", op), false, TAlign::Left,
            kLabelGrey);
}

// ------------------------------------------------------------- messages

double Messages(TPageWriter& w, const TReader& r, double x, double y, double width, double bottom) {
  std::vector<TPointMessage> facts;
  for (const TPointMessage& m : r.Calc().ReadMessages())
    if (m.type <= cmWarning) facts.push_back(m);
  w.Bar(x, y, width, Translate("Meldungen, die eine Maßnahme erfordern"));
  y += kRow;
  const double top = y;
  y += 2;
  const double size = 6.5, pointW = 70, textX = x + pointW + 4, textW = width - pointW - 8;
  if (facts.empty()) {
    y += size + 2;
    w.Text(x + 4, y, size, Translate("keine"));
  }
  for (size_t i = 0; i < facts.size(); ++i) {
    const TPointMessage& m = facts[i];
    // A missing input and a value out of bounds say which, by caption.
    std::vector<std::string> captions;
    if (m.type == cmMissingParameter || m.type == cmOutOfBounds)
      for (const std::string& n : m.items)
        if (const TCalcItem* item = r.Item(n);
            item && std::find(captions.begin(), captions.end(), item->GetCaption()) == captions.end())
          captions.push_back(item->GetCaption());
    std::string concerns;
    for (const std::string& c : captions) concerns += (concerns.empty() ? " (" : ", ") + c;
    if (!concerns.empty()) concerns += ")";
    const std::vector<std::string> lines =
        BreakLines(m.typeText + " " + std::to_string(m.no) + ": " + m.text + concerns, textW, size, false);
    const double need = lines.size() * (size + 1.5);
    // The line that says what was left out must still fit.
    if (y + need + (i + 1 < facts.size() ? size + 3 : 0) > bottom - 4) {
      std::string more = Translate("… %1 weitere Meldungen (siehe Berechnung)");
      more.replace(more.find("%1"), 2, std::to_string(facts.size() - i));
      y += size + 2;
      w.Text(x + 4, y, size, more, true);
      break;
    }
    y += size + 1.5;
    w.FitText(x + 4, y, pointW, size,
              m.point < 0 ? Translate("Alle Betriebspunkte") : r.Calc().OperatingPointCaption(m.point), 1, true);
    for (const std::string& l : lines) {
      w.Text(textX, y, size, l);
      y += size + 1.5;
    }
    y -= size + 1.5;
  }
  y += 4;
  w.Box(x, top, width, y - top);
  return y;
}

}  // namespace

TSheetDocument LayoutSheet(TWorkspace& calc, const TSheetOptions& options) {
  TReader r(calc);
  TSheetDocument doc;
  doc.size = PageSizeOf(options.paper);
  doc.title = r.Text("Tag");
  if (doc.title.empty()) doc.title = Translate("Stellventil-Datenblatt");
  doc.pages.resize(kSheetPages);
  const double left = kMargin, width = doc.size.width - 2 * kMargin, bottom = doc.size.height - kMargin;
  const double half = (width - 8) / 2, right = left + half + 8;
  const bool gas = r.Gas();

  // Page 1: line and fluid, service conditions, body and trim.
  {
    TPageWriter w(doc.pages[0]);
    double y = Header(w, r, left, width, 1, kSheetPages);
    const double y1 =
        Section(w, left, y, half, Translate("Rohrleitung"),
                {{Translate("Nennweite Eintritt / Austritt"), Joined({r.NominalSize("DN1"), r.NominalSize("DN")}, " / ")},
                 ItemRow(r, "PN", "Nenndruck"),
                 ItemRow(r, "PipeClass", "Rohrnorm / Wanddicke"),
                 {Translate("Innendurchmesser Eintritt / Austritt"), Joined({r.Text("DiP1"), r.Text("DiP")}, " / ")},
                 ItemRow(r, "Material", "Rohrwerkstoff"),
                 ItemRow(r, "Insulation", "Isolierung")});
    std::vector<TRow> fluid = {ItemRow(r, "FluidName", "Medium"), ItemRow(r, "DisplayPhase", "Phase")};
    if (gas) {
      fluid.push_back(ItemRow(r, "M", "Molare Masse"));
      fluid.push_back(ItemRow(r, "RhoN", "Normdichte"));
    } else {
      fluid.push_back(ItemRow(r, "Tc", "Kritische Temperatur"));
    }
    fluid.push_back(ItemRow(r, "Pc", "Kritischer Druck"));
    while (fluid.size() < 6) fluid.push_back({});
    const double y2 = Section(w, right, y, half, Translate("Medium"), fluid);
    y = std::max(y1, y2) + 6;
    y = ServiceConditions(w, r, left, y, width) + 6;
    const std::string style = Joined(
        {r.Text("ValveType"), FirstUsed(r, {"GlobeType", "RotaryType", "ButterflyType", "BallValveType"})}, ", ");
    Section(w, left, y, half, Translate("Ventilgehäuse"),
            {{Translate("Bauform"), style},
             {Translate("Hersteller / Baureihe"), Joined({r.Text("VManufacturer"), r.Text("VSeries")}, " / ")},
             {Translate("Nennweite"), r.NominalSize("DNV")},
             ItemRow(r, "PNV", "Nenndruck (PN / Class)"),
             ItemRow(r, "EndConnection", "Anschlussart"),
             ItemRow(r, "FaceToFace", "Baulänge"),
             ItemRow(r, "BodyMaterial", "Gehäusewerkstoff"),
             ItemRow(r, "BonnetType", "Oberteil"),
             ItemRow(r, "PackingType", "Stopfbuchse"),
             {Translate("Auslegungsdruck / -temperatur"), Joined({r.Text("pmaxValve"), r.Text("tmaxValve")}, " / ")}});
    Section(w, right, y, half, Translate("Garnitur"),
            {ItemRow(r, "LowNoiseDesign", "Garniturbauart"),
             ItemRow(r, "CharacteristicType", "Kennlinie"),
             ItemRow(r, "phi0", "Stellverhältnis"),
             ItemRow(r, "Seat", "Sitzdurchmesser"),
             ItemRow(r, "Stroke", "Nennhub"),
             ItemRow(r, "kvs", "Kvs-Wert"),
             {"FL / xT", Joined({r.Text("fl2_75"), r.Text("xt_75")}, " / ")},
             ItemRow(r, "BalancedPlug", "Druckentlasteter Kegel"),
             ItemRow(r, "TrimMaterial", "Garniturwerkstoff"),
             ItemRow(r, "LeakageClass", "Leckageklasse")});
    Footer(w, options, left, width, bottom);
  }

  // Page 2: actuator and accessories, noise, charts, messages, requirements.
  {
    TPageWriter w(doc.pages[1]);
    double y = Header(w, r, left, width, 2, kSheetPages);
    const double a1 = Section(
        w, left, y, half, Translate("Antrieb"),
        {ItemRow(r, "ActuatorKind", "Bauart"),
         {Translate("Hersteller / Typ"), Joined({r.Text("ActuatorManufacturer"), r.Text("ActuatorName")}, " / ")},
         ItemRow(r, "ActuatorArea", "Wirkfläche"),
         ItemRow(r, "ActuatorStroke", "Hub"),
         ItemRow(r, "SpringRange", "Federbereich"),
         ItemRow(r, "FailPosition", "Sicherheitsstellung"),
         ItemRow(r, "SupplyPressure", "Zuluftdruck"),
         ItemRow(r, "dpShutOff", "Schließdruckdifferenz"),
         ItemRow(r, "RequiredThrust", "Erforderliche Stellkraft"),
         ItemRow(r, "ActuatorThrust", "Verfügbare Stellkraft"),
         ItemRow(r, "ThrustReserve", "Kraftreserve"),
         ItemRow(r, "Handwheel", "Handrad")});
    std::vector<TRow> extras = {ItemRow(r, "Positioner", "Stellungsregler"),
                                ItemRow(r, "InputSignal", "Eingangssignal"), ItemRow(r, "Accessories", "Zubehör"),
                                ItemRow(r, "ActuatorSpeed", "Stellzeit")};
    double a2 = Section(w, right, y, half, Translate("Stellungsregler und Zubehör"), extras) + 4;
    std::string method = r.Text(gas ? "NoiseNormGas" : "NoiseNormLiquid");
    std::vector<TRow> noise = {{Translate("Berechnungsverfahren"), method},
                               ItemRow(r, "AllowedLevel", "Zulässiger Schalldruckpegel")};
    for (int p : r.Points()) noise.push_back({r.Calc().OperatingPointCaption(p) + ": LpAa", r.Text("LpAa", p)});
    a2 = Section(w, right, a2, half, Translate("Geräusch (1 m hinter dem Ventil, 1 m von der Rohrwand)"), noise);
    y = std::max(a1, a2) + 6;
    if (options.charts) {
      const double chartH = 170;
      CharacteristicChart(w, r, left, y, half, chartH);
      SpectrumChart(w, r, right, y, half, chartH);
      y += chartH + 6;
    }
    // The requirements keep their place at the foot of the page; the
    // messages take the room above.
    const double notesH = options.requirements ? 4 * kRow : 0;
    const double notesY = bottom - 12 - notesH;
    if (options.messages) Messages(w, r, left, y, width, notesY - 6);
    if (options.requirements) {
      w.Bar(left, notesY, width, Translate("Anforderungen und Bemerkungen"));
      w.Box(left, notesY + kRow, width, notesH - kRow);
      w.FitText(left + 3, notesY + kRow + 8, width - 6, kValueSize, r.Text("SheetNotes"), 3);
    }
    Footer(w, options, left, width, bottom);
  }
  return doc;
}

// ------------------------------------------------------------- index

TSheetIndexRow IndexRowOf(TWorkspace& calc, const std::string& file) {
  TReader r(calc);
  TSheetIndexRow row{r.Text("Tag"), r.Text("Service"), r.NominalSize("DNV"), r.Text("kvs"), {}, file};
  const int loud = r.LoudestPoint();
  if (loud >= 0) row.loudest = r.Text("LpAa", loud);
  return row;
}

std::string IndexCsv(const std::vector<TSheetIndexRow>& rows) {
  auto cell = [](const std::string& s) {
    if (s.find_first_of(",\"\n;") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
  };
  std::string out = cell(Translate("Messstellennummer")) + "," + cell(Translate("Aufgabe")) + "," +
                    cell(Translate("Nennweite")) + "," + cell(Translate("Kvs-Wert")) + "," +
                    cell(Translate("Höchster Schalldruckpegel")) + "," + cell(Translate("Datei")) + "\n";
  for (const TSheetIndexRow& r : rows)
    out += cell(r.tag) + "," + cell(r.service) + "," + cell(r.size) + "," + cell(r.kvs) + "," + cell(r.loudest) + "," +
           cell(r.file) + "\n";
  return out;
}

TSheetDocument LayoutIndex(const std::vector<TSheetIndexRow>& rows, const TSheetOptions& options) {
  TSheetDocument doc;
  doc.size = PageSizeOf(options.paper);
  doc.title = Translate("Verzeichnis der Datenblätter");
  const double left = kMargin, width = doc.size.width - 2 * kMargin, bottom = doc.size.height - kMargin;
  const std::array<double, 6> share = {0.16, 0.26, 0.10, 0.12, 0.16, 0.20};
  const std::array<std::string, 6> heads = {
      Translate("Messstellennummer"),         Translate("Aufgabe"), Translate("Nennweite"), Translate("Kvs-Wert"),
      Translate("Höchster Schalldruckpegel"), Translate("Datei")};
  const size_t perPage = static_cast<size_t>((bottom - kMargin - 40 - 20) / kRow);
  const size_t pages = std::max<size_t>(1, (rows.size() + perPage - 1) / perPage);
  for (size_t pg = 0; pg < pages; ++pg) {
    doc.pages.emplace_back();
    TPageWriter w(doc.pages.back());
    w.Text(left, kMargin + 13, 13, doc.title, true);
    std::string pageText = Translate("Seite %1 von %2");
    pageText.replace(pageText.find("%1"), 2, std::to_string(pg + 1));
    pageText.replace(pageText.find("%2"), 2, std::to_string(pages));
    w.Text(left + width, kMargin + 12, 8, pageText, true, TAlign::Right);
    double y = kMargin + 24;
    auto rowOut = [&](const std::array<std::string, 6>& cells, bool bold) {
      double x = left;
      for (size_t c = 0; c < cells.size(); ++c) {
        w.Box(x, y, share[c] * width, kRow, 0.5, bold ? kBarGrey : -1);
        w.FitText(x + 2, y + kRow - 3, share[c] * width - 4, bold ? 6.5 : kValueSize, cells[c], 1, bold);
        x += share[c] * width;
      }
      y += kRow;
    };
    rowOut(heads, true);
    for (size_t i = pg * perPage; i < std::min(rows.size(), (pg + 1) * perPage); ++i) {
      const TSheetIndexRow& r = rows[i];
      rowOut({r.tag, r.service, r.size, r.kvs, r.loudest, r.file}, false);
    }
    Footer(w, options, left, width, bottom);
  }
  return doc;
}

}  // namespace torvacalc
