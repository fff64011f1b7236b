#pragma once
// The modal windows of the panel behind one seam: the splash, message boxes, prompts and the file
// dialog. The panel runs the real ones; tests script the answers instead of driving modal loops.

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace qx9 {

// Every box the program raises shows the application's title.
inline const QString kDialogTitle = QStringLiteral("qx9");

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // frmSplash, modally; returns when it has closed.
  virtual void ShowSplash() = 0;
  // A message box with an OK button.
  virtual void MessageBox(QWidget* parent, const QString& text) = 0;
  // A prompt with OK and Cancel and an empty default; nullopt for Cancel.
  virtual std::optional<QString> Prompt(QWidget* parent, const QString& text) = 0;
  // The object file dialog; the chosen path, or nullopt for Cancel.
  virtual std::optional<QString> OpenObjectFile(QWidget* parent) = 0;
};

class QtDialogs final : public Dialogs {
 public:
  void ShowSplash() override;
  void MessageBox(QWidget* parent, const QString& text) override;
  std::optional<QString> Prompt(QWidget* parent, const QString& text) override;
  std::optional<QString> OpenObjectFile(QWidget* parent) override;
};

// The file dialog as the load step shows it (title, the one filter, Qt's own widgets so it looks and
// behaves the same on every desktop), in the folder of the last file loaded and at a size where its
// columns are readable. Exposed so the filter can be checked against real files.
void SetUpObjectFileDialog(QFileDialog& dialog);

// The folder the file dialog opens in: that of the last file loaded, remembered from run to run; the
// current directory the first time, or when the remembered folder is gone.
QString ObjectFileFolder();
// Remembers the folder of a file that has loaded.
void RememberObjectFile(const QString& path);

}  // namespace qx9
