// Printing the data sheet from the window: the print options (what the
// sheet includes, kept in the settings), the print dialog (printer,
// copies, pages), and the company templates: calculation files in the
// templates folder from which "Neu..." starts a calculation and into
// which "Als Vorlage speichern..." saves one.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <string>

#include "sheet/sheet_layout.h"

class QCheckBox;
class QListWidget;
class QPrinter;

namespace torvacalc {

class TWorkspace;

// What the printed sheet includes; the settings' section "Print".
struct TPrintOptions {
  std::array<bool, kSheetPages> pages{true, true};
  bool charts = true, messages = true, requirements = true;
  bool toPdf = false;  // print into a PDF file instead of the printer
  static TPrintOptions Read();
  void Write() const;
  // The sheet's layout options with these parts.
  TSheetOptions Apply(TSheetOptions sheet) const;
};

// Drops the pages the options leave out (the sheet keeps its page
// numbers, so that a page printed alone still says which it is).
void KeepChosenPages(TSheetDocument& doc, const TPrintOptions& options);

class TPrintOptionsDialog : public QDialog {
 public:
  explicit TPrintOptionsDialog(QWidget* parent = nullptr);
  TPrintOptions Options() const;
  void SetOptions(const TPrintOptions& o);
  // OK stores the options.
  void accept() override;

 private:
  std::array<QCheckBox*, kSheetPages> FPages{};
  QCheckBox *FCharts, *FMessages, *FRequirements, *FToPdf;
};

// The print dialog (printer, copies, pages) for the data sheet of `calc`;
// false when cancelled.
bool PrintWithDialog(TWorkspace& calc, const QString& title, QWidget* parent);

// The folder of the company templates: ConfigDir()/templates.
std::string TemplatesFolder();

// "Neu...": a blank calculation or one of the templates.
class TNewFromTemplateDialog : public QDialog {
 public:
  explicit TNewFromTemplateDialog(QWidget* parent = nullptr);
  QListWidget* List() const { return FList; }
  // The template file chosen; empty for a blank calculation.
  std::string ChosenFile() const;

 private:
  QListWidget* FList;
};

// Saves `calc` as the template `name` (".cvc" added) in the templates
// folder; the path written, or empty with `error` set.
std::string SaveAsTemplate(TWorkspace& calc, const std::string& name, std::string* error);

}  // namespace torvacalc
