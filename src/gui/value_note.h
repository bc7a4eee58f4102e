// Notes on values in the window: the context menu of a value cell offers
// "Notiz..." to write or change the note of that value and "Notiz
// entfernen" to remove it. The note is the item's note that calculation
// files keep and export templates read (`NAME.note` in a case file); a
// cell with a note shows a mark in its corner and the note as its tooltip.
#pragma once

#include <QString>
#include <memory>

class QInputDialog;
class QMenu;
class QModelIndex;
class QWidget;

namespace torvacalc {

class TCalculationView;

// The dialog that edits the note of the value `what`.
std::unique_ptr<QInputDialog> NoteDialog(QWidget* parent, const QString& what, const QString& note);

// The context menu of the cell `at` (nullptr for a cell without a value);
// its actions are "ActionNote" and "ActionRemoveNote".
QMenu* ValueNoteMenu(TCalculationView& view, const QModelIndex& at, QWidget* parent);

// Shows the menu at the table's cells on a right click.
void InstallValueNoteMenu(TCalculationView& view);

}  // namespace torvacalc
