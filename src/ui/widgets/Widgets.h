// Small widgets the main window's layout needs and Qt has no exact match for:
// a status bar of fixed-width panels, a radio group with an item index, and a
// picture that reports clicks.
#pragma once

#include <QButtonGroup>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <span>
#include <string_view>

class QKeyEvent;
class QLineEdit;
class QTableView;

namespace fapkalk {

// The program's fonts are given as a face and a pixel height, so the layout
// does not follow the screen's font scaling. Faces this machine lacks
// ("MS Sans Serif", "Arial") fall back through the substitutions that
// RegisterFontSubstitutions() installs.
QFont PixelFont(const QString& family, int pixelSize, bool bold = false, bool underline = false);
inline const QString kSansSerif = QStringLiteral("MS Sans Serif");
inline const QString kArial = QStringLiteral("Arial");
void RegisterFontSubstitutions();

// A window's fixed layout as data: each control's name (also its objectName),
// the name of the widget it lies in, and its place there in pixels, or docked
// to the parent's top or bottom (only the height counts) or filling what the
// docked ones leave. The window places its controls from its table, and its
// tests check the built window against the same table.
enum class Dock { None, Top, Bottom, Fill };
inline constexpr int kFitContent = -1; // width and height: as large as the content
struct LayoutEntry {
    const char* name;
    const char* parent;
    int left = 0, top = 0, width = 0, height = 0;
    Dock dock = Dock::None;
};

consteval const LayoutEntry& FindEntry(std::span<const LayoutEntry> layout, std::string_view name) {
    for (const LayoutEntry& entry : layout)
        if (entry.name == name)
            return entry;
    throw "no such control in the layout"; // does not compile
}

// Places every undocked control of the table found below window (one sized
// to its content gets its position and its content's size); the window
// arranges the docked ones as its size changes.
void PlaceControls(QWidget& window, std::span<const LayoutEntry> layout);

// The look of a result grid, shared by the main window and the detail window:
// no headers, rows 14 pixels high, bold 10-pixel font, grid lines, whole rows
// selected, read-only, vertical scroll bar only; the amounts right-aligned and
// the focused cell framed so it can be seen; Tab leaves it; Ctrl+C copies the
// selected rows for a spreadsheet (GridCopy.h).
void SetUpResultGridView(QTableView* grid);

// The captions over a result grid's columns (FAP, AEP, KP, AVP): raised
// panels as wide as the columns, side by side in strip, their tops at top.
std::array<QLabel*, 4> AddColumnCaptions(QWidget* strip, int top);

// Width of the frame around the grid's focused cell.
inline constexpr int kGridFocusFrameWidth = 2;

// A status bar of panels side by side. Every panel but the last has a fixed
// width; the last reaches to the right edge.
class TStatusBar : public QWidget {
    Q_OBJECT

public:
    struct Panel {
        int width;
        Qt::Alignment alignment;
    };
    TStatusBar(const QList<Panel>& panels, QWidget* parent = nullptr);

    int panelCount() const { return int(labels_.size()); }
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    QLabel* panelLabel(int index) const { return labels_.value(index); }
    // Lays the panels out for the bar's current width (also done on every resize
    // event; a hidden bar gets those only when it is shown).
    void arrange();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QList<Panel> panels_;
    QList<QLabel*> labels_;
};

// A group box drawn as the program's layout has it: the frame's top line runs
// through the middle of the caption, which stands 8 pixels in from the left
// edge on a gap in the line; without a caption the line lies just as high,
// so the frame does not move when the caption comes and goes.
class TGroupBox : public QGroupBox {
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;
    // The frame's top line, in the box's coordinates.
    int frameTop() const;
    // Where the caption is drawn (empty without one).
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A framed group of radio buttons laid out in columns, one item selected.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QStringList& items, int columns, QWidget* parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index); // no itemClicked signal
    int count() const { return int(buttons_.size()); }
    QRadioButton* button(int index) const { return buttons_.value(index); }
    // Lays the items out for the group's current size (see TStatusBar::arrange).
    void arrange();

signals:
    // The user selected an item (click or keyboard).
    void itemClicked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void keepTabStopOnSelection();

    int columns_;
    QButtonGroup group_;
    QList<QRadioButton*> buttons_;
};

// Gives the caption colour to a control while it is enabled (active and
// inactive window); a disabled control keeps the style's grey.
void SetCaptionColour(QWidget* widget, const QColor& colour);

// A key pressed in a price field, as the price key rules see it: handle gets
// the typed character (kEnterKey for Enter) and may change it, or set it to 0
// to swallow it; a changed key is carried out as a backspace or an insertion.
// Keys without a character stay the field's own, an Alt mnemonic types
// nothing. Returns whether the event was used up.
bool ApplyPriceKey(QLineEdit* field, QKeyEvent* event,
                   const std::function<void(char32_t&)>& handle);

// A switch button: a push button that never takes the keyboard focus. The
// caption's colour shows the state, and so does the face, drawn pressed while
// the switch is on, for whoever cannot tell the colours apart. For assistive
// technology it is a checkable button whose checked state is the switch's
// state (setSwitchedOn), so a screen reader says "on"/"pressed" in step with
// the colour. A click leaves the state alone: the window decides it.
class TSpeedButton : public QPushButton {
    Q_OBJECT

public:
    TSpeedButton(const QString& caption, QWidget* parent = nullptr);

    void setSwitchedOn(bool on) { setChecked(on); }

protected:
    void nextCheckState() override {}
};

// A label that reports a left click: press and release on the label (a press
// dragged off it and released elsewhere is no click). A link also takes the
// focus by Tab (drawn with a focus frame), Enter, Return or Space press it,
// and assistive technology finds a link that it can press. A picture is
// stretched to its box, reached by the mouse only, and presented as Qt
// presents any picture.
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    enum class Kind { Link, Picture };
    explicit ClickLabel(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    // What a click does: emits clicked().
    void activate() { emit clicked(); }

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    bool pressed_ = false;
};

} // namespace fapkalk
