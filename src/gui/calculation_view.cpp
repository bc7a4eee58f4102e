#include "gui/calculation_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "gui/qt_text.h"

namespace torvacalc {

QColor LookColor(TItemLook look) {
  switch (look) {
    case TItemLook::User: return QColor(255, 255, 255);
    case TItemLook::Calculated: return QColor(255, 250, 205);  // results: pale yellow
    case TItemLook::Database: return QColor(220, 235, 255);    // from the database: pale blue
    case TItemLook::Overruled: return QColor(255, 220, 180);   // a result the user overruled: orange
    case TItemLook::NotUsed: return QColor(225, 225, 225);     // not used by this calculation: grey
    case TItemLook::ReadOnly: return QColor(240, 240, 240);
  }
  return Qt::white;
}

namespace {

QIcon MessageIcon(tCalcMessageType type) {
  QStyle* s = QApplication::style();
  switch (type) {
    case cmCalculationError:
    case cmOutOfBounds:
    case cmFatalWarning: return s->standardIcon(QStyle::SP_MessageBoxCritical);
    case cmMissingParameter:
    case cmWarning: return s->standardIcon(QStyle::SP_MessageBoxWarning);
    case cmHint:
    case cmCorrect: return s->standardIcon(QStyle::SP_MessageBoxInformation);
    default: return {};
  }
}

// Every message that names the item, one a line.
QString MessagesAt(const TCalcMessageContainer& messages, const TCalcItem* item) {
  QStringList lines;
  for (const auto& m : messages.Messages()) {
    const bool concerns = m->CalcItem == item ||
                          std::find(m->CalcItems.begin(), m->CalcItems.end(), item) != m->CalcItems.end();
    if (concerns) lines << Q(m->GetTypeText() + " " + std::to_string(m->MsgNo) + ": " + m->Text);
  }
  return lines.join("\n");
}

bool RowVisible(const TCalcItem& item, bool allDetails) {
  if (item.GetDetailLevel() == dlInvisible && !item.GetShowAlways()) return false;
  if (item.GetDisplayState() == dsInvisible) return false;
  if (!allDetails && item.GetDetailLevel() == dlHigh && !item.GetShowAlways()) return false;
  if (const auto* p = item.AsParameter(); p && item.GetHideIfMinus() && !HasValue(p->GetValue())) return false;
  return true;
}

}  // namespace

TCalculationView::TCalculationView(TWorkspace& calc, QWidget* parent) : QWidget(parent), FCalc(calc) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FSplitter = new QSplitter(this);
  FTree = new QTreeWidget(FSplitter);
  FTree->setHeaderHidden(true);
  FTable = new QTableWidget(FSplitter);
  FTable->verticalHeader()->hide();
  FTable->setSelectionMode(QAbstractItemView::NoSelection);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FSplitter->addWidget(FTree);
  FSplitter->addWidget(FTable);
  FSplitter->setStretchFactor(1, 1);
  FSplitter->setSizes({180, 700});
  layout->addWidget(FSplitter);
  QObject::connect(FTree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* it) {
    const int row = it->data(0, Qt::UserRole).toInt();
    if (row >= 0 && row < FTable->rowCount())
      FTable->scrollToItem(FTable->item(row, 0), QAbstractItemView::PositionAtTop);
  });
  Rebuild();
}

void TCalculationView::SetShowAllDetails(bool all) {
  FAllDetails = all;
  Refresh();
}

void TCalculationView::SetReadOnly(bool readOnly) {
  FReadOnly = readOnly;
  Refresh();
}

void TCalculationView::SetTreeVisible(bool visible) { FTree->setVisible(visible); }

