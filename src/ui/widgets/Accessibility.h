// Accessible names: every control a user can see or operate has one, so a
// screen reader can say what it is.
//
// Most controls are named by Qt from their caption (buttons, labels, group
// boxes, check boxes) or from the label that is their buddy (edit fields);
// those names follow the caption when it changes. Controls without either get
// their hint (tool tip) as the name, or a name set where they are built.
#pragma once

#include <QLabel>
#include <QList>
#include <QString>

class QWidget;

namespace fapkalk {

// The name assistive technology is given for the widget: its accessible name
// if one is set, otherwise what Qt derives (caption, buddy label's text).
QString AccessibleNameOf(QWidget* widget);

// Widgets that need no name of their own:
// - plain containers without a meaning of their own: widgets of the classes
//   QWidget or QFrame (panels, bevels) and group boxes without a caption
//   (their items carry the names);
// - the inner parts of a compound control (viewport, scroll bars and headers
//   of a grid, which is named as a whole).
bool IsExemptFromNaming(const QWidget* widget, const QWidget* window);

// The window's controls (the window itself excluded) that are not exempt and
// have no accessible name; visible or not.
QList<QWidget*> UnnamedControls(QWidget* window);

// The name of a label that shows a value: its caption and its text, trimmed
// ("AEP 13.81"), so a screen reader that reads only names (Orca does, for a
// label) hears the price with what it is; just the caption while the text is
// empty.
QString ValueLabelName(const QString& caption, const QString& text);

// A label that shows a value (a price) rather than a caption: its accessible
// name is ValueLabelName of the given caption and its text, and its text,
// trimmed, is also its value. (A class of its own because Qt picks an
// accessibility interface by class.)
class ValueLabel : public QLabel {
    Q_OBJECT

public:
    ValueLabel(const QString& caption, const QString& text, QWidget* parent = nullptr);
    const QString& caption() const { return caption_; }

private:
    QString caption_;
};
// Tells assistive technology that a value label's text, and with it its name,
// has changed (call after setText; Qt itself announces neither for a label).
void AnnounceValueChange(QLabel* label);

// Gives each unnamed control its hint (tool tip, first line, trimmed) as its
// accessible name. Controls left without a name have neither caption nor hint.
void NameControlsFromHints(QWidget* window);

} // namespace fapkalk
