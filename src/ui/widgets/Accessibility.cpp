#include "ui/widgets/Accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

namespace fapkalk {

namespace {

// A label whose text is a value: caption and value as the name, the value
// also as the value.
class ValueLabelAccessible : public QAccessibleWidget {
public:
    explicit ValueLabelAccessible(ValueLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        const auto* label = static_cast<const ValueLabel*>(widget());
        if (kind == QAccessible::Value)
            return label->text().trimmed();
        if (kind == QAccessible::Name)
            return ValueLabelName(label->caption(), label->text());
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

QString ValueLabelName(const QString& caption, const QString& text) {
    const QString value = text.trimmed();
    return value.isEmpty() ? caption : caption + u' ' + value;
}

ValueLabel::ValueLabel(const QString& caption, const QString& text, QWidget* parent)
    : QLabel(text, parent), caption_(caption) {
    // Installing it again is a no-op.
    QAccessible::installFactory(valueLabelFactory);
}

void AnnounceValueChange(QLabel* label) {
    QAccessibleEvent nameChanged(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleValueChangeEvent valueChanged(label, label->text().trimmed());
    QAccessible::updateAccessibility(&valueChanged);
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
