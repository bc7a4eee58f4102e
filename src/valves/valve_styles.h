// The valve styles and their trims as the switches of the valve modules
// offer them: the ValveType switch lists the styles of the valve database,
// and the sub-style switches of globe, rotary plug, butterfly and ball
// valves list the trims of their style, with the typical factors behind
// each entry. The database is the only source of these lists and of their
// English names (its NameEn columns).
//
// Numbering, which stored calculations rely on: the index of a style in
// the ValveType switch is its database ID - 1, the index of a trim in its
// sub-style switch is its TrimNo. A database whose IDs or TrimNos have gaps
// is read up to the first gap; the rows after it cannot be chosen.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "valves/valve_description.h"

namespace torvacalc {

class TValveStyles;

// The styles of a valve database as a switch's entries.
class TValveStyleSource : public TSwitchDataSource {
 public:
  explicit TValveStyleSource(const TValveStyles& styles) : FStyles(styles) {}
  std::vector<std::string> ValueList() const override;
  std::map<std::string, std::vector<std::string>> ValueTexts() const override;
  TChoiceList SharedValueList() const override;
  TChoiceTexts SharedValueTexts() const override;
  std::shared_ptr<const TDataRecord> Describe(int index) const override;

 private:
  const TValveStyles& FStyles;
};

// The trims of one style (0-based as the ValveType switch).
class TValveTrimSource : public TSwitchDataSource {
 public:
  TValveTrimSource(const TValveStyles& styles, int styleIndex) : FStyles(styles), FStyleIndex(styleIndex) {}
  std::vector<std::string> ValueList() const override;
  std::map<std::string, std::vector<std::string>> ValueTexts() const override;
  TChoiceList SharedValueList() const override;
  TChoiceTexts SharedValueTexts() const override;
  std::shared_ptr<const TDataRecord> Describe(int index) const override;

 private:
  const TValveStyles& FStyles;
  int FStyleIndex;
};

// The styles and trims of one valve database file, read once on first use
// and kept in memory. Modules share it (std::shared_ptr); the program's
// data folder gives the default, which tests and other programs may point
// at another file.
class TValveStyles {
 public:
  // The styles that have a sub-style switch: globe, rotary plug, butterfly
  // and ball valves (0-based as the ValveType switch).
  static constexpr int TrimSwitchCount = 4;

  // Reads `path` on first use; an unreadable file leaves the lists empty
  // and GetLoadError says why.
  explicit TValveStyles(std::string path);
  TValveStyles(const TValveStyles&) = delete;
  TValveStyles& operator=(const TValveStyles&) = delete;

  // The styles of the valve database in the program's data folder, unless
  // SetDefault named others.
  static std::shared_ptr<const TValveStyles> Default();
  // Modules created from now on take `styles`; nullptr returns to the data
  // folder. Modules already created keep theirs.
  static void SetDefault(std::shared_ptr<const TValveStyles> styles);

  const std::string& Path() const { return FPath; }
  bool GetLoaded() const;
  // Empty when loaded.
  const std::string& GetLoadError() const;

  const std::vector<TValveStyle>& Styles() const;
  // The trims of a style (0-based as the ValveType switch), in TrimNo order.
  const std::vector<TTrimStyle>& Trims(int styleIndex) const;
  // The typical factors of a style and trim; nullptr when there is none.
  const TTrimStyle* Trim(int styleIndex, int trimNo) const;

  const TSwitchDataSource& StyleSource() const { return FStyleSource; }
  // The lists the switches show, made once: the names of the styles, or
  // of the trims of a style (index 0 to TrimSwitchCount - 1), and their
  // English names.
  const TChoiceList& StyleNames() const;
  const TChoiceTexts& StyleTexts() const;
  const TChoiceList& TrimNames(int styleIndex) const;
  const TChoiceTexts& TrimTexts(int styleIndex) const;
  // The source of a sub-style switch; index 0 to TrimSwitchCount - 1.
  const TSwitchDataSource& TrimSource(int styleIndex) const;

 private:
  void Load() const;

  std::string FPath;
  mutable std::once_flag FLoadOnce;
  mutable std::string FLoadError;
  mutable std::vector<TValveStyle> FStyles;
  mutable std::vector<std::vector<TTrimStyle>> FTrims;  // by style index
  mutable TChoiceList FStyleNames;
  mutable TChoiceTexts FStyleTexts;
  mutable std::vector<TChoiceList> FTrimNames;
  mutable std::vector<TChoiceTexts> FTrimTexts;
  TValveStyleSource FStyleSource{*this};
  std::vector<TValveTrimSource> FTrimSources;
};

// A module's list switch that the valve database fills.
TDataCalcListSwitch* AddValveDataSwitch(TCalcModule& m, const std::string& name, const std::string& caption);

// Points a data switch (TDataMultiSwitch, TDataCalcListSwitch) at a source
// of the valve database and fills it, keeping the choice whose text the new
// list has. A new switch (`first`) chooses the first entry; a refilled one
// that lost its choice keeps the text, choosing nothing, so that the user
// sees the choice is gone.
template <class S>
void OfferValveData(S* s, const TSwitchDataSource& source, bool first) {
  if (!s) return;
  s->SetDataSource(&source);
  s->GetFromDataBase();
  if (first && s->GetSwitchStatus() < 0) s->SetSwitchStatus(0);
}

// The ValveType switch of a module and its four sub-style switches (any may
// be nullptr) from `styles`.
template <class S>
void OfferValveStyles(const TValveStyles& styles, S* valveType,
                      TDataCalcListSwitch* const (&trims)[TValveStyles::TrimSwitchCount], bool first) {
  OfferValveData(valveType, styles.StyleSource(), first);
  for (int i = 0; i < TValveStyles::TrimSwitchCount; ++i)
    OfferValveData(trims[i], styles.TrimSource(i), first);
}

// The trim chosen under the style of index `style`: the choice of that
// style's own sub-style switch (globe, rotary plug, butterfly and ball
// valves have one each, in this order), 0 for the styles with one trim.
int ChosenTrim(int style, const TDataCalcListSwitch* const (&trims)[TValveStyles::TrimSwitchCount]);

}  // namespace torvacalc
