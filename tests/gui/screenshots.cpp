// Writes PNG screenshots of the main window with the water example of the
// whole valve calculation (German and English), of the characteristics
// window, of the data sheet and of the dialogs (program options, recovery
// of backups, note on a value, saving over a newer file, choosing valve and
// actuator from the catalogues, print options, a new calculation from a
// template) into the folder given as the only argument.
// Runs headless (QT_QPA_PLATFORM=offscreen).
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "assembly/scm_control_valves.h"
#include "case_entries.h"
#include "files/calculation_file.h"
#include "framework/calc_message.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "gui/calculation_view.h"
#include "gui/characteristics_window.h"
#include "gui/sheet_painter.h"
#include "sheet/sheet_layout.h"
#include "gui/choose_dialog.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/qt_text.h"
#include "gui/value_note.h"
#include "gui/print_dialogs.h"
#include "workspace/torva_workspace.h"

using namespace torvacalc;

namespace {

bool Grab(QWidget& w, const QString& file) {
  w.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QPixmap shot = w.grab();
  if (shot.isNull() || !shot.save(file)) {
    std::cerr << "cannot write " << file.toStdString() << "\n";
    return false;
  }
  std::cout << file.toStdString() << "\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: gui_screenshots FOLDER\n";
    return 2;
  }
  const std::string source = std::getenv("TORVACALC_SOURCE_DIR") ? std::getenv("TORVACALC_SOURCE_DIR") : ".";
  const std::filesystem::path work =
      std::filesystem::temp_directory_path() / ("torvacalc-shots-" + std::to_string(::getpid()));
  std::filesystem::create_directories(work);
  setenv("TORVACALC_CONFIG_DIR", work.c_str(), 1);
  TSettingsStore::ResetInstance();
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);

  QApplication app(argc, argv);
  RegisterCalculationFiles();
  // The example entered line by line, as a user types it, and saved.
  const std::string file = (work / "valve_water.cvc").string();
  {
    const TCaseEntries entries = ReadCaseEntries(source + "/examples/valve_water.case");
    if (entries.empty()) {
      std::cerr << "cannot read examples/valve_water.case\n";
      return 1;
    }
    auto calc = CreateCalculation<TSCMTorva>();
    calc->BeginSetValues();
    for (const auto& [name, text] : entries) calc->Enter(name, text);
    calc->Enter("Identifier", "FV-101 Heißwasser");
    calc->EndSetValues();
    calc->SaveToFile(file);
  }

  // The catalogue example, and a company template beside it.
  const std::string catalogue = (work / "valve_from_catalogue.cvc").string();
  {
    auto calc = CreateCalculation<TSCMTorva>();
    calc->BeginSetValues();
    for (const auto& [name, text] : ReadCaseEntries(source + "/examples/valve_from_catalogue.case")) calc->Enter(name, text);
    calc->EndSetValues();
    calc->SaveToFile(catalogue);
    std::filesystem::create_directories(TemplatesFolder());
    std::filesystem::copy_file(file, std::filesystem::path(TemplatesFolder()) / "Heißwasser DN 80.cvc");
    std::filesystem::copy_file(catalogue, std::filesystem::path(TemplatesFolder()) / "Katalogventil Wasser.cvc");
  }

  bool ok = true;
  for (const char* lang : {"de", "en"}) {
    HXOptions().Language = lang;
    SetLanguage(lang);
    LoadQtTranslations(lang);
    TMainWindow window;
    window.Dialogs.Notice = [](const QString&, const QString&) {};
    window.resize(1400, 860);
    ok = window.OpenFile(file) && ok;
    window.Current().View->SetShowAllDetails(false);
    window.statusBar()->clearMessage();
    ok = Grab(window, out + "/main_window_" + lang + ".png") && ok;
    {
      // As an installed program shows them.
      TDesktopOptions shown = TDesktopOptions::Load(TSettingsStore::Instance());
      shown.MaterialsDBPath = shown.ControlValvesDBPath = shown.PropertiesDBPath = "/usr/share/torvacalc";
      shown.BackupDir = "/home/anna/.local/state/torvacalc/backup";
      TOptionsDialog options(shown, &window);
      ok = Grab(options, out + "/options_dialog_" + lang + ".png") && ok;
      const QDateTime at(QDate(2026, 3, 12), QTime(14, 32));
      TRecoveryDialog recovery({{"", "/home/anna/projekte/FV-101.cvc", "FV-101.cvc", at},
                                {"", "", Translate("Berechnung") + "2", at.addSecs(-95)}},
                               &window);
      ok = Grab(recovery, out + "/recovery_dialog_" + lang + ".png") && ok;
      const auto note = NoteDialog(&window, Q(window.Current().Calc->Item("kvs", 0)->GetCaption()),
                                   QString::fromUtf8(std::string(lang) == "de"
                                                         ? "Kvs nach Datenblatt des Herstellers, Stand 2024"
                                                         : "Kvs as in the manufacturer's data sheet, 2024"));
      ok = Grab(*note, out + "/note_dialog_" + lang + ".png") && ok;
      const auto newer = NewerFileQuestion(
          Q(FormatMessageText(Translate("Die Datei [%s] stammt von einer neueren Torvacalc-Version."), {std::string("FV-101.cvc")}) +
            " " + Translate("Wenn Sie die Berechnung speichern, gehen eventuell Informationen verloren.") + "\n\n" +
            Translate("Trotzdem speichern?")),
          &window);
      ok = Grab(*newer, out + "/newer_file_question_" + lang + ".png") && ok;
    }
    if (std::string(lang) == "de") {
      // The first page of the specification sheet as it is printed.
      const TSheetDocument sheet = LayoutSheet(*window.Current().Calc, {TPaper::A4, "valve_water.cvc"});
      QImage page(794, 1123, QImage::Format_RGB32);  // A4 at 96 dpi
      page.fill(Qt::white);
      QPainter painter(&page);
      PaintSheetPage(painter, sheet.pages[0], 794 / sheet.size.width);
      painter.end();
      const QString name = out + "/data_sheet_de.png";
      ok = page.save(name) && ok;
      std::cout << name.toStdString() << "\n";
    }
    {
      // The dialogs of choosing from the catalogues and of printing, on the
      // catalogue example.
      ok = window.OpenFile(catalogue) && ok;
      // The catalogue's groups of the valve page: the valve's in German,
      // the cavitation and actuator groups in English.
      window.Current().View->FocusItem(std::string(lang) == "de" ? "dLLiq4000" : "ActuatorName", 0);
      window.statusBar()->clearMessage();
      ok = Grab(window, out + "/catalogue_groups_" + lang + ".png") && ok;
      auto& calc = dynamic_cast<TTorvaWorkspace&>(*window.Current().Calc);
      TChooseDialog valves(calc, TChooseDialog::ckValve, &window);
      ok = Grab(valves, out + "/choose_valve_" + lang + ".png") && ok;
      TChooseDialog actuators(calc, TChooseDialog::ckActuator, &window);
      ok = Grab(actuators, out + "/choose_actuator_" + lang + ".png") && ok;
      TPrintOptionsDialog print(&window);
      ok = Grab(print, out + "/print_options_" + lang + ".png") && ok;
      TNewFromTemplateDialog templates(&window);
      ok = Grab(templates, out + "/new_from_template_" + lang + ".png") && ok;
      window.SetCurrentIndex(0);
    }
    if (std::string(lang) == "en") {
      window.ShowCharacteristics(window.CurrentIndex());
      ok = Grab(*window.CharacteristicsWindow(window.CurrentIndex()), out + "/characteristics_en.png") && ok;
    }
  }
  std::filesystem::remove_all(work);
  return ok ? 0 : 1;
}
