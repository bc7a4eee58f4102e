#include "gui/calculation_view.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/calc_switch.h"
#include "framework/translation.h"
#include "gui/qt_text.h"
#include "gui/value_note.h"
#include "workspace/points_layout.h"

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

bool HasShownValue(const TCalcItem& item) {
  if (const auto* p = item.AsParameter()) return HasValue(p->GetValue());
  return true;
}

const TCalcParameter* RowParameter(const TWorkspace& calc, const std::string& name) {
  const TCalcItem* item = calc.Item(name, 0);
  return item && item->AsParameter() ? &ShownParameter(*item->AsParameter()) : nullptr;
}

}  // namespace

bool RowApplies(const TWorkspace& calc, const std::string& name, bool allDetails) {
  const TCalcItem* first = calc.Item(name, 0);
  if (!first) return false;
  if (calc.IsRequiredEntry(name)) return true;
  if (first->GetDetailLevel() == dlInvisible && !first->GetShowAlways()) return false;
  if (!allDetails && first->GetDetailLevel() == dlHigh && !first->GetShowAlways()) return false;
  // The points where the row means something for the medium, phase and
  // valve (the workspace's one rule, the same as the command line's and
  // JSON's; a value the user typed stays): only there does what the
  // calculation marks as used count.
  const auto applies = [&](int op) { return calc.PointOn(op) && (allDetails || calc.Relevant(name, op)); };
  // What the calculation uses (an optional value only while it holds
  // one). Point 1 is always on and has been through every choice. Where
  // the row does not apply at point 1, a further point where it does
  // shows it with a value of its own (the isentropic exponent of a point
  // found to be vapour beside liquid points, which the sizing of the
  // declared liquid does not use), as the command line does.
  if (applies(0) && first->GetDisplayState() != dsInvisible) return true;
  for (int op = 0; op < calc.OperatingPointCount(); ++op) {
    const TCalcItem* item = calc.Item(name, op);
    if (!item || !applies(op)) continue;
    if (op > 0 && !applies(0) && (item->GetDisplayState() != dsInvisible || HasShownValue(*item))) return true;
    // A number the user entered is never hidden (the calculation may not
    // have marked it as used yet, as after undo).
    if (item->AsParameter() && item->GetInputState() == isUser && item->GetCanModify() && item->HasText() &&
        HasShownValue(*item))
      return true;
  }
  return false;
}

// --- the model ---------------------------------------------------------

TCalculationModel::TCalculationModel(TWorkspace& calc, QObject* parent) : QAbstractTableModel(parent), FCalc(calc) {
  Rebuild();
}

void TCalculationModel::Rebuild() {
  beginResetModel();
  FRows.clear();
  for (const auto& page : FCalc.Pages())
    for (const auto& group : page.Groups) {
      FRows.push_back({{}, group.Caption});
      for (const std::string& name : group.Items) FRows.push_back({name, group.Caption});
    }
  FSignatures.assign(FRows.size(), QString());
  endResetModel();
  for (int r = 0; r < rowCount(); ++r) FSignatures[r] = RowSignature(r);
}

int TCalculationModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TCalculationModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2 + 2 * FCalc.OperatingPointCount();
}

int TCalculationModel::PointOfColumn(int column) const {
  if (column < 1 || column >= UnitColumn() || column % 2 == 0) return -1;
  return (column - 1) / 2;
}

int TCalculationModel::RowOf(const std::string& name) const {
  for (size_t r = 0; r < FRows.size(); ++r)
    if (!FRows[r].Name.empty() && FRows[r].Name == name) return static_cast<int>(r);
  return -1;
}

QModelIndex TCalculationModel::Index(const std::string& name, int op) const {
  const int r = RowOf(name);
  return r < 0 ? QModelIndex() : index(r, ValueColumn(op));
}

TCalcItem* TCalculationModel::ItemAt(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= rowCount()) return nullptr;
  const int op = PointOfColumn(index.column());
  const Row& row = FRows[index.row()];
  if (op < 0 || row.Name.empty()) return nullptr;
  return FCalc.Item(row.Name, op);
}

QString TCalculationModel::MessageTip(const TCalcItem& item) const {
  QStringList lines;
  for (const auto& m : FCalc.Messages().Messages()) {
    const bool concerns = m->CalcItem == &item ||
                          std::find(m->CalcItems.begin(), m->CalcItems.end(), &item) != m->CalcItems.end();
    if (concerns) lines << Q(m->GetTypeText() + " " + std::to_string(m->MsgNo) + ": " + m->Text);
  }
  return lines.join("\n");
}

