#include "ui/dialogs/dialogparts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPalette>
#include <QShowEvent>
#include <QStringList>
#include <algorithm>

namespace dialogs {

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QString UpperAsciiLetters(const QString& text) {
    QString result = text;
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return result;
}

namespace {

// Marks a label whose text a paragraph's first label already reads.
const char* const kContinuationLine = "fapkalk_continuationLine";

// A fixed dialog whose accessible children leave out the continuation lines
// of its paragraphs; otherwise as Qt presents a dialog.
class FixedDialogAccessible : public QAccessibleWidget {
public:
    explicit FixedDialogAccessible(QWidget* dialog)
        : QAccessibleWidget(dialog, QAccessible::Dialog) {}

    int childCount() const override { return int(children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> list = children();
        return index >= 0 && index < list.size()
                   ? QAccessible::queryAccessibleInterface(list[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(children().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    QList<QWidget*> children() const {
        QList<QWidget*> list;
        for (QObject* object : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(object);
                w && !w->isWindow() && !w->property(kContinuationLine).toBool())
                list << w;
        return list;
    }
};

QAccessibleInterface* dialogPartsFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(FixedDialog::staticMetaObject.className()))
        if (auto* dialog = qobject_cast<FixedDialog*>(object))
            return new FixedDialogAccessible(dialog);
    return nullptr;
}

} // namespace

QString ParagraphText(const QStringList& lines) {
    return lines.join(u' ').simplified();
}

void MarkParagraph(const QList<QLabel*>& lines) {
    QStringList texts;
    for (QLabel* line : lines) {
        texts << line->text();
        line->setProperty(kContinuationLine, line != lines.front());
    }
    if (!lines.isEmpty())
        lines.front()->setAccessibleName(ParagraphText(texts));
}

FixedDialog::FixedDialog(QWidget* parent, QSize clientSize, Qt::WindowFlags extraFlags)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          extraFlags) {
    setFixedSize(clientSize);
    QAccessible::installFactory(dialogPartsFactory);
}

void FixedDialog::setVisible(bool visible) {
    if (visible && !isVisible())
        opening_.BeforeShow(*this);
    else if (!visible && isVisible())
        opening_.Hidden(*this);
    QDialog::setVisible(visible);
}

void FixedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        opening_.Shown(*this);
}

void FixedDialog::keyPressEvent(QKeyEvent* event) {
    // There is no cancel button, so Esc has nothing to press.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QLabel* PlaceLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

QSize TextExtent(const QFontMetrics& metrics, const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    int width = 0;
    const QStringList parts = lines.split(u'\n');
    for (const QString& line : parts)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, int(parts.size()) * metrics.height()};
}

void WidenToText(QLabel* label) {
    const QSize needed = TextExtent(label->fontMetrics(), label->text());
    int width = std::max(label->width(), needed.width());
    if (const QWidget* parent = label->parentWidget())
        width = std::max(label->width(), std::min(width, parent->width() - label->x()));
    label->resize(width, std::max(label->height(), needed.height()));
}

} // namespace dialogs
