// The small "i" button at the top right of the main window that opens the imprint.
//
// The window manager owns the real title bar on Linux, so the button is a child
// widget of its owner, an 18 x 14 face in the client area 6 pixels from the top
// and 76 from the right edge. It keeps the pressed state of a toggle button:
// the first click opens the imprint and leaves the button down, the next click
// only releases it, and a press on the window's free surface releases it too.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>

// The pressed state of the toggle, apart from any widget. A release away from
// the button changes nothing.
class CaptionButtonState {
public:
    bool Down = false;

    // A left press on the button: down goes up, up goes down.
    void PressOnButton();
    // A left press on the window's frame, title bar or free surface.
    void PressElsewhere();
    // A left release on the button; true when the button's click is due.
    bool ReleaseOnButton();
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

    bool Down() const { return state_.Down; }
    void SetDown(bool value);

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
    const int buttonLeft_ = 76;
    const int buttonTop_ = 6;
    const QSize buttonSize_{18, 14};
    const QImage glyph_;
    bool raisePending_ = false;
};
