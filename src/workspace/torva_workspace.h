// The whole valve calculation in a workspace: TSCMTorva with its four
// operating points 1, 2, 3 and X side by side. The main module holds every
// item the user sees; the items of the further points are the twins named
// with the point's suffix ("p2Ap2", "kvApX"), and an item without twins
// (the medium, the valve, the pipe) is one value for all points and is
// shown in the first column only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "files/calculation_file.h"
#include "workspace/item_map.h"
#include "workspace/workspace.h"

namespace torvacalc {

class TCustomSCMSubstances;
class THXFile;
struct TCalcStructure;
struct TPointsLayout;

class TTorvaWorkspace : public TWorkspace {
 public:
  // A new whole calculation (TSCMTorva), or the layer given (a lower layer
  // that a calculation file names).
  TTorvaWorkspace();
  explicit TTorvaWorkspace(std::unique_ptr<TCustomSCMSubstances> calc);
  // A new whole calculation that computes first with the entries or the
  // file that follow (EnterAll, Load), not with the defaults before them:
  // what the command line and a file opened into a new workspace want.
  struct TValuesFollow {};
  explicit TTorvaWorkspace(TValuesFollow);
  // As TValuesFollow, keeping the calculation as built to start again from
  // it (StartAgain): a batch builds one and runs case after case in it.
  struct TReusable {};
  explicit TTorvaWorkspace(TReusable);
  ~TTorvaWorkspace() override;
  std::string KindName() const override;
  std::string FileExtension() const override { return "cvc"; }
  int OperatingPointCount() const override { return 4; }
  std::string OperatingPointCaption(int op) const override;
  const std::vector<TItemPage>& Pages() const override { return FPages; }
  const std::vector<std::string>& RequiredEntries() const override;
  bool PointOn(int op) const override;
  TCalcItem* Item(const std::string& name, int op) const override;
  void RowItems(const std::string& name, std::span<TCalcItem*> items) const override;
  // An item of a point that is off means nothing either.
  bool Relevant(const std::string& name, int op) const override;
  int MessagePoint(const TCalcMessage& msg) const override;
  std::vector<TPointMessage> ReadMessages() const override;
  TSuperCalcModule& Super() override;
  void Load(const std::string& fileName) override;
  // Load, handing on the notices of a file of another program version.
  void Load(const std::string& fileName, std::vector<std::string>* notices);
  // Load from the file `fileName` read already into `file`.
  void Load(std::unique_ptr<THXFile> file, const std::string& fileName, std::vector<std::string>* notices,
            TFailedRead failed = TFailedRead::PutBack);
  void Save(const std::string& fileName) override;
  // Orders points 1 to 3 by the flow through the valve, the entries of a
  // point moving together: one change, one undo step. False (nothing
  // changes) for a calculation without operating points of a valve.
  bool SortOperatingPoints();
  const TCustomSCMSubstances& Calculation() const { return *FCalc; }
  // The rows x points model: the rows made once (they follow the item
  // names alone), the points on as they are now.
  const TPointsLayout& Layout() const;
  // The calculation as it was built (TReusable): every value, unit, note
  // and choice, the numeric options, no messages, no history; the next
  // EnterAll or Load computes once with its values and gives, to the
  // last bit, what a new workspace would.
  void StartAgain();

 private:
  // The calculation as built, kept by TReusable.
  struct TBuilt;
  std::unique_ptr<TBuilt> FBuilt;
  TCalcStructure PagesInFiles() const;
  std::unique_ptr<TCustomSCMSubstances> FCalc;
  std::vector<TItemPage> FPages;
  mutable std::unique_ptr<TPointsLayout> FLayout;
  // The twins of the main module's items at points 2, 3 and X, found once
  // by their names ("NAMEAp2" is NAME's twin at point 2), so that a look-up
  // of a further point's item builds no name. Only items with twins are in
  // it. Found as the workspace is made, again should the items change.
  mutable TItemMap<std::array<TCalcItem*, 3>> FTwins;
  mutable int FTwinsOfItems = -1;  // the main module's item count they were found for
  TCalcItem* Twin(const TCalcItem& first, int op) const;
  // The twins of `first` at points 2, 3 and X; nullptr for an item without.
  const std::array<TCalcItem*, 3>* TwinsOf(const TCalcItem& first) const;
  void FindTwins() const;
};

}  // namespace torvacalc