void TCalculationView::Rebuild() {
  const int ops = FCalc.OperatingPointCount();
  FRows.clear();
  FTable->clear();
  FTree->clear();
  FTable->setColumnCount(2 + 2 * ops);
  QStringList headers{Q(Translate("Bezeichnung"))};
  for (int op = 0; op < ops; ++op) headers << Q(FCalc.OperatingPointCaption(op)) << QString();
  headers << Q(Translate("Einheit"));
  FTable->setHorizontalHeaderLabels(headers);

  int rowCount = 0;
  for (const auto& page : FCalc.Pages())
    for (const auto& group : page.Groups) rowCount += 1 + static_cast<int>(group.Items.size());
  FTable->setRowCount(rowCount);

  int r = 0, groupNo = 0;
  for (const auto& page : FCalc.Pages()) {
    auto* pageNode = new QTreeWidgetItem(FTree, QStringList{Q(Translate(page.Caption))});
    pageNode->setData(0, Qt::UserRole, r);
    for (const auto& group : page.Groups) {
      auto* groupNode = new QTreeWidgetItem(pageNode, QStringList{Q(Translate(group.Caption))});
      groupNode->setData(0, Qt::UserRole, r);
      auto* head = new QTableWidgetItem(Q(Translate(group.Caption)));
      QFont bold = head->font();
      bold.setBold(true);
      head->setFont(bold);
      head->setBackground(QColor(200, 210, 225));
      FTable->setItem(r, 0, head);
      FTable->setSpan(r, 0, 1, FTable->columnCount());
      FRows.push_back({{}, groupNo, {}, nullptr});
      ++r;
      for (const std::string& name : group.Items) {
        Row row;
        row.Name = name;
        row.Group = groupNo;
        TCalcItem* first = nullptr;
        for (int op = 0; op < ops; ++op) {
          TCalcItem* item = FCalc.Item(name, op);
          if (!first) first = item;
          QWidget* editor = item ? MakeEditor(*item, name, op) : nullptr;
          row.Editors.push_back(editor);
          if (editor) FTable->setCellWidget(r, ValueColumn(op), editor);
          FTable->setItem(r, IconColumn(op), new QTableWidgetItem);
        }
        auto* caption = new QTableWidgetItem(first ? Q(first->GetCaption()) : Q(name));
        caption->setToolTip(Q(name));
        FTable->setItem(r, 0, caption);
        if (first && first->AsParameter()) {
          auto* units = new QComboBox;
          row.Units = units;
          FTable->setCellWidget(r, UnitColumn(), units);
          const std::string itemName = name;
          QObject::connect(units, QOverload<int>::of(&QComboBox::activated), this, [this, units, itemName](int index) {
            if (FRefreshing) return;
            const int unitNo = units->itemData(index).toInt();
            // The unit of every operating point, as one step of the history.
            FCalc.Super().BeginUpdate();
            for (int op = 0; op < FCalc.OperatingPointCount(); ++op)
              if (auto* p = FCalc.Item(itemName, op) ? FCalc.Item(itemName, op)->AsParameter() : nullptr)
                ChooseParameterUnit(FCalc, *p, unitNo);
            FCalc.Super().EndUpdate(true);
            if (OnChanged) OnChanged();
            Refresh();
          });
        }
        FRows.push_back(std::move(row));
        ++r;
      }
      ++groupNo;
    }
  }
  FTree->expandAll();
  // Four points side by side take narrower value columns than one.
  FTable->setColumnWidth(0, ops > 1 ? 260 : 300);
  FTable->horizontalHeader()->setStretchLastSection(false);
  FTable->horizontalHeader()->setMinimumSectionSize(24);
  for (int op = 0; op < ops; ++op) {
    FTable->setColumnWidth(ValueColumn(op), ops > 1 ? 120 : 160);
    FTable->setColumnWidth(IconColumn(op), 24);
  }
  FTable->setColumnWidth(UnitColumn(), 130);
  Refresh();
}

