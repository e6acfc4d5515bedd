// The small "i" button at the top right of the main window that opens the imprint.
//
// The window manager owns the real title bar on Linux, so the button is a child
// widget of its owner, placed in the client area at ButtonTop from the top and
// ButtonLeft from the right edge. It keeps the pressed state of a toggle button:
// the first click opens the imprint and leaves the button down, the next click
// only releases it, and a press on the window's free surface releases it too.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>

// The pressed state, apart from any widget.
class CaptionButtonState {
public:
    bool Toggle = true;
    bool Down = false;

    // A left press on the button.
    void PressOnButton();
    // A left press on the window's frame, title bar or free surface.
    void PressElsewhere();
    // A left release on the button; true when the button's click is due.
    bool ReleaseOnButton();
    // A left release anywhere else.
    void ReleaseElsewhere();
};

// Where a centred picture stands on a button, in whole pixels cut towards zero;
// a pressed button shows it one pixel further right and down.
QPoint CaptionGlyphOffset(QSize button, QSize glyph, bool down);

// The button's rectangle in its owner's coordinates.
QRect CaptionButtonRect(int ownerWidth, int buttonLeft, int buttonTop, QSize button);

// The area the button paints, relative to the button's top-left corner: the
// face plus the picture in both states, which may reach beyond the face.
QRect CaptionPaintArea(QSize button, QSize glyph);

class TJvCaptionButton : public QWidget {
    Q_OBJECT
public:
    explicit TJvCaptionButton(QWidget* owner);

    int ButtonLeft() const { return buttonLeft_; }
    int ButtonTop() const { return buttonTop_; }
    int ButtonWidth() const { return buttonSize_.width(); }
    int ButtonHeight() const { return buttonSize_.height(); }
    void SetButtonLeft(int value);
    void SetButtonTop(int value);
    void SetButtonWidth(int value);
    void SetButtonHeight(int value);

    bool Down() const { return state_.Down; }
    void SetDown(bool value);
    bool Toggle() const { return state_.Toggle; }
    void SetToggle(bool value) { state_.Toggle = value; }

    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);

    // The face's rectangle in the owner's coordinates.
    QRect ButtonRect() const;

    // Runs when the button is released while down (in addition to clicked()).
    std::function<void()> OnClick;

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void reposition();
    QRect localButtonRect() const;

    QWidget* owner_;
    CaptionButtonState state_;
    int buttonLeft_ = 76;
    int buttonTop_ = 6;
    QSize buttonSize_{18, 14};
    QImage glyph_;
    bool raisePending_ = false;
};
