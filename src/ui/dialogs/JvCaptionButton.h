// The small "i" button at the top right of the main window that opens the imprint.
//
// The window manager owns the real title bar on Linux, so the button is a child
// widget of its owner: an 18 x 14 face in the client area, 1 pixel from the top
// and 76 from the right edge, clear of the input row's frame below it. Every
// click on it opens the imprint; the face is drawn pressed only while the
// mouse holds it down. It never takes the keyboard focus (Alt+I opens the
// imprint from the keyboard); a screen reader finds it as the push button
// "Impressum", which it can press.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

// Where a centred picture stands on a button, in whole pixels cut towards zero;
// a pressed button shows it one pixel further right and down.
QPoint CaptionGlyphOffset(QSize button, QSize glyph, bool down);

// The button's rectangle in its owner's coordinates.
QRect CaptionButtonRect(int ownerWidth, int buttonLeft, int buttonTop, QSize button);

class TJvCaptionButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TJvCaptionButton(QWidget* owner);

    // Drawn pressed: only while the mouse holds the button down.
    bool Down() const { return isDown(); }

    // The face's rectangle in the owner's coordinates.
    QRect ButtonRect() const;

    // Runs at every click (in addition to clicked()).
    std::function<void()> OnClick;

    // Room kept free around the face, so a frame line of the owner that runs
    // under the button stops short of it instead of touching it.
    static constexpr int kMarginX = 2;
    static constexpr int kMarginY = 1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    void reposition();
    QRect localButtonRect() const;

    QWidget* owner_;
    const int buttonLeft_ = 76;
    const int buttonTop_ = 1;
    const QSize buttonSize_{18, 14};
    const QImage glyph_;
    bool raisePending_ = false;
};
