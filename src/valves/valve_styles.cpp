#include "valves/valve_styles.h"

#include <algorithm>
#include <filesystem>

#include "framework/options.h"
#include "valves/valve_database.h"

namespace torvacalc {

namespace {

std::string Number(Extended v) {
  if (IsNoValue(v)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", static_cast<double>(v));
  return buf;
}

const char* DirectionText(teCvInwardFlow d) {
  switch (d) {
    case ifOpening: return "open";
    case ifClosing: return "close";
    default: return "any";
  }
}

// The default styles: replaceable, shared with the modules that took them.
struct TDefaultStyles {
  std::mutex Lock;
  std::shared_ptr<const TValveStyles> Styles;
};

TDefaultStyles& DefaultStyles() {
  static TDefaultStyles d;
  return d;
}

const std::vector<TTrimStyle> kNoTrims;

}  // namespace

// ------------------------------------------------------------ sources

std::vector<std::string> TValveStyleSource::ValueList() const {
  std::vector<std::string> out;
  for (const TValveStyle& s : FStyles.Styles()) out.push_back(s.Name);
  return out;
}

std::map<std::string, std::vector<std::string>> TValveStyleSource::ValueTexts() const {
  std::vector<std::string> en;
  for (const TValveStyle& s : FStyles.Styles()) en.push_back(s.NameEn);
  return {{"en", en}};
}

TChoiceList TValveStyleSource::SharedValueList() const { return FStyles.StyleNames(); }
TChoiceTexts TValveStyleSource::SharedValueTexts() const { return FStyles.StyleTexts(); }

std::shared_ptr<const TDataRecord> TValveStyleSource::Describe(int index) const {
  const auto& styles = FStyles.Styles();
  if (index < 0 || index >= static_cast<int>(styles.size())) return nullptr;
  const TValveStyle& s = styles[static_cast<size_t>(index)];
  auto r = std::make_shared<TDataRecord>();
  r->Key = std::to_string(s.Id);
  r->Fields = {{"Name", s.Name}, {"NameEn", s.NameEn}, {"EquivalentID", std::to_string(s.EquivalentId)}};
  return r;
}

std::vector<std::string> TValveTrimSource::ValueList() const {
  std::vector<std::string> out;
  for (const TTrimStyle& t : FStyles.Trims(FStyleIndex)) out.push_back(t.Name);
  return out;
}

std::map<std::string, std::vector<std::string>> TValveTrimSource::ValueTexts() const {
  std::vector<std::string> en;
  for (const TTrimStyle& t : FStyles.Trims(FStyleIndex)) en.push_back(t.NameEn);
  return {{"en", en}};
}

TChoiceList TValveTrimSource::SharedValueList() const { return FStyles.TrimNames(FStyleIndex); }
TChoiceTexts TValveTrimSource::SharedValueTexts() const { return FStyles.TrimTexts(FStyleIndex); }

std::shared_ptr<const TDataRecord> TValveTrimSource::Describe(int index) const {
  const TTrimStyle* t = FStyles.Trim(FStyleIndex, index);
  if (!t) return nullptr;
  auto r = std::make_shared<TDataRecord>();
  r->Key = std::to_string(t->StyleId) + "/" + std::to_string(t->TrimNo);
  r->Fields = {{"Name", t->Name},         {"NameEn", t->NameEn},   {"Direction", DirectionText(t->Direction)},
               {"FL", Number(t->FL)},     {"XT", Number(t->xT)},   {"Fd", Number(t->Fd)},
               {"Kc", Number(t->Kc)},     {"PerforatedPlug", t->PerforatedPlug ? "1" : "0"},
               {"Source", t->Source}};
  return r;
}

// ------------------------------------------------------------ TValveStyles

TDataCalcListSwitch* AddValveDataSwitch(TCalcModule& m, const std::string& name, const std::string& caption) {
  auto* s = m.AddItem<TDataCalcListSwitch>(name);
  s->SetCaption(caption);
  return s;
}

TValveStyles::TValveStyles(std::string path) : FPath(std::move(path)) {
  FTrimSources.reserve(TrimSwitchCount);
  for (int i = 0; i < TrimSwitchCount; ++i) FTrimSources.emplace_back(*this, i);
}

std::shared_ptr<const TValveStyles> TValveStyles::Default() {
  TDefaultStyles& d = DefaultStyles();
  std::lock_guard guard(d.Lock);
  if (!d.Styles)
    d.Styles = std::make_shared<TValveStyles>(
        (std::filesystem::path(ProgramDataDir()) / TValveDatabase::FileName).string());
  return d.Styles;
}

void TValveStyles::SetDefault(std::shared_ptr<const TValveStyles> styles) {
  TDefaultStyles& d = DefaultStyles();
  std::lock_guard guard(d.Lock);
  d.Styles = std::move(styles);
}

void TValveStyles::Load() const {
  std::call_once(FLoadOnce, [this] {
    try {
      const TValveDatabase db(FPath);
      // Stored calculations keep a style by its place in the list (ID - 1)
      // and a trim by its place in the style's list (TrimNo): the lists end
      // where the numbering has a gap.
      for (TValveStyle& s : db.Styles()) {
        if (s.Id != static_cast<int>(FStyles.size()) + 1) break;
        FStyles.push_back(std::move(s));
      }
      // The trims of every style in one read, by style and number.
      FTrims.resize(FStyles.size());
      std::vector<bool> gap(FStyles.size());
      for (TTrimStyle& t : db.Trims(0)) {
        const size_t style = static_cast<size_t>(t.StyleId - 1);
        if (t.StyleId < 1 || style >= FStyles.size() || gap[style]) continue;
        std::vector<TTrimStyle>& trims = FTrims[style];
        if (t.TrimNo != static_cast<int>(trims.size()))
          gap[style] = true;
        else
          trims.push_back(std::move(t));
      }
      if (FStyles.empty()) FLoadError = "Ventildatenbank ohne Bauarten: " + FPath;
    } catch (const EValveDatabase& e) {
      FLoadError = e.what();
      FStyles.clear();
      FTrims.clear();
    }
    // The lists every switch of a style or trim shows, made here once.
    const auto lists = [](const auto& rows, TChoiceList& names, TChoiceTexts& texts) {
      std::vector<std::string> de, en;
      for (const auto& r : rows) {
        de.push_back(r.Name);
        en.push_back(r.NameEn);
      }
      names = std::make_shared<const std::vector<std::string>>(std::move(de));
      texts = std::make_shared<const std::map<std::string, std::vector<std::string>>>(
          std::map<std::string, std::vector<std::string>>{{"en", std::move(en)}});
    };
    lists(FStyles, FStyleNames, FStyleTexts);
    FTrimNames.resize(TrimSwitchCount);
    FTrimTexts.resize(TrimSwitchCount);
    for (size_t i = 0; i < static_cast<size_t>(TrimSwitchCount); ++i)
      lists(i < FTrims.size() ? FTrims[i] : kNoTrims, FTrimNames[i], FTrimTexts[i]);
  });
}

bool TValveStyles::GetLoaded() const {
  Load();
  return FLoadError.empty();
}

const std::string& TValveStyles::GetLoadError() const {
  Load();
  return FLoadError;
}

const TChoiceList& TValveStyles::StyleNames() const {
  Load();
  return FStyleNames;
}

const TChoiceTexts& TValveStyles::StyleTexts() const {
  Load();
  return FStyleTexts;
}

const TChoiceList& TValveStyles::TrimNames(int styleIndex) const {
  Load();
  return styleIndex >= 0 && styleIndex < static_cast<int>(FTrimNames.size())
             ? FTrimNames[static_cast<size_t>(styleIndex)]
             : NoChoices();
}

const TChoiceTexts& TValveStyles::TrimTexts(int styleIndex) const {
  static const TChoiceTexts none;
  Load();
  return styleIndex >= 0 && styleIndex < static_cast<int>(FTrimTexts.size())
             ? FTrimTexts[static_cast<size_t>(styleIndex)]
             : none;
}

const std::vector<TValveStyle>& TValveStyles::Styles() const {
  Load();
  return FStyles;
}

const std::vector<TTrimStyle>& TValveStyles::Trims(int styleIndex) const {
  Load();
  if (styleIndex < 0 || styleIndex >= static_cast<int>(FTrims.size())) return kNoTrims;
  return FTrims[static_cast<size_t>(styleIndex)];
}

const TTrimStyle* TValveStyles::Trim(int styleIndex, int trimNo) const {
  const auto& trims = Trims(styleIndex);
  if (trimNo < 0 || trimNo >= static_cast<int>(trims.size())) return nullptr;
  return &trims[static_cast<size_t>(trimNo)];
}

const TSwitchDataSource& TValveStyles::TrimSource(int styleIndex) const {
  return FTrimSources.at(static_cast<size_t>(styleIndex));
}

int ChosenTrim(int style, const TDataCalcListSwitch* const (&trims)[TValveStyles::TrimSwitchCount]) {
  const TDataCalcListSwitch* sub = style >= 0 && style < TValveStyles::TrimSwitchCount ? trims[style] : nullptr;
  return sub ? std::max(0, sub->GetSwitchIndex()) : 0;
}

}  // namespace torvacalc
