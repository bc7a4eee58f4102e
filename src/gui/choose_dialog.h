// "Ventil wählen..." and "Antrieb wählen...": the catalogue's candidates for
// the duty of a calculation in a table the engineer sorts by any column;
// the chosen one is taken over into the calculation as one undo step. The
// rows come from the workspace (catalogue_choice.h); the dialog only shows
// them.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QTableWidget;

namespace torvacalc {

class TTorvaWorkspace;

class TChooseDialog : public QDialog {
 public:
  enum TKind { ckValve, ckActuator };
  TChooseDialog(TTorvaWorkspace& calc, TKind kind, QWidget* parent = nullptr);

  QTableWidget* Table() const { return FTable; }
  // Valves: the candidates of every style, not only the chosen one.
  void SetAllStyles(bool all);
  // The entries of the selected row; empty when none is selected.
  std::vector<std::string> ChosenEntries() const;
  // Takes the selected row over into the calculation (one undo step);
  // false when none is selected or it was refused (the reason is shown).
  bool TakeOver();

 private:
  void Fill();

  TTorvaWorkspace& FCalc;
  TKind FKind;
  QTableWidget* FTable;
  QLabel* FDuty;
  QCheckBox* FAllStyles = nullptr;
  std::vector<std::vector<std::string>> FEntries;  // by row as filled
};

}  // namespace torvacalc
