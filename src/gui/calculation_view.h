// The editor of one calculation: the navigation tree of pages and groups
// beside a table with a row per item and a column per operating point.
// The table is a view of TCalculationModel, which reads every caption,
// value, colour, message and unit from the workspace and hands every edit
// back to it (TWorkspace::Enter and friends); no cell owns a widget, an
// editor exists only while a cell is edited.
//
// Columns: the caption, then per operating point its value and the icon
// of the message that concerns it, then the unit of the row.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workspace/workspace.h"

class QTreeWidget;
class QSplitter;

namespace torvacalc {

// Whether the row of the item `name` is shown: the one place that decides
// which rows apply. An entry the user can make is always shown (also
// before it has a value); a result is shown once it has one; details only
// when asked for.
bool RowApplies(const TWorkspace& calc, const std::string& name, bool allDetails);

class TCalculationModel : public QAbstractTableModel {
 public:
  // An item row or a group header (empty name).
  struct Row {
    std::string Name;
    std::string Group;  // German caption of the group
  };
  static constexpr int kRowNameRole = Qt::UserRole + 1;
  // True for a value cell whose item carries a note.
  static constexpr int kHasNoteRole = Qt::UserRole + 2;

  explicit TCalculationModel(TWorkspace& calc, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  TWorkspace& Calculation() const { return FCalc; }
  const std::vector<Row>& Rows() const { return FRows; }
  int ValueColumn(int op) const { return 1 + 2 * op; }
  int IconColumn(int op) const { return 2 + 2 * op; }
  int UnitColumn() const { return 1 + 2 * FCalc.OperatingPointCount(); }
  // A row of one value for all points (the medium, the valve, the
  // actuator): its value spans the points' columns so that a long name
  // reads whole, and its icon stands in the last point's icon column.
  bool SingleRow(int row) const;
  int IconColumnOf(int row, int op) const;
  // The point of a value column, -1 for the others.
  int PointOfColumn(int column) const;
  int RowOf(const std::string& name) const;
  QModelIndex Index(const std::string& name, int op) const;
  // The item of a value cell (nullptr for the other cells).
  TCalcItem* ItemAt(const QModelIndex& index) const;

  void SetReadOnly(bool readOnly);
  // Every value shown, also where it means nothing at its point.
  void SetShowAllDetails(bool all);
  // The rows anew (language): the whole model resets.
  void Rebuild();
  // After a change of the calculation: the rows whose texts, colours or
  // messages changed are announced, no other.
  void Refresh();
  // The text of the last refused entry ("" after an accepted one).
  const std::string& LastInputError() const { return FLastError; }
  // The refused entries by row name and point, with the reason.
  const std::map<std::pair<std::string, int>, std::string>& Refused() const { return FRefused; }

  std::function<void()> OnChanged;
  std::function<void(const std::string&)> OnInputError;

 private:
  QString RowSignature(int row) const;
  QString MessageTip(const TCalcItem& item) const;
  void Changed(bool applied, const std::string& error, const std::string& name, int op);

  TWorkspace& FCalc;
  std::vector<Row> FRows;
  std::vector<QString> FSignatures;
  // Refused entries: the reason beside the cell until it is corrected.
  std::map<std::pair<std::string, int>, std::string> FRefused;
  std::string FLastError;
  bool FReadOnly = false;
  bool FAllDetails = false;
};

// The editors of the cells: a line whose text is selected on opening (what
// is typed replaces it), a list for a switch and for the unit; Return
// commits and closes the editor; an unchanged text is never entered again.
class TCalculationDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  // A value with a note has a mark in its upper right corner.
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The table: Tab and Backtab move between the cells that take an entry
// (value and unit cells of shown rows), skipping captions and icons.
class TCalculationTable : public QTableView {
 public:
  using QTableView::QTableView;
  bool Editing() const { return state() == EditingState; }

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

class TCalculationView : public QWidget {
 public:
  TCalculationView(TWorkspace& calc, QWidget* parent = nullptr);

  TWorkspace& Calculation() { return FCalc; }
  TCalculationModel& Model() { return *FModel; }
  // Re-reads the values of the rows that changed and which rows apply.
  void Refresh();
  // Builds the rows anew (language, detail level).
  void Rebuild();
  void SetShowAllDetails(bool all);
  void SetReadOnly(bool readOnly);
  bool ReadOnly() const { return FReadOnly; }
  void SetTreeVisible(bool visible);
  QSplitter* Splitter() const { return FSplitter; }

  // Shows the row of an item and makes its cell of point `op` current.
  bool FocusItem(const std::string& name, int op = 0);
  // The row name of the current cell ("" when none).
  std::string CurrentItemName() const;
  // The item of the current cell (nullptr when none).
  TCalcItem* CurrentItem() const;

  // What a cell shows, for tests and for the window.
  QModelIndex Index(const std::string& name, int op) const { return FModel->Index(name, op); }
  QString Text(const std::string& name, int op = 0) const;
  QString UnitText(const std::string& name) const;
  bool RowShown(const std::string& name) const;
  // The message tooltip shown beside an item ("" without a message).
  QString MessageTip(const std::string& name, int op) const;
  TCalculationTable* Table() const { return FTable; }
  QTreeWidget* Tree() const { return FTree; }
  const std::string& LastInputError() const { return FModel->LastInputError(); }

  // After every change the view made to the calculation.
  std::function<void()> OnChanged;
  // A refused entry, with the text to show.
  std::function<void(const std::string&)> OnInputError;
  // Asks for the note on the value `what` (value_note.h); nothing when
  // cancelled. Unset: the note dialog.
  std::function<std::optional<QString>(const QString& what, const QString& note)> AskNote;

 private:
  void ApplyRowVisibility();
  void BuildTree();
  void SizeColumns();

  TWorkspace& FCalc;
  TCalculationModel* FModel;
  QSplitter* FSplitter;
  QTreeWidget* FTree;
  TCalculationTable* FTable;
  bool FAllDetails = false;
  bool FReadOnly = false;
};

// The colours of the item states (user, calculated, database, overruled,
// not used, read-only).
QColor LookColor(TItemLook look);

}  // namespace torvacalc
