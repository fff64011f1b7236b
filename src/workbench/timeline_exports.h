#pragma once
// The workbench's "Export VCD…" and "Export WAV…": ask for a file, write the recorded timeline there,
// and show why when it could not be written. The questions go through a seam so tests can answer them.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "panel/form1.h"
#include "trace/timeline_export.h"

class QWidget;

namespace qx9 {

struct ExportQuestions {
  // The path to write, or nullopt when the user cancelled.
  std::function<std::optional<QString>(QWidget* parent, trace::TimelineFormat format)> AskPath;
  std::function<void(QWidget* parent, const QString& text)> ShowError;
};

// The real questions: a save dialog with the format's filter, a warning box.
ExportQuestions QtExportQuestions();

class TimelineExports {
 public:
  TimelineExports(Form1& panel, QWidget* parent) : panel_(panel), parent_(parent), questions_(QtExportQuestions()) {}

  void setQuestions(ExportQuestions questions) { questions_ = std::move(questions); }

  // Asks for the path and writes; the message for the status bar (empty when cancelled).
  QString Export(trace::TimelineFormat format);

 private:
  Form1& panel_;
  QWidget* parent_;
  ExportQuestions questions_;
};

}  // namespace qx9
