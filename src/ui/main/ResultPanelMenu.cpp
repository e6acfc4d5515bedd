#include "ui/main/ResultPanelMenu.h"

#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace fapkalk {

QMenu* AttachResultPanelMenu(QWidget* panel, std::function<void()> openTarget) {
    auto* menu = new QMenu(panel);
    menu->setObjectName(QStringLiteral("PanelEinzelMenu"));
    QAction* target = menu->addAction(QStringLiteral("&Zielpreis…"));
    target->setObjectName(QStringLiteral("miZielpreis"));
    QObject::connect(target, &QAction::triggered, panel, std::move(openTarget));

    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(panel, &QWidget::customContextMenuRequested, menu,
                     [menu, panel](const QPoint& at) { menu->popup(panel->mapToGlobal(at)); });
    // Shortcuts of a hidden widget do not fire, so the keys open the menu only
    // while the panel is on screen; the focused edit field's own menu is then
    // still there by right click.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, panel);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, menu, [menu, panel] {
            menu->popup(panel->mapToGlobal(QPoint(panel->width() / 2, panel->height() / 2)));
        });
    }
    return menu;
}

} // namespace fapkalk
