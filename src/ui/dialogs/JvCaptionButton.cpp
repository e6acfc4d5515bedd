#include "ui/dialogs/JvCaptionButton.h"

#include "ui/dialogs/artwork.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

void CaptionButtonState::PressOnButton() {
    Down = !Down;
}

void CaptionButtonState::PressElsewhere() {
    Down = false;
}

bool CaptionButtonState::ReleaseOnButton() {
    // The button stays down until the next press; only the release that
    // leaves it down opens the imprint.
    return Down;
}

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

QRect CaptionPaintArea(QSize button, QSize glyph) {
    const QRect face(QPoint(0, 0), button);
    const QRect up(CaptionGlyphOffset(button, glyph, false), glyph);
    const QRect down(CaptionGlyphOffset(button, glyph, true), glyph);
    return face.united(up).united(down);
}

TJvCaptionButton::TJvCaptionButton(QWidget* owner)
    : QWidget(owner), owner_(owner), glyph_(InfoGlyph()) {
    setObjectName(QStringLiteral("JvCaptionButton1"));
    setFocusPolicy(Qt::NoFocus);
    // A picture without a caption: screen readers need a name. Its click opens
    // the imprint.
    setAccessibleName(QStringLiteral("Impressum"));
    owner_->installEventFilter(this);
    reposition();
    raise();
}

void TJvCaptionButton::SetDown(bool value) {
    state_.Down = value;
    update();
}

QRect TJvCaptionButton::ButtonRect() const {
    return CaptionButtonRect(owner_->width(), buttonLeft_, buttonTop_, buttonSize_);
}

QRect TJvCaptionButton::localButtonRect() const {
    const QRect area = CaptionPaintArea(buttonSize_, glyph_.size());
    return {-area.topLeft(), buttonSize_};
}

void TJvCaptionButton::reposition() {
    const QRect area = CaptionPaintArea(buttonSize_, glyph_.size());
    setGeometry(area.translated(ButtonRect().topLeft()));
    update();
}

bool TJvCaptionButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched != owner_)
        return QWidget::eventFilter(watched, event);
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
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Presses reach the owner itself only where no control took them; of
        // those, only the ones on bare window surface release the button.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            owner_->childAt(mouse->position().toPoint()) == nullptr) {
            state_.PressElsewhere();
            update();
        }
        break;
    }
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            state_.PressElsewhere();
            update();
        }
        break;
    case QEvent::WindowTitleChange:
    case QEvent::ActivationChange:
        update();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TJvCaptionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect face = localButtonRect();
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = face;
    option.state |= state_.Down ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    const QPoint at = face.topLeft() + CaptionGlyphOffset(buttonSize_, glyph_.size(), state_.Down);
    painter.drawImage(at, glyph_);
}

void TJvCaptionButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    // The picture may stand out of the face; a press there is a press beside the button.
    if (localButtonRect().contains(event->position().toPoint()))
        state_.PressOnButton();
    else
        state_.PressElsewhere();
    update();
}

void TJvCaptionButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    if (!localButtonRect().contains(event->position().toPoint()))
        return;
    const bool click = state_.ReleaseOnButton();
    update();
    if (!click)
        return;
    // The click usually opens a modal dialog; the owner may be gone when it returns.
    QPointer<TJvCaptionButton> self(this);
    if (OnClick)
        OnClick();
    if (self)
        emit self->clicked();
}
