#include "ui/dialogs/dialogparts.h"

#include "settings/placement_rules.h"

#include <QColor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QScreen>
#include <QStringList>
#include <algorithm>

namespace dialogs {

QFont PixelFont(const QString& family, int pixelSize, bool bold, bool underline) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

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

QPoint CentredTopLeft(QSize window, const QRect& screen) {
    const settings::SizeLimits fixed{window.width(), window.height(), window.width(),
                                     window.height()};
    const settings::PlacementRect placed = settings::CentreOnArea(
        {0, 0, window.width(), window.height()}, {}, fixed,
        {screen.x(), screen.y(), screen.x() + screen.width(), screen.y() + screen.height()});
    return {placed.left, placed.top};
}

QPoint ReopenPlacement::PositionForShow(QSize window, const QRect& screen) const {
    if (last_)
        return *last_;
    return CentredTopLeft(window, screen);
}

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        // A press that is dragged off the label and released elsewhere is no click.
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

FixedDialog::FixedDialog(QWidget* parent, QSize clientSize, Qt::WindowFlags extraFlags)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          extraFlags) {
    setFixedSize(clientSize);
}

void FixedDialog::setVisible(bool visible) {
    if (visible && !isVisible()) {
        const QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect area = target ? target->availableGeometry() : QRect();
        const bool first = !placement_.HasBeenShown();
        const QSize estimated = frameGeometry().size();
        // move() before showing also keeps QDialog from centring the window over
        // its parent again at every showing.
        move(placement_.PositionForShow(estimated, area));
        QDialog::setVisible(true);
        // The frame's size is known only once the window is on screen; centre the
        // whole window, frame included, as soon as it is.
        if (first && isVisible() && frameGeometry().size() != estimated)
            move(placement_.PositionForShow(frameGeometry().size(), area));
        return;
    }
    if (!visible && isVisible())
        placement_.Hidden(pos());
    QDialog::setVisible(visible);
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
