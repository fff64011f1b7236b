#pragma once
// Opens the workbench from the panel: "Workbench..." in the panel's context menu and Ctrl+D. Owned by
// whoever owns the panel and destroyed before it, as the workbench drives the panel's machine.

#include <QObject>
#include <memory>

namespace qx9 {

class Form1;
class Workbench;

class WorkbenchLauncher : public QObject {
  Q_OBJECT

 public:
  explicit WorkbenchLauncher(Form1& panel);
  ~WorkbenchLauncher() override;

  // Shows the workbench (made on first use, on the panel's loaded program) and brings it to the front.
  Workbench& Open();
  Workbench* workbench() const { return workbench_.get(); }

 protected:
  // Closing the panel closes the workbench too, so the program ends as it did with the panel alone.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Form1& panel_;
  std::unique_ptr<Workbench> workbench_;
};

}  // namespace qx9
