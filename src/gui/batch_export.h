// "Mehrere Dateien verarbeiten ...": an export template run over several
// calculation files, with a progress dialog whose cancel button stops the
// run between calculations (what was produced up to then is written).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QProgressDialog;
class QWidget;

namespace torvacalc {

struct TBatchResult {
  bool Ok = false;         // ran and wrote its output
  bool Cancelled = false;  // stopped by the user
  int Done = 0;            // calculations processed
  QString Error;           // why it did not run
};

// Runs the template document `templateFile` over `files` and writes the
// result to `output` (a folder when the template makes one document per
// calculation).
TBatchResult RunBatchExport(const QString& templateFile, const QStringList& files, const QString& output,
                            QWidget* parent);

// Called after each calculation with the progress dialog (tests press
// cancel here).
std::function<void(QProgressDialog&, int done)>& BatchProgressHook();

}  // namespace torvacalc
