#include "ui/main/ResultPanelMenu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace fapkalk {

namespace {

// Opened by a key, the menu stands in the middle of the panel with its entry
// already chosen, so Enter takes it.
void PopupInPanel(QMenu* menu, QWidget* panel) {
    menu->popup(panel->mapToGlobal(QPoint(panel->width() / 2, panel->height() / 2)));
    menu->setActiveAction(menu->actions().front());
}

// The window system turns the Menu key into a context menu event for the
// focused control, after any shortcut has run, so a shortcut's menu would be
// replaced by the control's own at once. The event itself is taken instead,
// for every control of the panel's window while the panel is shown.
class MenuKeyFilter : public QObject {
public:
    MenuKeyFilter(QMenu* menu, QWidget* panel) : QObject(menu), menu_(menu), panel_(panel) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ContextMenu ||
            static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard)
            return false;
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != panel_->window() || !panel_->isVisible())
            return false;
        PopupInPanel(menu_, panel_);
        return true;
    }

private:
    QMenu* menu_;
    QWidget* panel_;
};

} // namespace

QMenu* AttachResultPanelMenu(QWidget* panel, std::function<void()> openTarget) {
    auto* menu = new QMenu(panel);
    menu->setObjectName(QStringLiteral("PanelEinzelMenu"));
    QAction* target = menu->addAction(QStringLiteral("&Zielpreis…"));
    target->setObjectName(QStringLiteral("miZielpreis"));
    QObject::connect(target, &QAction::triggered, panel, std::move(openTarget));

    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(panel, &QWidget::customContextMenuRequested, menu,
                     [menu, panel](const QPoint& at) { menu->popup(panel->mapToGlobal(at)); });
    new MenuKeyFilter(menu, panel);
    // Shift+F10 makes no context menu event here; a shortcut of a hidden
    // widget does not fire, so it too opens the menu only while the panel is
    // on screen.
    auto* shortcut = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), panel);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, menu,
                     [menu, panel] { PopupInPanel(menu, panel); });
    return menu;
}

} // namespace fapkalk
