#include "ui/main/Accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace fapkalk {

namespace {

// A label whose text is a value: the caption as the name, the text as the value.
class ValueLabelAccessible : public QAccessibleWidget {
public:
    explicit ValueLabelAccessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return static_cast<const QLabel*>(widget())->text().trimmed();
        return QAccessibleWidget::text(kind);
    }
};

// Asked for the object's own class first, then for its base classes; Qt's
// factory for QLabel comes later than this one for a ValueLabel.
QAccessibleInterface* valueLabelFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ValueLabel::staticMetaObject.className()))
        if (auto* label = qobject_cast<ValueLabel*>(object))
            return new ValueLabelAccessible(label);
    return nullptr;
}

} // namespace

ValueLabel::ValueLabel(const QString& name, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    // Installing it again is a no-op.
    QAccessible::installFactory(valueLabelFactory);
    setAccessibleName(name);
}

void AnnounceValueChange(QLabel* label) {
    QAccessibleValueChangeEvent event(label, label->text().trimmed());
    QAccessible::updateAccessibility(&event);
}

QString AccessibleNameOf(QWidget* widget) {
    if (widget == nullptr)
        return {};
    if (!widget->accessibleName().trimmed().isEmpty())
        return widget->accessibleName();
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget))
        return iface->text(QAccessible::Name).trimmed();
    return {};
}

bool IsExemptFromNaming(const QWidget* widget, const QWidget* window) {
    const char* className = widget->metaObject()->className();
    if (qstrcmp(className, "QWidget") == 0 || qstrcmp(className, "QFrame") == 0)
        return true;
    if (const auto* group = qobject_cast<const QGroupBox*>(widget);
        group && group->title().isEmpty())
        return true;
    for (const QWidget* up = widget->parentWidget(); up != nullptr && up != window;
         up = up->parentWidget())
        if (qobject_cast<const QAbstractScrollArea*>(up) != nullptr)
            return true;
    return false;
}

QList<QWidget*> UnnamedControls(QWidget* window) {
    QList<QWidget*> unnamed;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // Other windows owned by this one answer for themselves.
        if (widget->window() != window)
            continue;
        if (!IsExemptFromNaming(widget, window) && AccessibleNameOf(widget).isEmpty())
            unnamed << widget;
    }
    return unnamed;
}

void NameControlsFromHints(QWidget* window) {
    for (QWidget* widget : UnnamedControls(window)) {
        const QString hint = widget->toolTip().section(u'\n', 0, 0).trimmed();
        if (!hint.isEmpty())
            widget->setAccessibleName(hint);
    }
}

} // namespace fapkalk
