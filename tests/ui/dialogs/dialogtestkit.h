// Shared checks for the dialog tests.
#pragma once

#include <QColor>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace testkit {

// The label's text colour as it will be drawn.
inline QColor TextColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

inline QRect ScreenArea(const QWidget& dialog) {
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    return screen->geometry();
}

// At its first showing the dialog stands in the middle of the screen.
inline void VerifyCentredOnFirstShow(QDialog& dialog) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect screen = ScreenArea(dialog);
    const QPoint expected((screen.width() - dialog.frameGeometry().width()) / 2 + screen.x(),
                          (screen.height() - dialog.frameGeometry().height()) / 2 + screen.y());
    QCOMPARE(dialog.frameGeometry().topLeft(), expected);
    dialog.hide();
}

// Moved, closed and opened again, the dialog comes back where it was.
inline void VerifyReopensWhereClosed(QDialog& dialog, QPoint movedTo) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.move(movedTo);
    QTRY_COMPARE(dialog.pos(), movedTo);
    dialog.close();
    QVERIFY(!dialog.isVisible());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.pos(), movedTo);
    dialog.hide();
    dialog.show();
    QCOMPARE(dialog.pos(), movedTo);
    dialog.hide();
}

// A label stands at the corner of its layout box and is at least as big as the
// box; where a substitute face needs more room it is wider, up to its parent's
// right edge, so that no text is cut off.
inline void VerifyLabelBox(const QLabel& label, const QRect& box) {
    QCOMPARE(label.pos(), box.topLeft());
    const QFontMetrics metrics = label.fontMetrics();
    const QStringList lines = label.text().split(QRegularExpression(QStringLiteral("\\r?\\n")));
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = qMax(textWidth, metrics.horizontalAdvance(line));
    const int room = label.parentWidget()->width() - box.x();
    QCOMPARE(label.width(), qMax(box.width(), qMin(textWidth, room)));
    QCOMPARE(label.height(), qMax(box.height(), int(lines.size()) * metrics.height()));
    QVERIFY2(label.width() >= textWidth ||
                 label.geometry().right() + 1 == label.parentWidget()->width(),
             "text cut off");
}

// Sends one key to the dialog (or to the widget holding the focus in it).
inline void PressKey(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key);
}

// Runs action once the modal dialog is on screen, from inside its own loop.
// It polls rather than firing once: a handler that processes events before
// the dialog opens would run a one-shot timer too early. A dialog still open
// after the action is rejected, so a failing test ends instead of hanging.
inline void WhenShown(QDialog& dialog, std::function<void()> action) {
    auto* poll = new QTimer(&dialog);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, &dialog, [&dialog, poll, action = std::move(action)] {
        if (!dialog.isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action();
        if (dialog.isVisible())
            dialog.reject();
    });
    poll->start();
}

} // namespace testkit
