#include "gui/value_note.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QTableView>

#include "framework/translation.h"
#include "gui/calculation_view.h"
#include "gui/qt_text.h"

namespace torvacalc {

std::unique_ptr<QInputDialog> NoteDialog(QWidget* parent, const QString& what, const QString& note) {
  auto dlg = std::make_unique<QInputDialog>(parent);
  dlg->setWindowTitle(Q(Translate("Notiz...")));
  dlg->setOption(QInputDialog::UsePlainTextEditForTextInput);
  dlg->setLabelText(Q(Translate("Notiz zu")) + " " + what + ":");
  dlg->setTextValue(note);
  dlg->resize(420, 220);
  return dlg;
}

QMenu* ValueNoteMenu(TCalculationView& view, const QModelIndex& at, QWidget* parent) {
  TCalcItem* item = view.Model().ItemAt(at);
  if (!item) return nullptr;
  auto* menu = new QMenu(parent);
  const QString note = Q(ItemNote(*item));
  QAction* edit = menu->addAction(Q(Translate("Notiz...")));
  edit->setObjectName("ActionNote");
  QAction* remove = menu->addAction(Q(Translate("Notiz entfernen")));
  remove->setObjectName("ActionRemoveNote");
  remove->setEnabled(!note.isEmpty());
  TWorkspace& calc = view.Calculation();
  auto apply = [&view, &calc, item](const QString& text) {
    SetItemNote(calc, *item, S(text));
    view.Refresh();
    if (view.OnChanged) view.OnChanged();
  };
  QObject::connect(edit, &QAction::triggered, menu, [&view, item, note, apply] {
    const QString what = Q(item->GetCaption());
    std::optional<QString> text;
    if (view.AskNote) {
      text = view.AskNote(what, note);
    } else {
      const auto dlg = NoteDialog(&view, what, note);
      if (dlg->exec() == QDialog::Accepted) text = dlg->textValue();
    }
    if (text) apply(text->trimmed());
  });
  QObject::connect(remove, &QAction::triggered, menu, [apply] { apply(QString()); });
  return menu;
}

void InstallValueNoteMenu(TCalculationView& view) {
  QTableView* table = view.Table();
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(table, &QWidget::customContextMenuRequested, &view, [&view, table](const QPoint& pos) {
    // A calculation opened read-only takes no note either.
    if (view.ReadOnly()) return;
    const QModelIndex at = table->indexAt(pos);
    QMenu* menu = ValueNoteMenu(view, at, &view);
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(table->viewport()->mapToGlobal(pos));
  });
}

}  // namespace torvacalc
