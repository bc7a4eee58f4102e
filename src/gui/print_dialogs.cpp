#include "gui/print_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "framework/options.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "gui/data_sheet.h"
#include "gui/qt_text.h"
#include "workspace/workspace.h"

namespace torvacalc {

namespace {

const char* kSection = "Print";

QString T(const char* german) { return Q(Translate(german)); }

}  // namespace

TPrintOptions TPrintOptions::Read() {
  const TSettingsStore& s = TSettingsStore::Instance();
  TPrintOptions o;
  for (size_t i = 0; i < o.pages.size(); ++i) o.pages[i] = s.ReadBool(kSection, "Page" + std::to_string(i + 1), true);
  o.charts = s.ReadBool(kSection, "Charts", true);
  o.messages = s.ReadBool(kSection, "Messages", true);
  o.requirements = s.ReadBool(kSection, "Requirements", true);
  o.toPdf = s.ReadBool(kSection, "ToPdf", false);
  return o;
}

void TPrintOptions::Write() const {
  TSettingsStore& s = TSettingsStore::Instance();
  for (size_t i = 0; i < pages.size(); ++i) s.WriteBool(kSection, "Page" + std::to_string(i + 1), pages[i]);
  s.WriteBool(kSection, "Charts", charts);
  s.WriteBool(kSection, "Messages", messages);
  s.WriteBool(kSection, "Requirements", requirements);
  s.WriteBool(kSection, "ToPdf", toPdf);
  s.Save();
}

TSheetOptions TPrintOptions::Apply(TSheetOptions sheet) const {
  sheet.charts = charts;
  sheet.messages = messages;
  sheet.requirements = requirements;
  return sheet;
}

void KeepChosenPages(TSheetDocument& doc, const TPrintOptions& options) {
  // A sheet without any page chosen prints whole rather than blank.
  bool any = false;
  for (bool p : options.pages) any = any || p;
  if (!any) return;
  for (size_t i = std::min(doc.pages.size(), options.pages.size()); i-- > 0;)
    if (!options.pages[i]) doc.pages.erase(doc.pages.begin() + static_cast<std::ptrdiff_t>(i));
}

TPrintOptionsDialog::TPrintOptionsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("PrintOptionsDialog");
  setWindowTitle(T("Druckoptionen..."));
  auto* layout = new QVBoxLayout(this);
  auto* pages = new QGroupBox(T("Seiten des Datenblatts"), this);
  auto* pl = new QVBoxLayout(pages);
  FPages[0] = new QCheckBox(T("Seite 1: Rohrleitung, Medium, Betriebsdaten, Ventilgehäuse und Garnitur"), pages);
  FPages[1] = new QCheckBox(T("Seite 2: Antrieb, Zubehör, Geräusch, Diagramme, Meldungen"), pages);
  for (QCheckBox* c : FPages) pl->addWidget(c);
  layout->addWidget(pages);
  auto* parts = new QGroupBox(T("Auf Seite 2"), this);
  auto* bl = new QVBoxLayout(parts);
  FCharts = new QCheckBox(T("Betriebskennlinie und Geräuschspektrum"), parts);
  FMessages = new QCheckBox(T("Meldungen, die eine Maßnahme erfordern"), parts);
  FRequirements = new QCheckBox(T("Anforderungen und Bemerkungen"), parts);
  for (QCheckBox* c : {FCharts, FMessages, FRequirements}) bl->addWidget(c);
  layout->addWidget(parts);
  FToPdf = new QCheckBox(T("In eine PDF-Datei drucken statt auf den Drucker"), this);
  layout->addWidget(FToPdf);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(T("Abbrechen"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &TPrintOptionsDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  SetOptions(TPrintOptions::Read());
}

TPrintOptions TPrintOptionsDialog::Options() const {
  TPrintOptions o;
  for (size_t i = 0; i < FPages.size(); ++i) o.pages[i] = FPages[i]->isChecked();
  o.charts = FCharts->isChecked();
  o.messages = FMessages->isChecked();
  o.requirements = FRequirements->isChecked();
  o.toPdf = FToPdf->isChecked();
  return o;
}

void TPrintOptionsDialog::SetOptions(const TPrintOptions& o) {
  for (size_t i = 0; i < FPages.size(); ++i) FPages[i]->setChecked(o.pages[i]);
  FCharts->setChecked(o.charts);
  FMessages->setChecked(o.messages);
  FRequirements->setChecked(o.requirements);
  FToPdf->setChecked(o.toPdf);
}

void TPrintOptionsDialog::accept() {
  Options().Write();
  QDialog::accept();
}

bool PrintWithDialog(TWorkspace& calc, const QString& title, QWidget* parent) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(title);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(T("Drucken..."));
  dialog.setMinMax(1, static_cast<int>(kSheetPages));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() != QDialog::Accepted) return false;
  PrintDataSheet(calc, title, printer);
  return true;
}

std::string TemplatesFolder() { return (std::filesystem::path(ConfigDir()) / "templates").string(); }

TNewFromTemplateDialog::TNewFromTemplateDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("NewFromTemplateDialog");
  setWindowTitle(T("Neu..."));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(T("Neue Berechnung aus der Vorlage:"), this));
  FList = new QListWidget(this);
  auto* blank = new QListWidgetItem(T("Leere Berechnung"), FList);
  blank->setData(Qt::UserRole, QString());
  const QDir dir(Q(TemplatesFolder()));
  for (const QFileInfo& f : dir.entryInfoList({"*.cvc"}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    auto* item = new QListWidgetItem(f.completeBaseName(), FList);
    item->setData(Qt::UserRole, f.absoluteFilePath());
    item->setToolTip(f.absoluteFilePath());
  }
  FList->setCurrentRow(0);
  layout->addWidget(FList);
  auto* where = new QLabel(T("Vorlagen-Ordner") + ": " + QDir::toNativeSeparators(dir.absolutePath()), this);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(T("Abbrechen"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QObject::connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(460, 360);
}

std::string TNewFromTemplateDialog::ChosenFile() const {
  const QListWidgetItem* item = FList->currentItem();
  return item ? S(item->data(Qt::UserRole).toString()) : std::string();
}

std::string SaveAsTemplate(TWorkspace& calc, const std::string& name, std::string* error) {
  std::string base = name;
  // A template is a file name, never a path.
  for (char& c : base)
    if (c == '/' || c == '\\') c = '_';
  while (!base.empty() && (base.back() == ' ' || base.back() == '.')) base.pop_back();
  if (base.empty()) {
    if (error) *error = Translate("Bitte einen Namen für die Vorlage angeben.");
    return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(TemplatesFolder(), ec);
  const std::string path = (std::filesystem::path(TemplatesFolder()) / (base + "." + calc.FileExtension())).string();
  try {
    calc.Save(path);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return {};
  }
  return path;
}

}  // namespace torvacalc