bool TCalculationModel::SingleRow(int row) const {
  const int ops = FCalc.OperatingPointCount();
  return ops > 1 && row >= 0 && row < rowCount() && !FRows[row].Name.empty() &&
         FCalc.Item(FRows[row].Name, 0) && !FCalc.Item(FRows[row].Name, 1) && !PointOneOnly(FRows[row].Name);
}

int TCalculationModel::IconColumnOf(int row, int op) const {
  return SingleRow(row) ? IconColumn(FCalc.OperatingPointCount() - 1) : IconColumn(op);
}

QVariant TCalculationModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section == 0) return Q(Translate("Bezeichnung"));
  if (section == UnitColumn()) return Q(Translate("Einheit"));
  const int op = PointOfColumn(section);
  return op >= 0 ? Q(FCalc.OperatingPointCaption(op)) : QString();
}

QVariant TCalculationModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& row = FRows[index.row()];
  const int col = index.column();
  if (role == kRowNameRole) return Q(row.Name);
  if (row.Name.empty()) {  // a group header spans the row
    if (col != 0) return {};
    if (role == Qt::DisplayRole) return Q(Translate(row.Group));
    if (role == Qt::BackgroundRole) return QColor(200, 210, 225);
    if (role == Qt::FontRole) {
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    return {};
  }
  const TCalcItem* first = FCalc.Item(row.Name, 0);
  if (col == 0) {
    if (role == Qt::DisplayRole) return first ? Q(first->GetCaption()) : Q(row.Name);
    if (role == Qt::ToolTipRole) return Q(row.Name);
    return {};
  }
  if (col == UnitColumn()) {
    const TCalcParameter* p = RowParameter(FCalc, row.Name);
    if (!p) return {};
    if (role == Qt::DisplayRole) return Q(TQuantityArray::GetUnitName(p->GetQuantity(), p->GetCalcUnitNo()));
    if (role == Qt::EditRole) return p->GetCalcUnitNo();
    return {};
  }
  // A value column and the icon beside it; a single row's icon stands
  // at the end of its spanned value.
  const int op = col == IconColumnOf(index.row(), 0) ? 0 : (col - 1) / 2;
  const TCalcItem* item = FCalc.Item(row.Name, op);
  if (!item) {
    if (role == Qt::BackgroundRole && col % 2 == 1) return QColor(245, 245, 245);
    return {};
  }
  const auto refused = FRefused.find({row.Name, op});
  if (col % 2 == 0) {  // the icon beside the value
    const QString tip = refused != FRefused.end() ? Q(refused->second) : MessageTip(*item);
    if (role == Qt::ToolTipRole) return tip;
    if (role == Qt::DecorationRole) {
      if (refused != FRefused.end()) return MessageIcon(cmCalculationError);
      if (tip.isEmpty()) return {};
      const tCalcMessageType type = FCalc.Messages().GetMessageTypeOf(item);
      return MessageIcon(type == cmNoError ? cmHint : type);
    }
    return {};
  }
  // A point where the row means nothing (the isentropic exponent of a
  // liquid point beside a vapour point) shows an empty cell.
  if (role == Qt::DisplayRole && !FAllDetails && FCalc.PointOn(op) && !FCalc.Relevant(row.Name, op)) return {};
  // A point that is switched off computes nothing: its results stay empty
  // ("undetermined" there would read as a finding); its entries wait.
  if (role == Qt::DisplayRole && !FAllDetails && !FCalc.PointOn(op) && !item->GetCanModify()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(item)) {
        // The switch's own names of its entries (a database's) before the dictionary.
        const auto values = multi->GetTranslatedValueList();
        const int s = multi->GetSwitchStatus();
        if (role == Qt::EditRole) return s;
        return s >= 0 && s < static_cast<int>(values.size()) ? Q(values[s]) : QString();
      }
      if (dynamic_cast<const TCalcSwitch*>(item)) return {};
      return Q(FieldText(*item));
    case Qt::CheckStateRole:
      if (const auto* two = dynamic_cast<const TCalcSwitch*>(item))
        return two->GetChecked() ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::BackgroundRole: {
      // An entry every calculation needs looks like one from the start,
      // before the choices that make the calculation use it.
      const TItemLook look = ItemLook(*item);
      const bool entry = look == TItemLook::NotUsed && item->GetCanModify() && FCalc.IsRequiredEntry(row.Name);
      return LookColor(entry ? TItemLook::User : look);
    }
    case Qt::ForegroundRole: return QColor(Qt::black);
    case Qt::ToolTipRole: {
      if (refused != FRefused.end()) return Q(refused->second);
      const QString tip = MessageTip(*item);
      // The user's note first, then what the messages say.
      if (const std::string note = ItemNote(*item); !note.empty())
        return Q(Translate("Notiz")) + ": " + Q(note) + (tip.isEmpty() ? QString() : "\n" + tip);
      return tip.isEmpty() ? Q(item->GetCaption()) : tip;
    }
    case kHasNoteRole: return !item->NotesList().empty();
    default: return {};
  }
}

