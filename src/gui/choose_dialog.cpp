#include "gui/choose_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "framework/number_text.h"
#include "framework/units.h"
#include "framework/translation.h"
#include "gui/qt_text.h"
#include "workspace/catalogue_choice.h"
#include "workspace/torva_workspace.h"
#include "workspace/workspace.h"

namespace torvacalc {

namespace {

// A cell that sorts by a number (NoValue last) or by its text.
class TSortItem : public QTableWidgetItem {
 public:
  explicit TSortItem(const QString& text) : QTableWidgetItem(text) { setFlags(flags() & ~Qt::ItemIsEditable); }
  // `decimals` < 0: the shortest text of the number.
  TSortItem(Extended value, int decimals)
      : TSortItem(!HasValue(value) ? QString()
                  : decimals < 0   ? QString::number(double(value), 'g', 6)
                                   : QString::number(double(value), 'f', decimals)) {
    FKey = HasValue(value) ? double(value) : HUGE_VAL;
    FNumeric = true;
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  bool operator<(const QTableWidgetItem& other) const override {
    const auto* o = dynamic_cast<const TSortItem*>(&other);
    if (o && FNumeric && o->FNumeric) return FKey < o->FKey;
    return QString::localeAwareCompare(text(), other.text()) < 0;
  }

 private:
  double FKey = 0;
  bool FNumeric = false;
};

// "caption: value unit" of an item of point 1, empty when it has no value.
QString ValueText(const TWorkspace& calc, const char* name) {
  const TCalcItem* item = calc.Item(name, 0);
  const TCalcParameter* p = item ? item->AsParameter() : nullptr;
  if (!p || !HasValue(p->GetCalcValue())) return {};
  return Q(item->GetCaption()) + " " + Q(FieldText(*item)) + " " +
         Q(p->GetCalcUnitName());
}

}  // namespace

TChooseDialog::TChooseDialog(TTorvaWorkspace& calc, TKind kind, QWidget* parent)
    : QDialog(parent), FCalc(calc), FKind(kind) {
  setObjectName(kind == ckValve ? "ChooseValveDialog" : "ChooseActuatorDialog");
  setWindowTitle(Q(Translate(kind == ckValve ? "Ventil wählen..." : "Antrieb wählen...")));
  auto* layout = new QVBoxLayout(this);
  FDuty = new QLabel(this);
  FDuty->setWordWrap(true);
  layout->addWidget(FDuty);
  if (kind == ckValve) {
    FAllStyles = new QCheckBox(Q(Translate("Alle Bauformen")), this);
    layout->addWidget(FAllStyles);
    QObject::connect(FAllStyles, &QCheckBox::toggled, this, [this] { Fill(); });
  }
  FTable = new QTableWidget(this);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setSelectionMode(QAbstractItemView::SingleSelection);
  FTable->verticalHeader()->hide();
  FTable->setAlternatingRowColors(true);
  layout->addWidget(FTable);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Q(Translate("Übernehmen")));
  buttons->button(QDialogButtonBox::Cancel)->setText(Q(Translate("Abbrechen")));
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (TakeOver()) accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QObject::connect(FTable, &QTableWidget::cellDoubleClicked, this, [this] {
    if (TakeOver()) accept();
  });
  Fill();
  // Wide enough for every column.
  int width = 40;
  for (int c = 0; c < FTable->columnCount(); ++c) width += FTable->columnWidth(c);
  resize(std::max(width, 600), 540);
}

void TChooseDialog::SetAllStyles(bool all) {
  if (FAllStyles) FAllStyles->setChecked(all);
}

void TChooseDialog::Fill() {
  FTable->setSortingEnabled(false);
  FTable->clear();
  FEntries.clear();
  QStringList heads;
  int chosen = -1;
  auto put = [this](int row, int col, QTableWidgetItem* item, bool current) {
    item->setData(Qt::UserRole, row);  // the row as filled, whatever the sort
    if (current) {
      QFont f = item->font();
      f.setBold(true);
      item->setFont(f);
    }
    FTable->setItem(row, col, item);
  };
  if (FKind == ckValve) {
    QStringList duty;
    for (const char* n : {"kvMax", "kvsSugg", "p1Max", "T1Max", "MinDN"})
      if (const QString t = ValueText(FCalc, n); !t.isEmpty()) duty << t;
    FDuty->setText(Q(Translate("Auslegung")) + ": " + duty.join(", "));
    const std::vector<TValveCandidate> rows = ValveCandidates(FCalc, FAllStyles && FAllStyles->isChecked());
    std::vector<int> points;
    for (int op = 0; op < 4; ++op)
      if (FCalc.PointOn(op)) points.push_back(op);
    heads << Q(Translate("Hersteller")) << Q(Translate("Baureihe")) << Q(Translate("Bauform")) << "DN"
          << "Kvs [m³/h]" << Q(Translate("Nenndruck"));
    static const char* kPoint[] = {"1", "2", "3", "X"};
    for (int op : points) heads << Q(Translate("Hub")) + " " + kPoint[op] + " [%]";
    heads << "LpAa max [dB(A)]";
    FTable->setColumnCount(static_cast<int>(heads.size()));
    FTable->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
      const TValveCandidate& c = rows[i];
      const int r = static_cast<int>(i);
      int col = 0;
      put(r, col++, new TSortItem(Q(c.Manufacturer)), c.Current);
      put(r, col++, new TSortItem(Q(c.Series)), c.Current);
      put(r, col++, new TSortItem(Q(c.Style)), c.Current);
      put(r, col++, new TSortItem(Extended(c.DN), 0), c.Current);
      put(r, col++, new TSortItem(c.Kvs, -1), c.Current);
      put(r, col++, new TSortItem(Q(c.Rating)), c.Current);
      for (int op : points) put(r, col++, new TSortItem(c.Opening[static_cast<size_t>(op)], 1), c.Current);
      put(r, col++, new TSortItem(c.LoudestLpAa(), 1), c.Current);
      FEntries.push_back(c.Entries);
      if (c.Current) chosen = r;
    }
    if (rows.empty()) FDuty->setText(FDuty->text() + "\n" + Q(Translate("Der Katalog bietet kein Ventil für diese Auslegung.")));
  } else {
    FDuty->setText(Q(Translate("Auslegung")) + ": " + ValueText(FCalc, "RequiredThrust") +
                   (ValueText(FCalc, "SupplyPressure").isEmpty() ? QString() : ", " + ValueText(FCalc, "SupplyPressure")) +
                   (ValueText(FCalc, "Stroke").isEmpty() ? QString() : ", " + ValueText(FCalc, "Stroke")));
    const std::vector<TActuatorCandidate> rows = ActuatorCandidates(FCalc);
    heads << Q(Translate("Antrieb")) << Q(Translate("Hersteller")) << Q(Translate("Bauart")) << Q(Translate("Hub")) + " [mm]"
          << Q(Translate("Verfügbare Stellkraft")) + " [N]" << Q(Translate("Kraftreserve")) + " [N]"
          << Q(Translate("Kraftreserve")) + " [%]" << Q(Translate("Passt"));
    FTable->setColumnCount(static_cast<int>(heads.size()));
    FTable->setRowCount(static_cast<int>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
      const TActuatorCandidate& c = rows[i];
      const int r = static_cast<int>(i);
      put(r, 0, new TSortItem(Q(c.Name)), c.Current);
      put(r, 1, new TSortItem(Q(c.Manufacturer)), c.Current);
      put(r, 2, new TSortItem(Q(c.Type)), c.Current);
      put(r, 3, new TSortItem(c.Stroke, 0), c.Current);
      put(r, 4, new TSortItem(c.Thrust, 0), c.Current);
      put(r, 5, new TSortItem(c.Margin, 0), c.Current);
      put(r, 6, new TSortItem(c.MarginPercent, 1), c.Current);
      put(r, 7, new TSortItem(Q(Translate(c.Fits ? "ja" : "nein"))), c.Current);
      FEntries.push_back(c.Entries);
      if (c.Current) chosen = r;
    }
  }
  FTable->setHorizontalHeaderLabels(heads);
  FTable->resizeColumnsToContents();
  FTable->resizeRowsToContents();
  FTable->setSortingEnabled(true);
  FTable->sortItems(-1);
  if (chosen >= 0) FTable->selectRow(chosen);
}

std::vector<std::string> TChooseDialog::ChosenEntries() const {
  const QList<QTableWidgetItem*> sel = FTable->selectedItems();
  if (sel.isEmpty()) return {};
  const int row = sel.first()->data(Qt::UserRole).toInt();
  return row >= 0 && static_cast<size_t>(row) < FEntries.size() ? FEntries[static_cast<size_t>(row)]
                                                                 : std::vector<std::string>{};
}

bool TChooseDialog::TakeOver() {
  const std::vector<std::string> entries = ChosenEntries();
  if (entries.empty()) return false;
  const TInputResult r = FCalc.EnterSteps(entries);
  if (!r.Applied) QMessageBox::warning(this, windowTitle(), Q(r.Error));
  return r.Applied;
}

}  // namespace torvacalc
