#include "panel/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "panel/splash.h"

namespace qx9 {

void QtDialogs::ShowSplash() {
  frmSplash splash;
  splash.exec();
}

void QtDialogs::MessageBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kDialogTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<QString> QtDialogs::Prompt(QWidget* parent, const QString& text) {
  QInputDialog prompt(parent);
  prompt.setWindowTitle(kDialogTitle);
  prompt.setLabelText(text);
  prompt.setInputMode(QInputDialog::TextInput);
  prompt.setTextValue(QString());
  if (prompt.exec() != QDialog::Accepted) return std::nullopt;
  return prompt.textValue();
}

void SetUpObjectFileDialog(QFileDialog& dialog) {
  dialog.setWindowTitle(QStringLiteral("Select a QX9 Object File"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // One filter, described as "Object Files (*.OBJ) ". Names are case-sensitive here and object files
  // come as .OBJ, .obj or anything between, so the pattern takes every letter case; the details are
  // hidden so the user reads the description only.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(QStringLiteral("Object Files (*.OBJ) (*.[Oo][Bb][Jj])"));
}

std::optional<QString> QtDialogs::OpenObjectFile(QWidget* parent) {
  QFileDialog dialog(parent);
  SetUpObjectFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return files.first();
}

}  // namespace qx9
