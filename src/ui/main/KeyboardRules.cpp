#include "ui/main/KeyboardRules.h"

#include "ui/widgets/Widgets.h"

#include <QWidget>

namespace fapkalk {

const QStringList& MainTabChain() {
    static const QStringList chain{QStringLiteral("eFAPBASIS"),   QStringLiteral("eBis"),
                                   QStringLiteral("Edit1"),       QStringLiteral("rgRechenModi"),
                                   QStringLiteral("edUST"),       QStringLiteral("btBerechnen"),
                                   QStringLiteral("btErweitert"), QStringLiteral("btHinweise"),
                                   QStringLiteral("btExport"),    QStringLiteral("Button2"),
                                   QStringLiteral("btDetMore"),   QStringLiteral("StringGrid1")};
    return chain;
}

void ApplyTabChain(QWidget* window, const QStringList& chain) {
    QList<QWidget*> order;
    for (const QString& name : chain) {
        auto* widget = window->findChild<QWidget*>(name);
        if (widget == nullptr)
            continue;
        if (auto* group = qobject_cast<TRadioGroup*>(widget)) {
            for (int i = 0; i < group->count(); ++i)
                order << group->button(i);
        } else {
            order << widget;
        }
    }
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

QChar AccessKeyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toLower();
        ++i; // "&&" is a literal ampersand
    }
    return {};
}

QList<QChar> AccessKeyClashes(const QStringList& captions) {
    QList<QChar> seen;
    QList<QChar> clashes;
    for (const QString& caption : captions) {
        const QChar key = AccessKeyOf(caption);
        if (key.isNull())
            continue;
        if (seen.contains(key) && !clashes.contains(key))
            clashes << key;
        seen << key;
    }
    return clashes;
}

} // namespace fapkalk