Qt::ItemFlags TCalculationModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Row& row = FRows[index.row()];
  if (row.Name.empty()) return Qt::ItemIsEnabled;
  const bool writable = !FReadOnly && !FCalc.Super().GetReadOnly();
  if (index.column() == UnitColumn()) {
    const TCalcParameter* p = RowParameter(FCalc, row.Name);
    if (!p) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable |
           (p->CalcUnits().GetCount() > 1 && !FReadOnly ? Qt::ItemIsEditable : Qt::NoItemFlags);
  }
  const TCalcItem* item = ItemAt(index);
  if (!item) return Qt::ItemIsEnabled;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!writable || !item->GetCanModify()) return f;
  if (dynamic_cast<const TCalcSwitch*>(item)) return f | Qt::ItemIsUserCheckable;
  return f | Qt::ItemIsEditable;
}

bool TCalculationModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))) return false;
  const std::string name = FRows[index.row()].Name;
  if (index.column() == UnitColumn()) {
    if (role != Qt::EditRole) return false;
    // The unit of every operating point, as one step of the history.
    FCalc.Super().BeginUpdate();
    for (int op = 0; op < FCalc.OperatingPointCount(); ++op)
      if (auto* p = FCalc.Item(name, op) ? FCalc.Item(name, op)->AsParameter() : nullptr)
        ChooseParameterUnit(FCalc, *p, value.toInt());
    FCalc.Super().EndUpdate(true);
    Changed(true, {}, name, 0);
    return true;
  }
  TCalcItem* item = ItemAt(index);
  const int op = PointOfColumn(index.column());
  if (role == Qt::CheckStateRole) {
    ChooseSwitch(FCalc, *item, value.toInt() == Qt::Checked ? 1 : 0);
    Changed(true, {}, name, op);
    return true;
  }
  if (role != Qt::EditRole) return false;
  if (dynamic_cast<TCustomCalcMultiSwitch*>(item)) {
    ChooseSwitch(FCalc, *item, value.toInt());
    Changed(true, {}, name, op);
    return true;
  }
  if (!item->AsParameter()) {
    EnterItemText(FCalc, *item, S(value.toString()));
    Changed(true, {}, name, op);
    return true;
  }
  const TInputResult r = FCalc.Enter(name, op, S(value.toString()));
  Changed(r.Applied, r.Error, name, op);
  return r.Applied;
}

void TCalculationModel::Changed(bool applied, const std::string& error, const std::string& name, int op) {
  if (applied) {
    FRefused.erase({name, op});
    FLastError.clear();
    if (OnChanged) OnChanged();
    Refresh();
    return;
  }
  FRefused[{name, op}] = error;
  FLastError = error;
  Refresh();
  if (OnInputError) OnInputError(error);
}

