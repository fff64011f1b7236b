#pragma once
// The panel's context menu: a right click anywhere on the panel that is not a text box opens it. The
// panel itself gains no visible control; features add their actions here (with their shortcuts, which
// then work whenever the panel is the active window).

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace qx9 {

class PanelMenu : public QObject {
  Q_OBJECT

 public:
  // The panel's menu, made on first use; it lives as long as the panel.
  static PanelMenu& Of(QWidget& panel);

  QMenu& menu() { return *menu_; }
  // Adds an action to the menu and to the panel, so its shortcut works on the panel.
  QAction* AddAction(const QString& text, const QKeySequence& shortcut);

 private:
  explicit PanelMenu(QWidget& panel);
  void Show(const QPoint& at);

  QWidget& panel_;
  QMenu* menu_;
};

}  // namespace qx9