QWidget* TCalculationView::MakeEditor(TCalcItem& item, const std::string& name, int op) {
  if (dynamic_cast<TCustomCalcMultiSwitch*>(&item)) {
    auto* box = new QComboBox;
    QObject::connect(box, QOverload<int>::of(&QComboBox::activated), this, [this, name, op](int index) {
      if (FRefreshing) return;
      if (TCalcItem* it = FCalc.Item(name, op)) ChooseSwitch(FCalc, *it, index);
      Applied(true, {}, nullptr);
    });
    return box;
  }
  if (dynamic_cast<TCalcSwitch*>(&item)) {
    auto* check = new QCheckBox;
    QObject::connect(check, &QCheckBox::clicked, this, [this, name, op](bool on) {
      if (FRefreshing) return;
      if (TCalcItem* it = FCalc.Item(name, op)) ChooseSwitch(FCalc, *it, on ? 1 : 0);
      Applied(true, {}, nullptr);
    });
    return check;
  }
  auto* edit = new QLineEdit;
  edit->setFrame(false);
  QObject::connect(edit, &QLineEdit::editingFinished, this, [this, edit, name, op] {
    if (FRefreshing) return;
    TCalcItem* it = FCalc.Item(name, op);
    if (!it) return;
    const std::string typed = S(edit->text());
    if (typed == FieldText(*it)) return;  // nothing changed (focus left the field)
    if (auto* p = it->AsParameter()) {
      std::vector<TCalcParameter*> row;
      for (int k = 0; k < FCalc.OperatingPointCount(); ++k)
        if (TCalcItem* twin = FCalc.Item(name, k); twin && k != op) row.push_back(twin->AsParameter());
      const TInputResult r = EnterParameter(FCalc, *p, typed, row);
      Applied(r.Applied, r.Error, edit);
    } else {
      EnterItemText(FCalc, *it, typed);
      Applied(true, {}, edit);
    }
  });
  return edit;
}

void TCalculationView::Applied(bool ok, const std::string& error, QWidget* editor) {
  if (ok) {
    FLastError.clear();
    if (OnChanged) OnChanged();
    Refresh();
    return;
  }
  FLastError = error;
  Refresh();  // the field shows the value it had
  if (editor) editor->setToolTip(Q(error));
  if (OnInputError) OnInputError(error);
}

void TCalculationView::Refresh() {
  FRefreshing = true;
  bool groupHasRows = false;
  int groupRow = -1;
  auto closeGroup = [&] {
    if (groupRow >= 0) FTable->setRowHidden(groupRow, !groupHasRows);
  };
  for (size_t r = 0; r < FRows.size(); ++r) {
    Row& row = FRows[r];
    if (row.Name.empty()) {
      closeGroup();
      groupRow = static_cast<int>(r);
      groupHasRows = false;
      continue;
    }
    const TCalcItem* first = FCalc.Item(row.Name, 0);
    const bool visible = first && RowVisible(*first, FAllDetails) && (FAllDetails || FCalc.Relevant(row.Name, 0));
    FTable->setRowHidden(static_cast<int>(r), !visible);
    groupHasRows = groupHasRows || visible;
    RefreshRow(row);
  }
  closeGroup();
  FRefreshing = false;
}

