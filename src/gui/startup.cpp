#include "gui/startup.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QSocketNotifier>
#include <QSplashScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

#include "files/calculation_file.h"
#include "framework/options.h"
#include "framework/settings.h"
#include "framework/sqlite_reader.h"
#include "framework/translation.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "gui/single_instance.h"

namespace torvacalc {

namespace {

// A database file that SQLite opens read-only and whose schema it reads.
bool OpenDatabase(const std::string& path, std::string* error) {
  try {
    const TSqliteReader db(path, {}, path);
    return true;
  } catch (const ESqliteReader& e) {
    *error = e.Kind() == ESqliteReader::skMissing ? Translate("nicht gefunden") + ": " + path
                                                  : path + ": " + e.Detail();
    return false;
  }
}

QPixmap SplashPicture() {
  QPixmap pix(460, 220);
  pix.fill(QColor(32, 64, 112));
  QPainter p(&pix);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPointSize(28);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 40, 460, 60), Qt::AlignCenter, "Torvacalc");
  f.setPointSize(11);
  f.setBold(false);
  p.setFont(f);
  p.drawText(QRect(0, 100, 460, 30), Qt::AlignCenter, Q(Translate("Regelventil-Auslegung")) + " " + TORVACALC_VERSION);
  return pix;
}

}  // namespace

std::vector<TDatabaseStatus> LoadDataBases(const std::function<void(const std::string&)>& status) {
  if (status) status(Translate("Lade Datenbanken..."));
  std::vector<TDatabaseStatus> dbs = {
      {"Werkstoffdatenbank", "MaterialsDBPath", "Materials.CDS", false, {}, {}},
      {"Ventildatenbank", "ControlValvesDBPath", "Valves.CDS", false, {}, {}},
      {"Stoffdatenbank", "PropertiesDBPath", "Substances.CDS", false, {}, {}},
  };
  TSettingsStore& s = TSettingsStore::Instance();
  bool changed = false;
  for (auto& db : dbs) {
    const std::string option = s.ReadString("Options", db.OptionKey, "");
    for (const std::string& folder : {option, ProgramDataDir()}) {
      if (folder.empty()) continue;
      db.Folder = folder;
      if (OpenDatabase((std::filesystem::path(folder) / db.FileName).string(), &db.Error)) {
        db.Loaded = true;
        db.Error.clear();
        break;
      }
    }
    if (db.Loaded && db.Folder != option) {
      s.WriteString("Options", db.OptionKey, db.Folder);
      changed = true;
    }
  }
  if (changed) s.Save();
  return dbs;
}

namespace {

const char* kDesktopUsage =
    "Usage: torvacalc-gui [--new-instance] [FILE.cvc ...]\n"
    "       torvacalc-gui --help | --version\n\n"
    "The desktop program of Torvacalc, the control valve sizing workbench:\n"
    "the whole valve calculation (medium, pipe, the operating points 1, 2, 3\n"
    "and X, valve sizing after IEC 60534-2-1, noise after IEC 60534-8-3 and\n"
    "-8-4 and VDMA 24422, natural gas after AGA8-DC92 and GERG-2008, the\n"
    "catalogue's valves and actuators) with its data sheet.\n\n"
    "Each FILE.cvc given is opened. A program already\n"
    "running for the same user takes the files over and opens them, so that\n"
    "a double-click on a calculation file lands in the running window;\n"
    "--new-instance starts a program of its own instead.\n\n"
    "Options:\n"
    "  --new-instance  do not hand the files to a running program\n"
    "  --help          this text\n"
    "  --version       the program version\n\n"
    "Settings are kept in $XDG_CONFIG_HOME/torvacalc (see torvacalc(1) for\n"
    "the command-line program and the environment it reads).\n";

}  // namespace

int RunDesktop(int argc, char** argv) {
  // 1. The single-instance check, before anything of the window system.
  std::vector<std::string> args(argv + 1, argv + argc);
  // Help and version need no window (the manual page is made from them).
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kDesktopUsage;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "torvacalc-gui " << TORVACALC_VERSION << "\n";
    return 0;
  }
  const bool single = std::find(args.begin(), args.end(), "--new-instance") == args.end();
  std::erase(args, std::string("--new-instance"));
  // "--lang en" or "--lang=en", as the command line takes it: the language
  // of this start, not a file to open.
  std::string language;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--lang" && i + 1 < args.size()) {
      language = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
    if (args[i].rfind("--lang=", 0) == 0) {
      language = args[i].substr(7);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  if (!language.empty() && language != "de" && language != "en") {
    std::cerr << "torvacalc-gui: unknown language \"" << language << "\" (expected de or en)\n";
    return 2;
  }
  std::unique_ptr<TInstanceManager> instance;
  if (single) {
    try {
      instance = std::make_unique<TInstanceManager>(InstanceFolder(), InstanceKey(argv[0]));
      std::error_code ec;
      const TInstanceRole role = instance->Start({std::filesystem::current_path(ec).string(), args});
      if (role == TInstanceRole::HandedOver || role == TInstanceRole::TimedOut) return 0;
      if (role == TInstanceRole::Second) instance.reset();
    } catch (const EInstanceManager& e) {
      std::cerr << "torvacalc-gui: " << e.what() << " (running without single instance)\n";
      instance.reset();
    }
  }
  // Macro lines wait here until the main window can act on them.
  TMacroQueue macros;
  macros.ExecuteMacro(HandOverToMacroLines({std::filesystem::current_path().string(), args}));

  // 2. The application and its title.
  QApplication app(argc, argv);
  QApplication::setApplicationName("Torvacalc");
  RegisterCalculationFiles();
  LoadProgramOptions(TSettingsStore::Instance(), HXOptions());
  if (!language.empty()) HXOptions().Language = language;
  if (HXOptions().Language != "de") SetLanguage(HXOptions().Language);
  LoadQtTranslations(HXOptions().Language);

  if (instance) {
    instance->OnCommandLine = [&macros](const THandOver& h) {
      // Accept at once so that the sender can end; act on the lines from
      // the event loop.
      const std::vector<std::string> lines = HandOverToMacroLines(h);
      QTimer::singleShot(0, [&macros, lines] { macros.ExecuteMacro(lines); });
      return 1;
    };
    auto* notifier = new QSocketNotifier(instance->PollFd(), QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [&instance] { instance->ProcessPending(0); });
  }

  // 3.-5. The splash window and its status texts.
  QSplashScreen splash(SplashPicture());
  auto status = [&splash](const std::string& text) {
    splash.showMessage(Q(text), Qt::AlignBottom | Qt::AlignHCenter, Qt::white);
    QApplication::processEvents();
  };
  splash.show();
  status(Translate("Torvacalc wird gestartet..."));

  // 8. The databases: one that does not load leaves the program usable.
  const std::vector<TDatabaseStatus> dbs = LoadDataBases(status);

  // 9. The main window.
  TMainWindow window;
  std::string missing;
  for (const auto& db : dbs)
    if (!db.Loaded) missing += (missing.empty() ? "" : ", ") + Translate(db.Caption);
  window.show();
  splash.finish(&window);
  // The work of a session that did not end cleanly is offered back first.
  window.OfferRecovery();
  if (!missing.empty())
    window.statusBar()->showMessage(Q(Translate("Nicht geladen") + ": " + missing + " (" +
                                      Translate("Programmoptionen...") + ")"));
  // The handler of the macros: what arrived during start-up runs now.
  macros.SetOnExecuteMacro([&window](const std::vector<std::string>& lines) { window.ExecuteMacroLines(lines); });
  return app.exec();
}

}  // namespace torvacalc
