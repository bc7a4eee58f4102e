// The editor of one calculation: the navigation tree of pages and groups
// beside a table with a row per item and a column per operating point.
// Each row shows the caption, the value of every operating point (a field,
// a combo box or a check box) with an icon for the message that concerns
// it, and the unit chooser. Every value comes from the items; every edit
// goes back through gui_calculation's entry functions.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "workspace/workspace.h"

class QTableWidget;
class QTreeWidget;
class QSplitter;
class QLineEdit;
class QComboBox;

namespace torvacalc {

class TCalculationView : public QWidget {
 public:
  TCalculationView(TWorkspace& calc, QWidget* parent = nullptr);

  TWorkspace& Calculation() { return FCalc; }
  // Re-reads every value, state, unit and message from the items.
  void Refresh();
  // Builds the rows anew (language, detail level).
  void Rebuild();
  void SetShowAllDetails(bool all);
  void SetReadOnly(bool readOnly);
  void SetTreeVisible(bool visible);
  QSplitter* Splitter() const { return FSplitter; }

  // Shows the row of an item and puts the focus into its field.
  bool FocusItem(const std::string& name, int op = 0);
  // The name of the item whose field has the focus ("" when none).
  std::string CurrentItemName() const;
  // The item whose field has the focus (nullptr when none).
  TCalcItem* CurrentItem() const;

  // The widgets of a row, for tests and for the window.
  QWidget* ValueEditor(const std::string& name, int op) const;
  QComboBox* UnitChooser(const std::string& name) const;
  // The message tooltip shown beside an item ("" without a message).
  QString MessageTip(const std::string& name, int op) const;
  QTableWidget* Table() const { return FTable; }
  QTreeWidget* Tree() const { return FTree; }
  // The text of the last refused entry.
  const std::string& LastInputError() const { return FLastError; }

  // After every change the view made to the calculation.
  std::function<void()> OnChanged;
  // A refused entry, with the text to show.
  std::function<void(const std::string&)> OnInputError;

 private:
  struct Row {
    std::string Name;  // empty for a group header
    int Group = -1;
    std::vector<QWidget*> Editors;  // per operating point
    QComboBox* Units = nullptr;
  };
  int ValueColumn(int op) const { return 1 + 2 * op; }
  int IconColumn(int op) const { return 2 + 2 * op; }
  int UnitColumn() const { return 1 + 2 * FCalc.OperatingPointCount(); }
  // The field of `item`, shown in the row `name` at operating point `op`.
  QWidget* MakeEditor(TCalcItem& item, const std::string& name, int op);
  void RefreshRow(Row& row);
  void Applied(bool ok, const std::string& error, QWidget* editor);
  const Row* FindRow(const std::string& name) const;

  TWorkspace& FCalc;
  QSplitter* FSplitter;
  QTreeWidget* FTree;
  QTableWidget* FTable;
  std::vector<Row> FRows;
  bool FAllDetails = false;
  bool FReadOnly = false;
  bool FRefreshing = false;
  std::string FLastError;
};

// The colours of the item states (user, calculated, database, overruled,
// not used, read-only).
QColor LookColor(TItemLook look);

}  // namespace torvacalc
