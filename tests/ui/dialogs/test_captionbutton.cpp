// The title-bar button: its picture, where it stands on its owner, and what
// real mouse presses on it and around it do.
#include "ui/dialogs/JvCaptionButton.h"
#include "ui/widgets/artwork.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// An owner window like the main window: a label and a button on it, the rest
// of its surface bare.
struct Owner {
    QWidget window;
    QLabel* label;
    QPushButton* button;
    TJvCaptionButton* caption;
    int clicks = 0;

    Owner() {
        window.resize(527, 300);
        label = new QLabel(QStringLiteral("Preis"), &window);
        label->setGeometry(20, 100, 80, 20);
        button = new QPushButton(QStringLiteral("&Berechnen"), &window);
        button->setGeometry(20, 200, 89, 25);
        caption = new TJvCaptionButton(&window);
        caption->OnClick = [this] { ++clicks; };
    }

    // Mouse positions in the caption widget's own coordinates.
    QPoint onFace() const { return caption->mapFrom(&window, caption->ButtonRect().center()); }
};

} // namespace

class TestCaptionButton : public QObject {
    Q_OBJECT

private slots:
    void mouse_data();
    void mouse();
    void glyphRows_data();
    void glyphRows();
    void glyphOffset_data();
    void glyphOffset();
    void buttonRect_data();
    void buttonRect();
    void followsOwnerWidth_data();
    void followsOwnerWidth();
    void drawing_data();
    void drawing();
    void staysAboveLaterControls();
    void pressedOnlyWhileHeld();
};

void TestCaptionButton::mouse_data() {
    // B: click on the button; S: click on the bare surface; L: click on the
    // label; P: click on the push button; O: click on the margin above the
    // face; D: double click on the button.
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("clicks");
    QTest::newRow("B") << "B" << 1;
    QTest::newRow("every click opens") << "BBB" << 3;
    QTest::newRow("BSB") << "BSB" << 2;
    QTest::newRow("BLB") << "BLB" << 2;
    QTest::newRow("BPB") << "BPB" << 2;
    QTest::newRow("beside the face") << "O" << 0;
    QTest::newRow("S") << "S" << 0;
    QTest::newRow("D") << "D" << 2;
}

void TestCaptionButton::mouse() {
    QFETCH(QString, events);
    QFETCH(int, clicks);

    Owner owner;
    QSignalSpy signal(owner.caption, &TJvCaptionButton::clicked);
    owner.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
    const QPoint bare(300, 150);
    QCOMPARE(owner.window.childAt(bare), nullptr);

    for (QChar event : events) {
        switch (event.unicode()) {
        case u'B':
            QTest::mouseClick(owner.caption, Qt::LeftButton, {}, owner.onFace());
            break;
        case u'S':
            QTest::mouseClick(&owner.window, Qt::LeftButton, {}, bare);
            break;
        case u'L':
            QTest::mouseClick(owner.label, Qt::LeftButton, {}, QPoint(5, 5));
            break;
        case u'P':
            QTest::mouseClick(owner.button, Qt::LeftButton, {}, QPoint(5, 5));
            break;
        case u'O':
            QTest::mouseClick(owner.caption, Qt::LeftButton, {}, QPoint(5, 0));
            break;
        case u'D':
            // What the window system delivers for a double click.
            QTest::mouseClick(owner.caption, Qt::LeftButton, {}, owner.onFace());
            QTest::mouseDClick(owner.caption, Qt::LeftButton, {}, owner.onFace());
            QTest::mouseRelease(owner.caption, Qt::LeftButton, {}, owner.onFace());
            break;
        default:
            QFAIL("unknown event");
        }
        QTest::qWait(1);
    }
    QCOMPARE(owner.clicks, clicks);
    QCOMPARE(signal.size(), clicks);
    QVERIFY(!owner.caption->Down());
}

void TestCaptionButton::glyphRows_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("letter");
    // Two blue rows, a dot three rows high, a gap of two, a stem of eight, one blue row.
    const bool rows[16] = {false, false, true, true, true, false, false, true,
                           true,  true,  true, true, true, true,  true,  false};
    for (int row = 0; row < 16; ++row)
        QTest::addRow("row %d", row) << row << rows[row];
}

void TestCaptionButton::glyphRows() {
    QFETCH(int, row);
    QFETCH(bool, letter);
    const QImage glyph = InfoGlyph();
    QCOMPARE(glyph.size(), QSize(16, 16));
    for (int x = 0; x < 16; ++x) {
        const bool white = letter && (x == 7 || x == 8);
        const QColor expected = white ? QColor(255, 255, 255) : QColor(0, 0, 255);
        QVERIFY2(glyph.pixelColor(x, row) == expected,
                 qPrintable(QStringLiteral("column %1").arg(x)));
    }
}

void TestCaptionButton::glyphOffset_data() {
    QTest::addColumn<QSize>("button");
    QTest::addColumn<QSize>("glyph");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("title button") << QSize(18, 14) << QSize(16, 16) << false << QPoint(1, -1);
    QTest::newRow("title button down") << QSize(18, 14) << QSize(16, 16) << true << QPoint(2, 0);
    QTest::newRow("exact fit") << QSize(16, 16) << QSize(16, 16) << false << QPoint(0, 0);
    QTest::newRow("odd room") << QSize(19, 21) << QSize(16, 16) << false << QPoint(1, 2);
    QTest::newRow("odd overhang cuts towards zero")
        << QSize(13, 11) << QSize(16, 16) << false << QPoint(-1, -2);
    QTest::newRow("odd overhang down") << QSize(13, 11) << QSize(16, 16) << true << QPoint(0, -1);
}

