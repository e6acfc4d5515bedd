// The notes dialog: every label's place, style and exact text, the OK button,
// the keys, and where the dialog opens.
#include "dialogtestkit.h"
#include "ui/dialogs/FAP_Hilfe.h"

#include <QFrame>
#include <QImage>
#include <QPushButton>
#include <QTimer>

namespace {
enum Style { Plain = 0, Heading = 1, Note = 2 };
}

class TestHilfe : public QObject {
    Q_OBJECT

private slots:
    void labels_data();
    void labels();
    void noOtherLabels();
    void twoLineLabelsDrawBothLines_data();
    void twoLineLabelsDrawBothLines();
    void window();
    void frameAndButton();
    void keys_data();
    void keys();
    void escapeFromTheFocusedButtonDoesNothing();
    void closeBoxCloses();
    void okButtonEndsModalShowingWithOk();
    void placement();
};

void TestHilfe::labels_data() {
    QTest::addColumn<QRect>("box");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("text");

    const auto row = [](const char* name, QRect box, Style style, const char* text) {
        QTest::newRow(name) << box << int(style) << QString::fromUtf8(text);
    };
    row("Label13", {16, 24, 58, 13}, Heading, "FAP/AEP:");
    row("Label14", {88, 24, 282, 13}, Plain,
        "Wird dieser Knopf angeklickt und erscheint dieser blau, wird");
    row("Label15", {88, 40, 251, 13}, Plain, "die Eingabe als Apotheken-Einkaufspreis genommen.");
    row("Label7", {16, 64, 56, 13}, Heading, "Suchtgift:");
    row("Label8", {88, 64, 87, 13}, Plain, "Zuschlag 55 Cent ");
    row("Label1", {16, 104, 141, 13}, Heading, "Veterinär / Hom. Ansatz:");
    row("Label2", {16, 120, 377, 13}, Plain,
        "Bei Veterinär-Arzneispezialitäten oder Homöophartischen Preisansätzen wird ein ");
    row("Label3", {16, 136, 293, 13}, Plain,
        "fixer Zuschlag von 20 % auf den Fabrikabgabepreis errechnet.");
    row("Label4", {16, 152, 43, 13}, Plain, "Hinweis: ");
    row("Label5", {72, 152, 302, 13}, Plain,
        "Bei der Errechnung der Preise für humane oder homöopathische");
    row("Label6", {72, 168, 267, 13}, Plain,
        "Arzneimittel darf der Parameter nicht angegeben werden.");
    row("Label16", {16, 200, 135, 13}, Heading, "nicht kassenzulässig (*)");
    row("Label17", {56, 224, 312, 26}, Plain,
        "Bei Artikeln, die als nicht kassenzulässig gekennzeichnet sind \r\n"
        "(Kasssenzeichen = *), wird eine andere Kalkulation herangezogen.");
    row("Label11", {32, 264, 332, 26}, Note,
        "Die Kalkulation  und die Rundungsbestimmungen erfolgen \r\n"
        "nach den Regeln der Österreichischen Arzneitaxe. ");
    row("Label12", {248, 312, 124, 13}, Note, " Gültig ab 01.01.2012");
}

void TestHilfe::labels() {
    QFETCH(QRect, box);
    QFETCH(int, style);
    QFETCH(QString, text);

    TdlgFAP_Hilfe dialog;
    const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(label);
    QCOMPARE(label->parentWidget(), &dialog);
    testkit::VerifyLabelBox(*label, box);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(label->text(), text);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->alignment() & Qt::AlignTop);
    QVERIFY(label->alignment() & Qt::AlignLeft);

    const QFont font = label->font();
    QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pixelSize(), 11);
    QCOMPARE(font.bold(), style != Plain);
    QCOMPARE(font.underline(), style == Heading);
    if (style == Plain) {
        QCOMPARE(testkit::TextColour(label), testkit::TextColour(&dialog));
        QVERIFY(testkit::TextColour(label) != QColor(255, 0, 0));
    } else {
        QCOMPARE(testkit::TextColour(label), QColor(255, 0, 0));
    }
}

