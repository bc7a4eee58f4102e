// The calculation module of the valve catalogue: the user picks a
// manufacturer and a series of the chosen valve style; the module offers
// the sizes of the series (all of them, and those that fit the duty),
// chooses the smallest size whose Kvs reaches the recommended one, and
// returns the data of that valve: sizes, pressure rating, seat, Kvs, the
// valve factors at 75 % travel, characteristic, limits and the acoustic
// data of the noise methods.
//
// The items keep the names, classes, quantities and value lists of the
// sizing and noise modules they feed, so that a super module links them one
// to one. Valve data that the sizing module holds as inputs (phi0, cvr,
// pr, dr, aPSE, bSSE) are database values here (TModifyParameter): the
// module writes them, the user may still change them.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/calc_module.h"
#include "framework/calc_switch.h"
#include "catalogue/valve_catalogue.h"
#include "valves/valve_description.h"
#include "valves/valve_styles.h"

namespace torvacalc {

class TCMValveDatabase : public TCalcModule {
 public:
  explicit TCMValveDatabase(TCalcComponent* owner = nullptr, std::string name = "CMValveDatabase");
  ~TCMValveDatabase() override;
  const char* ClassName() const override { return "TCMValveDatabase"; }
  std::string ModuleCaption() const override { return "Ventil aus dem Katalog"; }

  // The catalogue the module reads; by default the program's
  // ValveCatalogue.CDS. nullptr: no catalogue (message 1703, the user's
  // values stay).
  void SetCatalogue(const TValveCatalogue* catalogue);
  const TValveCatalogue* GetCatalogue() const;
  // The valve styles and trims of the style switches (those of the sizing
  // module); TValveStyles::Default() unless set otherwise.
  void SetValveStyles(std::shared_ptr<const TValveStyles> styles);
  // The owning calculation, handed over by a super module (the callback of
  // the valve layer); the module itself does not need it.
  std::function<void(TCMValveDatabase&)> OnOwnerCalculation;

  // The series and the offer the last calculation chose (nullptr/empty
  // when none).
  const TCatalogueSeries* ChosenSeries() const { return FSeries; }
  const std::optional<TValveOffer>& ChosenOffer() const { return FOffer; }

  // In.
  TDNVDataListSwitch* ValveType;
  TDataCalcListSwitch *GlobeType, *RotaryType, *ButterflyType, *BallValveType;
  TCalcListSwitch *CharacteristicType,
      *InwardFlow, *Phase;
  TCalcSwitch *ValveFromDatabase, *ValveCanBeModified, *FilterValveDatabase, *ValveFromHX4Database;
  TDataMultiSwitch *VManufacturer, *VSeries, *OnlyFittingValves, *AllValves;
  TPipeClassSwitch* PipeClass;
  TInputParameter *kv, *p1, *t1, *MinDN, *SuggestedKvs, *n0;
  // Out.
  TDataMultiSwitch *ListDN, *ListDN1;
  TDataListSwitch* ListPN;
  TCalcSwitch *LineValveSize, *ManualDN, *fl2func, *Kcfunc, *zyfunc, *xtfunc, *fdfunc;
  TCalcListSwitch *NoiseNormGas, *NoiseNormLiquid, *LowNoiseDesign;
  TModifyParameter *dH, *DNV, *DNV1, *PNV, *Seat, *phi0, *cvr, *pr, *dr, *rw, *Stp, *Aeta, *aPSE,
      *bSSE, *Strut, *SndDN, *Stroke, *kvs, *Kc_75, *xt_75, *fd_75, *fd_75c, *fl2_75, *zy_75,
      *uMaxCav, *uMaxFlashing, *uMaxNoCav, *uMaxPartCav, *pmaxValve, *tminValve, *tmaxValve,
      *dLaCo, *f1, *f2, *g1, *g2;
  std::array<TModifyParameter*, 4> dLGas{}, dLLiq{};
  // The series' measured Kv/Kvs over the travel ("h:Kv/Kvs; ..." in
  // percent); empty when the catalogue has none.
  TCalcRelevantString* KvCurve;

 protected:
  void DoCalculate() override;
  // Marks a valve picked from a list by anyone but the module itself as
  // the user's choice (the modified flag, which calculation files keep).
  void CalcEvent(TCalcEvent event, TCalcItem* item) override;

 private:
  std::vector<TModifyParameter*> ValveData() const;
  std::vector<TCalcItem*> OutputSwitches() const;
  int TrimType() const;
  TValveDuty Duty() const;
  void FillManufacturers();
  const TCatalogueSeries* FillSeries();
  void FillOffers(const TCatalogueSeries& s, const TValveDuty& duty);
  void WriteValve(const TCatalogueSeries& s, const TValveOffer& o);
  void ClearValve();
  void CheckLimits(const TCatalogueSeries& s, const TValveOffer& o, const TValveDuty& duty);

  std::shared_ptr<const TValveStyles> FStyles;
  mutable const TValveCatalogue* FCatalogue = nullptr;
  mutable bool FCatalogueChosen = false;
  const TCatalogueSeries* FSeries = nullptr;
  std::optional<TValveOffer> FOffer;
  bool FWriting = false;
};

}  // namespace torvacalc
