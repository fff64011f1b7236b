#include "panel/panel_menu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace qx9 {

namespace {
constexpr const char* kObjectName = "PanelMenu";
}

PanelMenu& PanelMenu::Of(QWidget& panel) {
  auto* existing = panel.findChild<PanelMenu*>(QString::fromLatin1(kObjectName), Qt::FindDirectChildrenOnly);
  return existing != nullptr ? *existing : *new PanelMenu(panel);
}

PanelMenu::PanelMenu(QWidget& panel) : QObject(&panel), panel_(panel), menu_(new QMenu(&panel)) {
  setObjectName(QString::fromLatin1(kObjectName));
  menu_->setObjectName(QStringLiteral("PanelContextMenu"));
  // Labels and images pass a right click on to the panel; the text boxes keep their own edit menu.
  panel.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&panel, &QWidget::customContextMenuRequested, this, &PanelMenu::Show);
}

QAction* PanelMenu::AddAction(const QString& text, const QKeySequence& shortcut) {
  QAction* action = menu_->addAction(text);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  panel_.addAction(action);
  return action;
}

void PanelMenu::Show(const QPoint& at) { menu_->popup(panel_.mapToGlobal(at)); }

}  // namespace qx9
