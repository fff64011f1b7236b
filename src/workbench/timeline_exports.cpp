#include "workbench/timeline_exports.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "panel/dialogs.h"
#include "trace/wav_writer.h"

namespace qx9 {

ExportQuestions QtExportQuestions() {
  ExportQuestions q;
  q.AskPath = [](QWidget* parent, trace::TimelineFormat format) -> std::optional<QString> {
    const bool vcd = format == trace::TimelineFormat::Vcd;
    const QString path =
        QFileDialog::getSaveFileName(parent, vcd ? QObject::tr("Export VCD") : QObject::tr("Export WAV"),
                                     vcd ? QStringLiteral("timeline.vcd") : QStringLiteral("timeline.wav"),
                                     vcd ? QObject::tr("Value Change Dump (*.vcd)") : QObject::tr("WAV sound (*.wav)"));
    if (path.isEmpty()) return std::nullopt;
    return path;
  };
  q.ShowError = [](QWidget* parent, const QString& text) { QMessageBox::warning(parent, kDialogTitle, text); };
  return q;
}

QString TimelineExports::Export(trace::TimelineFormat format) {
  const std::optional<QString> path = questions_.AskPath ? questions_.AskPath(parent_, format) : std::nullopt;
  if (!path || path->isEmpty()) return {};
  // Up to the present simulated time: a run that ends in a wait shows the wait.
  panel_.recorder().CatchUp(panel_.machine());
  const std::optional<std::string> error =
      trace::ExportTimeline(panel_.recorder(), format, QFile::encodeName(*path).toStdString());
  if (error) {
    const QString text = QObject::tr("Cannot export to %1:\n%2").arg(*path, QString::fromStdString(*error));
    if (questions_.ShowError) questions_.ShowError(parent_, text);
    return QObject::tr("Export failed: %1").arg(QString::fromStdString(*error));
  }
  // A program without Sound gives a valid but empty WAV; say so rather than leave the user puzzled.
  if (format == trace::TimelineFormat::Wav && trace::SoundSampleCount(panel_.recorder()) == 0) {
    return QObject::tr("Exported to %1 (no sound was recorded, so it holds no samples)").arg(*path);
  }
  return QObject::tr("Exported to %1").arg(*path);
}

}  // namespace qx9
