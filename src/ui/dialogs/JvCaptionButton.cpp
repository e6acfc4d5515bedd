#include "ui/dialogs/JvCaptionButton.h"

#include "ui/widgets/artwork.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

QPoint CaptionGlyphOffset(QSize button, QSize glyph, bool down) {
    // C++ integer division cuts towards zero: a glyph taller than the button
    // by an odd number of pixels gets the extra one below, not above.
    const int shift = down ? 1 : 0;
    return {(button.width() - glyph.width()) / 2 + shift,
            (button.height() - glyph.height()) / 2 + shift};
}

QRect CaptionButtonRect(int ownerWidth, int buttonLeft, int buttonTop, QSize button) {
    return {QPoint(ownerWidth - buttonLeft, buttonTop), button};
}

TJvCaptionButton::TJvCaptionButton(QWidget* owner)
    : QAbstractButton(owner), owner_(owner), glyph_(InfoGlyph()) {
    setObjectName(QStringLiteral("JvCaptionButton1"));
    setFocusPolicy(Qt::NoFocus);
    // A picture without a caption: screen readers need a name.
    setAccessibleName(QStringLiteral("Impressum"));
    // The margin shows the window's face, breaking a frame line beneath.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    owner_->installEventFilter(this);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (OnClick)
            OnClick();
    });
    reposition();
    raise();
}

QRect TJvCaptionButton::ButtonRect() const {
    return CaptionButtonRect(owner_->width(), buttonLeft_, buttonTop_, buttonSize_);
}

QRect TJvCaptionButton::localButtonRect() const {
    return {QPoint(kMarginX, kMarginY), buttonSize_};
}

void TJvCaptionButton::reposition() {
    setGeometry(ButtonRect().adjusted(-kMarginX, -kMarginY, kMarginX, kMarginY));
    update();
}

bool TJvCaptionButton::hitButton(const QPoint& pos) const {
    return localButtonRect().contains(pos);
}

bool TJvCaptionButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched != owner_)
        return QAbstractButton::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        reposition();
        break;
    case QEvent::ChildAdded:
        // Controls created after the button would cover it; lift it once they are in.
        if (!raisePending_) {
            raisePending_ = true;
            QTimer::singleShot(0, this, [this] {
                raisePending_ = false;
                raise();
            });
        }
        break;
    default:
        break;
    }
    return QAbstractButton::eventFilter(watched, event);
}

void TJvCaptionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect face = localButtonRect();
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = face;
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    // The picture is a little taller than the face; it stays on the face, off
    // the lines around the button.
    painter.setClipRect(face);
    const QPoint at = face.topLeft() + CaptionGlyphOffset(buttonSize_, glyph_.size(), isDown());
    painter.drawImage(at, glyph_);
}
