// The main window's keyboard: the Tab chain and the access keys, as data and
// rules the window applies and the tests check.
#pragma once

#include <QChar>
#include <QKeySequence>
#include <QList>
#include <QStringList>

class QWidget;

namespace fapkalk {

// The controls Tab visits, in this order (by objectName): the price fields,
// the calculation-mode group, the VAT field, the button bar from left to right
// and the result grid. The switch buttons are not in it: they never take the
// focus, their access keys reach them.
const QStringList& MainTabChain();

// Sets the Tab order of window's controls named in chain. A radio group enters
// with all its items, so that Tab reaches the group whichever item is selected.
void ApplyTabChain(QWidget* window, const QStringList& chain);

// The access key of a caption: the character after its first single '&',
// lowered ("&&" shows an ampersand); a null QChar when it has none.
QChar AccessKeyOf(const QString& caption);

// The access keys more than one of the captions claims. Qt activates none of
// the controls that share a key (it only moves the focus between them, and a
// switch button takes no focus), so each key must belong to one control.
QList<QChar> AccessKeyClashes(const QStringList& captions);

// Keys without a caption of their own: the imprint (as the logo and the "i"
// button open it) and Abbruch while a range run is under way.
inline const QKeySequence kImprintKey{Qt::ALT | Qt::Key_I};
inline const QKeySequence kAbortKey{Qt::Key_Escape};

} // namespace fapkalk