void TCalculationView::RefreshRow(Row& row) {
  const int r = static_cast<int>(&row - FRows.data());
  for (int op = 0; op < static_cast<int>(row.Editors.size()); ++op) {
    TCalcItem* item = FCalc.Item(row.Name, op);
    QWidget* editor = row.Editors[op];
    if (!item || !editor) continue;
    const bool canModify = item->GetCanModify() && !FReadOnly && !FCalc.Super().GetReadOnly();
    // Style sheets are costly to apply: only a changed colour is set.
    const QString colour = LookColor(ItemLook(*item)).name();
    if (editor->property("look").toString() != colour) {
      editor->setProperty("look", colour);
      editor->setStyleSheet(QString("background-color: %1;").arg(colour));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
      if (!edit->hasFocus() || edit->text() != Q(FieldText(*item))) edit->setText(Q(FieldText(*item)));
      edit->setReadOnly(!canModify);
    } else if (auto* box = qobject_cast<QComboBox*>(editor)) {
      auto* multi = dynamic_cast<TCustomCalcMultiSwitch*>(item);
      QStringList values;
      // The switch's own names of its entries (a database's) before the dictionary.
      for (const auto& v : multi->GetTranslatedValueList()) values << Q(v);
      QStringList current;
      for (int i = 0; i < box->count(); ++i) current << box->itemText(i);
      if (current != values) {
        box->clear();
        box->addItems(values);
      }
      box->setCurrentIndex(multi->GetSwitchStatus());
      box->setEnabled(canModify);
    } else if (auto* check = qobject_cast<QCheckBox*>(editor)) {
      auto* two = dynamic_cast<TCalcSwitch*>(item);
      check->setChecked(two->GetChecked());
      check->setEnabled(canModify);
    }
    const QString tip = MessagesAt(FCalc.Messages(), item);
    editor->setToolTip(tip.isEmpty() ? Q(item->GetCaption()) : tip);
    QTableWidgetItem* icon = FTable->item(r, IconColumn(op));
    const tCalcMessageType type = tip.isEmpty() ? cmNoError : FCalc.Messages().GetMessageTypeOf(item);
    icon->setIcon(MessageIcon(type == cmNoError && !tip.isEmpty() ? cmHint : type));
    icon->setToolTip(tip);
  }
  if (row.Units) {
    const TCalcItem* item = FCalc.Item(row.Name, 0);
    const TCalcParameter* p = item && item->AsParameter() ? &ShownParameter(*item->AsParameter()) : nullptr;
    if (!p) return;
    const std::vector<int> offered = OfferedUnits(*p);
    bool same = row.Units->count() == static_cast<int>(offered.size());
    for (int i = 0; same && i < row.Units->count(); ++i) same = row.Units->itemData(i).toInt() == offered[i];
    if (!same) {
      row.Units->clear();
      for (int u : offered) row.Units->addItem(Q(TQuantityArray::GetUnitName(p->GetQuantity(), u)), u);
    }
    row.Units->setCurrentIndex(row.Units->findData(p->GetCalcUnitNo()));
    row.Units->setEnabled(p->CalcUnits().GetCount() > 1 && !FReadOnly);
  }
}

const TCalculationView::Row* TCalculationView::FindRow(const std::string& name) const {
  for (const Row& r : FRows)
    if (!r.Name.empty() && r.Name == name) return &r;
  return nullptr;
}

QWidget* TCalculationView::ValueEditor(const std::string& name, int op) const {
  const Row* r = FindRow(name);
  return r && op < static_cast<int>(r->Editors.size()) ? r->Editors[op] : nullptr;
}

QComboBox* TCalculationView::UnitChooser(const std::string& name) const {
  const Row* r = FindRow(name);
  return r ? r->Units : nullptr;
}

QString TCalculationView::MessageTip(const std::string& name, int op) const {
  const Row* r = FindRow(name);
  if (!r) return {};
  const QTableWidgetItem* icon = FTable->item(static_cast<int>(r - FRows.data()), IconColumn(op));
  return icon ? icon->toolTip() : QString();
}

bool TCalculationView::FocusItem(const std::string& name, int op) {
  const Row* r = FindRow(name);
  if (!r) return false;
  const int row = static_cast<int>(r - FRows.data());
  FTable->setRowHidden(row, false);
  FTable->scrollToItem(FTable->item(row, 0));
  if (QWidget* e = ValueEditor(name, op)) e->setFocus();
  return true;
}

TCalcItem* TCalculationView::CurrentItem() const {
  for (const Row& r : FRows)
    for (size_t op = 0; op < r.Editors.size(); ++op)
      if (r.Editors[op] && r.Editors[op]->hasFocus()) return FCalc.Item(r.Name, static_cast<int>(op));
  return nullptr;
}

std::string TCalculationView::CurrentItemName() const {
  for (const Row& r : FRows)
    for (QWidget* e : r.Editors)
      if (e && e->hasFocus()) return r.Name;
  return {};
}

}  // namespace torvacalc
