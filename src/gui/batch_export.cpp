#include "gui/batch_export.h"

#include <QApplication>
#include <QProgressDialog>
#include <filesystem>
#include <memory>

#include "files/hx_file.h"
#include "framework/settings.h"
#include "framework/translation.h"
#include "gui/qt_text.h"
#include "output/export_template.h"

namespace torvacalc {

namespace fs = std::filesystem;

std::function<void(QProgressDialog&, int)>& BatchProgressHook() {
  static std::function<void(QProgressDialog&, int)> hook;
  return hook;
}

TBatchResult RunBatchExport(const QString& templateFile, const QStringList& files, const QString& output,
                            QWidget* parent) {
  TBatchResult result;
  std::unique_ptr<TExportTemplate> tmpl;
  std::vector<std::unique_ptr<THXFile>> calculations;
  try {
    tmpl = CreateExportTemplate(S(templateFile));
    for (const QString& f : files) {
      auto file = std::make_unique<THXFile>();
      file->Load(S(f));
      calculations.push_back(std::move(file));
    }
  } catch (const std::exception& e) {
    result.Error = Q(e.what());
    return result;
  }
  std::vector<const THXFile*> list;
  for (const auto& c : calculations) list.push_back(c.get());
  tmpl->SetCalculations(list);

  QProgressDialog progress(Q(Translate("Mehrere Dateien verarbeiten ...")), Q(Translate("Abbrechen")), 0,
                           static_cast<int>(files.size()), parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setValue(0);
  tmpl->OnCancelQuery = [&] {
    QApplication::processEvents();
    return progress.wasCanceled();
  };
  tmpl->OnProgress = [&](std::size_t done, std::size_t) {
    result.Done = static_cast<int>(done);
    progress.setValue(static_cast<int>(done));
    if (BatchProgressHook()) BatchProgressHook()(progress, static_cast<int>(done));
    QApplication::processEvents();
  };
  try {
    tmpl->Execute();
  } catch (const std::exception& e) {
    result.Error = Q(e.what());
    return result;
  }
  const auto& documents = tmpl->Documents();
  std::string error;
  std::error_code ec;
  if (tmpl->Settings.CountMode() == TExportCount::MultiFile &&
      (files.size() > 1 || fs::is_directory(S(output), ec))) {
    fs::create_directories(S(output), ec);
    const std::string ext = fs::path(tmpl->DocumentFile()).extension().string();
    for (const TExportDocument& d : documents) {
      const std::string stem = fs::path(S(files[static_cast<int>(d.Calculations.front())])).stem().string();
      if (!WriteFileAtomically((fs::path(S(output)) / (stem + ext)).string(), d.Text, &error)) break;
    }
  } else {
    std::string text;
    for (const TExportDocument& d : documents) text += d.Text;
    WriteFileAtomically(S(output), text, &error);
  }
  if (!error.empty()) {
    result.Error = Q(error);
    return result;
  }
  result.Done = 0;
  for (const TExportDocument& d : documents) result.Done += static_cast<int>(d.Calculations.size());
  result.Cancelled = tmpl->Cancelled() || progress.wasCanceled();
  result.Ok = true;
  progress.setValue(static_cast<int>(files.size()));
  return result;
}

}  // namespace torvacalc
