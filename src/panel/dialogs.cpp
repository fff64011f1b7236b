#include "panel/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTreeView>

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

namespace {
const QString kLastFolderKey = QStringLiteral("ObjectFiles/LastFolder");

QSettings Settings() { return QSettings(QStringLiteral("qx9emu"), QStringLiteral("qx9emu")); }

// The details view names each file with its size, type and date. Qt's default widths cut the size and
// type short ("256...tes"), so they take the width of what they show and the name takes the rest.
void MakeColumnsReadable(QFileDialog& dialog) {
  dialog.resize(800, 500);
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (details == nullptr) return;
  QHeaderView* header = details->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column) {
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}
}  // namespace

QString ObjectFileFolder() {
  const QString folder = Settings().value(kLastFolderKey).toString();
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
  return QDir::currentPath();
}

void RememberObjectFile(const QString& path) { Settings().setValue(kLastFolderKey, QFileInfo(path).absolutePath()); }

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
  dialog.setDirectory(ObjectFileFolder());
  MakeColumnsReadable(dialog);
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
