// A window against its layout table: every control of the table lies in the
// parent the table names, at the table's place, and every control in a parent
// the table names is in the table.
#pragma once

#include "ui/widgets/Widgets.h"

#include <QFontMetrics>
#include <QLabel>
#include <QSet>
#include <span>

namespace testkit {

// The first difference, empty if there is none.
inline QString LayoutMismatch(const QWidget& window, std::span<const fapkalk::LayoutEntry> layout) {
    using fapkalk::Dock;
    QSet<QString> names, containers{window.objectName()};
    for (const fapkalk::LayoutEntry& entry : layout) {
        const QString name = QString::fromLatin1(entry.name);
        names << name;
        containers << QString::fromLatin1(entry.parent);
        const auto* widget = window.findChild<QWidget*>(name);
        if (!widget || widget->parentWidget()->objectName() != QLatin1String(entry.parent))
            return name + QStringLiteral(" is not in ") + QLatin1String(entry.parent);
        const QRect at = widget->geometry();
        const bool fits = entry.width == fapkalk::kFitContent;
        const QRect want(entry.left, entry.top, fits ? at.width() : entry.width,
                         fits ? at.height() : entry.height);
        const bool docked = entry.dock == Dock::Top || entry.dock == Dock::Bottom;
        if ((entry.dock == Dock::None && at != want) || (docked && at.height() != entry.height))
            return QStringLiteral("%1 at %2,%3 %4x%5")
                .arg(name)
                .arg(at.x())
                .arg(at.y())
                .arg(at.width())
                .arg(at.height());
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (fits && label &&
            label->width() < QFontMetrics(label->font()).horizontalAdvance(label->text()) - 8)
            return name + QStringLiteral(" cuts its text");
    }
    for (const QWidget* widget : window.findChildren<QWidget*>())
        if (!widget->isWindow() && !widget->objectName().startsWith(QLatin1String("qt_")) &&
            containers.contains(widget->parentWidget()->objectName()) &&
            !names.contains(widget->objectName()))
            return widget->objectName() + QStringLiteral(" is missing from the table");
    return {};
}

} // namespace testkit