void TCalculationModel::SetReadOnly(bool readOnly) {
  FReadOnly = readOnly;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TCalculationModel::SetShowAllDetails(bool all) {
  if (all == FAllDetails) return;
  FAllDetails = all;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString TCalculationModel::RowSignature(int r) const {
  QString s;
  for (int c = 1; c < columnCount(); ++c) {
    const QModelIndex i = index(r, c);
    s += data(i, Qt::DisplayRole).toString() + '\x1f' + data(i, Qt::ToolTipRole).toString() + '\x1f' +
         data(i, Qt::CheckStateRole).toString() + '\x1f' + data(i, Qt::BackgroundRole).toString() + '\x1f' +
         QString::number(static_cast<int>(flags(i))) + '\x1e';
  }
  return s;
}

void TCalculationModel::Refresh() {
  if (FRows.empty()) return;
  // The rows whose look changed, joined into runs.
  int first = -1;
  for (int r = 0; r <= rowCount(); ++r) {
    bool changed = false;
    if (r < rowCount()) {
      QString s = RowSignature(r);
      changed = s != FSignatures[r];
      if (changed) FSignatures[r] = std::move(s);
    }
    if (changed && first < 0) first = r;
    if (!changed && first >= 0) {
      emit dataChanged(index(first, 0), index(r - 1, columnCount() - 1));
      first = -1;
    }
  }
}

// --- the editors ---------------------------------------------------------

namespace {

// Return in the list of names a typed part found: takes the highlighted
// name, or the first one, and enters it at once (the list would otherwise
// only close and leave the editor open for a second Return).
class TTakeOnReturn : public QObject {
 public:
  TTakeOnReturn(QComboBox* box, std::function<void()> commit) : QObject(box), FBox(box), FCommit(std::move(commit)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return QObject::eventFilter(watched, event);
    QCompleter* c = FBox->completer();
    QModelIndex at = c->popup()->currentIndex();
    if (!at.isValid()) at = c->completionModel()->index(0, 0);
    if (at.isValid()) FBox->setCurrentText(at.data().toString());
    c->popup()->hide();
    FCommit();
    return true;
  }

 private:
  QComboBox* FBox;
  std::function<void()> FCommit;
};

}  // namespace

QWidget* TCalculationDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  const auto* model = dynamic_cast<const TCalculationModel*>(index.model());
  if (!model) return QStyledItemDelegate::createEditor(parent, option, index);
  auto* self = const_cast<TCalculationDelegate*>(this);
  const auto listEditor = [&] {
    auto* box = new QComboBox(parent);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // Typing finds an entry by any part of its name ("wass" finds
    // "Wasser"); Return takes it. A letter never chooses on its own.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    box->completer()->setFilterMode(Qt::MatchContains);
    box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    box->completer()->popup()->installEventFilter(new TTakeOnReturn(box, [self, box] {
      emit self->commitData(box);
      emit self->closeEditor(box);
    }));
    // A choice in the list is taken and closed at once.
    QObject::connect(box, &QComboBox::activated, self, [self, box] {
      emit self->commitData(box);
      emit self->closeEditor(box);
    });
    return box;
  };
  if (index.column() == model->UnitColumn()) {
    const std::string name = model->Rows()[index.row()].Name;
    const TCalcParameter* p = RowParameter(model->Calculation(), name);
    if (!p) return nullptr;
    QComboBox* box = listEditor();
    for (int u : OfferedUnits(*p)) box->addItem(Q(TQuantityArray::GetUnitName(p->GetQuantity(), u)), u);
    return box;
  }
  const TCalcItem* item = model->ItemAt(index);
  if (!item) return nullptr;
  if (const auto* multi = dynamic_cast<const TCustomCalcMultiSwitch*>(item)) {
    QComboBox* box = listEditor();
    int i = 0;
    for (const auto& v : multi->GetTranslatedValueList()) box->addItem(Q(v), i++);
    // The list as wide as its longest entry, also where the cell is narrower.
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
    return box;
  }
  auto* edit = new QLineEdit(parent);
  edit->setFrame(false);
  return edit;
}

void TCalculationDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    // What the user is typing is never overwritten.
    if (edit->isModified()) return;
    edit->setText(index.data(Qt::EditRole).toString());
    edit->selectAll();  // typing replaces the value
    return;
  }
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    const int at = box->findData(index.data(Qt::EditRole));
    if (at >= 0) box->setCurrentIndex(at);
    if (box->lineEdit()) box->lineEdit()->selectAll();
  }
}

void TCalculationDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
    // Only what the user typed is entered: the shown (rounded) text of a
    // value left alone never goes back into the calculation.
    if (!edit->isModified()) return;
    edit->setModified(false);
    model->setData(index, edit->text(), Qt::EditRole);
    return;
  }
  if (auto* box = qobject_cast<QComboBox*>(editor)) {
    // The entry named by the text (typed or chosen), else the first one
    // whose name holds it ("ssig" takes "Flüssig"); a text that no name
    // holds changes nothing.
    int at = box->findText(box->currentText(), Qt::MatchFixedString);
    if (at < 0 && !box->currentText().isEmpty()) at = box->findText(box->currentText(), Qt::MatchContains);
    const QVariant chosen = at >= 0 ? box->itemData(at) : QVariant();
    if (chosen.isValid() && chosen != index.data(Qt::EditRole)) model->setData(index, chosen, Qt::EditRole);
  }
}

void TCalculationDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (!index.data(TCalculationModel::kHasNoteRole).toBool()) return;
  const QRect r = option.rect;
  const int size = std::max(5, r.height() / 3);
  const QPoint corner[3] = {r.topRight() - QPoint(size, 0), r.topRight(), r.topRight() + QPoint(0, size)};
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  painter->setBrush(QColor(220, 120, 0));
  painter->drawPolygon(corner, 3);
  painter->restore();
}

// --- the table -------------------------------------------------------------

QModelIndex TCalculationTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  auto* m = dynamic_cast<TCalculationModel*>(model());
  if (!m || (action != MoveNext && action != MovePrevious)) return QTableView::moveCursor(action, modifiers);
  // The cells that take an entry, in reading order: the values of the
  // shown rows, point by point.
  const int rows = m->rowCount(), cols = m->columnCount();
  const QModelIndex now = currentIndex();
  int at = now.isValid() ? now.row() * cols + now.column() : -1;
  const int step = action == MoveNext ? 1 : -1;
  for (int n = 0; n < rows * cols; ++n) {
    at = (at + step + rows * cols) % (rows * cols);
    const int r = at / cols, c = at % cols;
    if (isRowHidden(r) || m->PointOfColumn(c) < 0) continue;
    const QModelIndex i = m->index(r, c);
    if (m->flags(i) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)) return i;
  }
  return now;
}

// --- the view ----------------------------------------------------------------

TCalculationView::TCalculationView(TWorkspace& calc, QWidget* parent) : QWidget(parent), FCalc(calc) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  FSplitter = new QSplitter(this);
  FTree = new QTreeWidget(FSplitter);
  FTree->setHeaderHidden(true);
  FModel = new TCalculationModel(calc, this);
  FTable = new TCalculationTable(FSplitter);
  FTable->setModel(FModel);
  FTable->setItemDelegate(new TCalculationDelegate(FTable));
  FTable->verticalHeader()->hide();
  FTable->verticalHeader()->setDefaultSectionSize(FTable->fontMetrics().height() + 8);
  FTable->setSelectionMode(QAbstractItemView::SingleSelection);
  FTable->setSelectionBehavior(QAbstractItemView::SelectItems);
  FTable->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  FTable->setTabKeyNavigation(true);
  FTable->setWordWrap(false);
  FTable->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  FSplitter->addWidget(FTree);
  FSplitter->addWidget(FTable);
  FSplitter->setStretchFactor(1, 1);
  FSplitter->setSizes({180, 700});
  layout->addWidget(FSplitter);
  FModel->OnChanged = [this] {
    if (OnChanged) OnChanged();
    ApplyRowVisibility();
  };
  FModel->OnInputError = [this](const std::string& error) {
    if (OnInputError) OnInputError(error);
  };
  // A page or group chosen in the tree, by mouse or by keyboard, comes to
  // the top of the table.
  const auto showGroup = [this](QTreeWidgetItem* it) {
    const int row = it ? it->data(0, Qt::UserRole).toInt() : -1;
    if (row >= 0 && row < FModel->rowCount())
      FTable->scrollTo(FModel->index(row, 0), QAbstractItemView::PositionAtTop);
  };
  QObject::connect(FTree, &QTreeWidget::itemClicked, this, showGroup);
  QObject::connect(FTree, &QTreeWidget::currentItemChanged, this, showGroup);
  InstallValueNoteMenu(*this);
  Rebuild();
}

void TCalculationView::SetShowAllDetails(bool all) {
  FAllDetails = all;
  FModel->SetShowAllDetails(all);
  ApplyRowVisibility();
}

void TCalculationView::SetReadOnly(bool readOnly) {
  FReadOnly = readOnly;
  FModel->SetReadOnly(readOnly);
}

void TCalculationView::SetTreeVisible(bool visible) { FTree->setVisible(visible); }

void TCalculationView::Rebuild() {
  FModel->Rebuild();
  FTable->clearSpans();
  const auto& rows = FModel->Rows();
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    if (rows[r].Name.empty())
      FTable->setSpan(r, 0, 1, FModel->columnCount());
    else if (FModel->SingleRow(r))
      FTable->setSpan(r, FModel->ValueColumn(0), 1, FModel->IconColumnOf(r, 0) - FModel->ValueColumn(0));
  BuildTree();
  SizeColumns();
  ApplyRowVisibility();
}