void TestCaptionButton::glyphOffset() {
    QFETCH(QSize, button);
    QFETCH(QSize, glyph);
    QFETCH(bool, down);
    QFETCH(QPoint, offset);
    QCOMPARE(CaptionGlyphOffset(button, glyph, down), offset);
}

void TestCaptionButton::buttonRect_data() {
    QTest::addColumn<int>("ownerWidth");
    QTest::addColumn<int>("firstColumn");
    QTest::addColumn<int>("lastColumn");
    QTest::newRow("main window") << 527 << 451 << 468;
    QTest::newRow("wider") << 800 << 724 << 741;
    QTest::newRow("narrow") << 100 << 24 << 41;
}

void TestCaptionButton::buttonRect() {
    QFETCH(int, ownerWidth);
    QFETCH(int, firstColumn);
    QFETCH(int, lastColumn);
    const QRect rect = CaptionButtonRect(ownerWidth, 76, 6, QSize(18, 14));
    QCOMPARE(rect.left(), firstColumn);
    QCOMPARE(rect.right(), lastColumn);
    QCOMPARE(rect.top(), 6);
    QCOMPARE(rect.bottom(), 19);
}

void TestCaptionButton::followsOwnerWidth_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("527") << 527;
    QTest::newRow("700") << 700;
    QTest::newRow("300") << 300;
}

void TestCaptionButton::followsOwnerWidth() {
    QFETCH(int, width);
    Owner owner;
    owner.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
    owner.window.resize(width, 280);
    QTRY_COMPARE(owner.window.width(), width);
    const QRect face(width - 76, 1, 18, 14);
    QCOMPARE(owner.caption->ButtonRect(), face);
    // The widget covers the face and a margin, under which the owner's
    // frame lines stop.
    QCOMPARE(owner.caption->geometry(), QRect(width - 78, 0, 22, 16));
    QCOMPARE(owner.caption->objectName(), QStringLiteral("JvCaptionButton1"));
}

void TestCaptionButton::drawing_data() {
    // A pixel of the picture (column, row) and where it lands relative to the
    // face's top-left corner, up and down; the picture stays on the face.
    QTest::addColumn<bool>("down");
    QTest::addColumn<QPoint>("glyphPixel");
    QTest::addColumn<QPoint>("atFace");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("up: corner above the face") << false << QPoint(0, 0) << QPoint(1, -1) << false;
    QTest::newRow("up: dot") << false << QPoint(7, 2) << QPoint(8, 1) << true;
    QTest::newRow("up: stem foot") << false << QPoint(8, 14) << QPoint(9, 13) << true;
    QTest::newRow("up: row below the face") << false << QPoint(15, 15) << QPoint(16, 14) << false;
    QTest::newRow("down: corner") << true << QPoint(0, 0) << QPoint(2, 0) << true;
    QTest::newRow("down: dot") << true << QPoint(7, 2) << QPoint(9, 2) << true;
    QTest::newRow("down: stem") << true << QPoint(8, 10) << QPoint(10, 10) << true;
    QTest::newRow("down: below the face") << true << QPoint(15, 15) << QPoint(17, 15) << false;
}

void TestCaptionButton::drawing() {
    QFETCH(bool, down);
    QFETCH(QPoint, glyphPixel);
    QFETCH(QPoint, atFace);
    QFETCH(bool, drawn);

    Owner owner;
    owner.caption->setDown(down);
    owner.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
    const QImage window = owner.window.grab().toImage();
    const QPoint at = owner.caption->ButtonRect().topLeft() + atFace;
    QCOMPARE(window.pixelColor(at) == InfoGlyph().pixelColor(glyphPixel), drawn);
}

void TestCaptionButton::staysAboveLaterControls() {
    Owner owner;
    // A panel over the whole window, created after the button.
    auto* panel = new QFrame(&owner.window);
    panel->setAutoFillBackground(true);
    panel->setGeometry(0, 0, 527, 300);
    owner.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
    QTRY_COMPARE(owner.window.childAt(owner.caption->ButtonRect().center()),
                 static_cast<QWidget*>(owner.caption));
}

void TestCaptionButton::pressedOnlyWhileHeld() {
    Owner owner;
    QDialog dialog(&owner.window);
    owner.caption->OnClick = [&] {
        ++owner.clicks;
        QTimer::singleShot(0, &dialog, &QDialog::accept);
        dialog.exec();
    };
    owner.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner.window));
    for (int click = 1; click <= 2; ++click) {
        QTest::mousePress(owner.caption, Qt::LeftButton, {}, owner.onFace());
        QVERIFY(owner.caption->Down());
        QTest::mouseRelease(owner.caption, Qt::LeftButton, {}, owner.onFace());
        QCOMPARE(owner.clicks, click);
        QVERIFY(!owner.caption->Down());
    }
}

QTEST_MAIN(TestCaptionButton)
#include "test_captionbutton.moc"