void TestHilfe::noOtherLabels() {
    TdlgFAP_Hilfe dialog;
    QStringList names;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        names << label->objectName();
    names.sort();
    QStringList expected{"Label1",  "Label11", "Label12", "Label13", "Label14",
                         "Label15", "Label16", "Label17", "Label2",  "Label3",
                         "Label4",  "Label5",  "Label6",  "Label7",  "Label8"};
    expected.sort();
    QCOMPARE(names, expected);
}

void TestHilfe::twoLineLabelsDrawBothLines_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("Label17") << QStringLiteral("Label17");
    QTest::newRow("Label11") << QStringLiteral("Label11");
}

void TestHilfe::twoLineLabelsDrawBothLines() {
    QFETCH(QString, name);
    TdlgFAP_Hilfe dialog;
    QLabel* label = dialog.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->text().count(QStringLiteral("\r\n")), 1);
    QVERIFY(!label->text().contains(u'\n') ||
            label->text().indexOf(u'\n') == label->text().indexOf(u'\r') + 1);

    // Ink in both halves: the CR LF breaks the line instead of being drawn as
    // one long line that runs out of the box.
    const QImage picture = label->grab().toImage();
    const QColor background = picture.pixelColor(picture.width() - 1, picture.height() - 1);
    const auto inkRows = [&](int from, int to) {
        int rows = 0;
        for (int y = from; y < to; ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixelColor(x, y) != background) {
                    ++rows;
                    break;
                }
        return rows;
    };
    const int half = picture.height() / 2;
    QVERIFY(inkRows(0, half) > 0);
    QVERIFY(inkRows(half, picture.height()) > 0);
}

void TestHilfe::window() {
    TdlgFAP_Hilfe dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("FAP-Hinweise"));
    QCOMPARE(dialog.size(), QSize(466, 377));
    QCOMPARE(dialog.minimumSize(), QSize(466, 377));
    QCOMPARE(dialog.maximumSize(), QSize(466, 377));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(dialog.autoFillBackground());
    QCOMPARE(dialog.palette().color(QPalette::Window), dialog.palette().color(QPalette::Button));
    QCOMPARE(dialog.font().pixelSize(), 11);
    QCOMPARE(dialog.font().family(), QStringLiteral("MS Sans Serif"));
}

void TestHilfe::frameAndButton() {
    TdlgFAP_Hilfe dialog;
    auto* frame = dialog.findChild<QFrame*>(QStringLiteral("Bevel1"));
    QVERIFY(frame);
    QCOMPARE(frame->geometry(), QRect(8, 8, 449, 329));
    QCOMPARE(frame->frameShadow(), QFrame::Sunken);
    QVERIFY(frame->frameShape() != QFrame::NoFrame);

    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    QVERIFY(ok);
    QCOMPARE(ok, dialog.BitBtn1);
    QCOMPARE(ok->geometry(), QRect(144, 344, 113, 25));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QVERIFY(!ok->icon().isNull());
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);
}

void TestHilfe::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Return") << int(Qt::Key_Return) << true;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Space on the form") << int(Qt::Key_Space) << false;
}

void TestHilfe::keys() {
    QFETCH(int, key);
    QFETCH(bool, closes);
    TdlgFAP_Hilfe dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    testkit::PressKey(&dialog, Qt::Key(key));
    QCOMPARE(dialog.isVisible(), !closes);
    QCOMPARE(finished.size(), closes ? 1 : 0);
    if (closes)
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TestHilfe::escapeFromTheFocusedButtonDoesNothing() {
    TdlgFAP_Hilfe dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.BitBtn1->setFocus();
    QTest::keyClick(dialog.BitBtn1, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
}

void TestHilfe::closeBoxCloses() {
    TdlgFAP_Hilfe dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
}

void TestHilfe::okButtonEndsModalShowingWithOk() {
    TdlgFAP_Hilfe dialog;
    QTimer::singleShot(0, &dialog,
                       [&dialog] { QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    // Shown again, the same window opens and closes the same way.
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.BitBtn1Click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
}

void TestHilfe::placement() {
    TdlgFAP_Hilfe dialog;
    testkit::VerifyCentredOnFirstShow(dialog);
    if (QTest::currentTestFailed())
        return;
    const QRect screen = testkit::ScreenArea(dialog);
    testkit::VerifyReopensWhereClosed(dialog, screen.topLeft() + QPoint(17, 23));
}

QTEST_MAIN(TestHilfe)
#include "test_hilfe.moc"