void TCalculationView::BuildTree() {
  FTree->clear();
  int r = 0;
  for (const auto& page : FCalc.Pages()) {
    auto* pageNode = new QTreeWidgetItem(FTree, QStringList{Q(Translate(page.Caption))});
    pageNode->setData(0, Qt::UserRole, r);
    for (const auto& group : page.Groups) {
      auto* groupNode = new QTreeWidgetItem(pageNode, QStringList{Q(Translate(group.Caption))});
      groupNode->setData(0, Qt::UserRole, r);
      r += 1 + static_cast<int>(group.Items.size());
    }
  }
  FTree->expandAll();
}

void TCalculationView::SizeColumns() {
  const int ops = FCalc.OperatingPointCount();
  // Four points side by side take narrower value columns than one.
  FTable->horizontalHeader()->setStretchLastSection(false);
  FTable->horizontalHeader()->setMinimumSectionSize(22);
  FTable->setColumnWidth(0, ops > 1 ? 260 : 300);
  // Wide enough for a date with its time and for the longest numbers.
  const int value = std::max(FTable->fontMetrics().horizontalAdvance("00.00.0000 00:00:00") + 16, ops > 1 ? 120 : 160);
  for (int op = 0; op < ops; ++op) {
    FTable->setColumnWidth(FModel->ValueColumn(op), value);
    FTable->setColumnWidth(FModel->IconColumn(op), 22);
  }
  FTable->setColumnWidth(FModel->UnitColumn(), 110);
}

void TCalculationView::ApplyRowVisibility() {
  // The cell being worked on stays where it is on the screen while rows
  // above it appear or go.
  QModelIndex anchor = FTable->currentIndex();
  if (!anchor.isValid() || !FTable->viewport()->rect().intersects(FTable->visualRect(anchor)))
    anchor = FTable->indexAt(QPoint(1, 1));
  const int anchorY = anchor.isValid() ? FTable->visualRect(anchor).top() : 0;
  const auto& rows = FModel->Rows();
  int header = -1;
  bool groupShown = false;
  const auto closeGroup = [&] {
    if (header >= 0) FTable->setRowHidden(header, !groupShown);
  };
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    if (rows[r].Name.empty()) {
      closeGroup();
      header = r;
      groupShown = false;
      continue;
    }
    const bool shown = RowApplies(FCalc, rows[r].Name, FAllDetails);
    if (FTable->isRowHidden(r) == shown) FTable->setRowHidden(r, !shown);
    groupShown = groupShown || shown;
  }
  closeGroup();
  if (anchor.isValid() && !FTable->isRowHidden(anchor.row())) {
    QScrollBar* bar = FTable->verticalScrollBar();
    bar->setValue(bar->value() + FTable->visualRect(anchor).top() - anchorY);
  }
}

void TCalculationView::Refresh() {
  FModel->Refresh();
  // Which rows apply changes with the values, never while a value is
  // being typed: the rows wait until the editor is closed.
  if (!FTable->Editing()) ApplyRowVisibility();
}

QString TCalculationView::Text(const std::string& name, int op) const {
  const QModelIndex i = Index(name, op);
  if (!i.isValid() || !FModel->ItemAt(i)) return "<no cell>";
  const QVariant check = i.data(Qt::CheckStateRole);
  if (check.isValid()) return Q(Translate(check.toInt() == Qt::Checked ? "ja" : "nein"));
  return i.data(Qt::DisplayRole).toString();
}

QString TCalculationView::UnitText(const std::string& name) const {
  const int r = FModel->RowOf(name);
  return r < 0 ? QString() : FModel->index(r, FModel->UnitColumn()).data().toString();
}

bool TCalculationView::RowShown(const std::string& name) const {
  const int r = FModel->RowOf(name);
  return r >= 0 && !FTable->isRowHidden(r);
}

QString TCalculationView::MessageTip(const std::string& name, int op) const {
  const int r = FModel->RowOf(name);
  return r < 0 ? QString() : FModel->index(r, FModel->IconColumnOf(r, op)).data(Qt::ToolTipRole).toString();
}

bool TCalculationView::FocusItem(const std::string& name, int op) {
  const QModelIndex i = Index(name, op);
  if (!i.isValid()) return false;
  FTable->setRowHidden(i.row(), false);
  FTable->scrollTo(i);
  FTable->setFocus();
  FTable->setCurrentIndex(i);
  return true;
}

TCalcItem* TCalculationView::CurrentItem() const { return FModel->ItemAt(FTable->currentIndex()); }

std::string TCalculationView::CurrentItemName() const {
  const QModelIndex i = FTable->currentIndex();
  return i.isValid() ? FModel->Rows()[i.row()].Name : std::string();
}

}  // namespace torvacalc
