// Pieces shared by the notes and the imprint dialog: text colours,
// the fixed dialog and its paragraphs.
#pragma once

#include "settings/JvFormPlacement.h"

#include <QDialog>
#include <QLabel>
#include <QRect>
#include <QSize>
#include <QStringList>

class QColor;
class QFontMetrics;
class QKeyEvent;
class QShowEvent;

namespace dialogs {

// Sets the colour a label draws its text in.
void SetTextColour(QWidget* widget, const QColor& colour);

// Raises "a" to "z" only, the counterpart of tools::LowerAsciiLetters.
QString UpperAsciiLetters(const QString& text);

// The lines of one paragraph read as one text: blanks at the lines' ends and
// runs of blanks collapse to one, the lines joined by a blank.
QString ParagraphText(const QStringList& lines);

// Labels laid out one below the other as the lines of one paragraph (one
// label may hold several lines, joined by CR LF): a screen reader reads the
// first as the whole paragraph and skips the others. Only for labels that are
// direct children of a FixedDialog, which leaves the others out of its
// accessible children.
void MarkParagraph(const QList<QLabel*>& lines);

// A modal dialog of fixed client size without a cancel button: Esc does
// nothing (the close box still closes it), and it reopens where it was closed.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    FixedDialog(QWidget* parent, QSize clientSize, Qt::WindowFlags extraFlags);

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    settings::OpeningPlace opening_;
};

// A label at a fixed place in a dialog, its text aligned to the top-left corner.
QLabel* PlaceLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text);

// Width and height a plain text needs in a font; lines end with CR LF or LF.
QSize TextExtent(const QFontMetrics& metrics, const QString& text);

// The boxes of the layout were measured with the original face; a substitute
// face may need more room. Grows the label to its text, never beyond its
// parent's right edge, and never shrinks it, so no text is cut off.
void WidenToText(QLabel* label);

} // namespace dialogs
