// The imprint dialog: the publisher's data in their places and styles, the
// links handed to the desktop shell, the keys, the placement, and the start
// screen's single self-closing after four seconds.
#include "dialogtestkit.h"
#include "publisher.h"
#include "tools/tools.h"
#include "ui/dialogs/FAP_Impr.h"
#include "ui/widgets/Widgets.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>

namespace {

// Case changes of the test's own, independent of the program's helpers.
QString Lowered(const char* text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return QString::fromStdString(s);
}

QString Raised(const char* text) {
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return QString::fromStdString(s);
}

// Records what the dialog hands to the desktop shell.
class ShellRecorder {
public:
    ShellRecorder() {
        previous_ = tools::SetShellOpener([this](const QString& target) { targets << target; });
    }
    ~ShellRecorder() { tools::SetShellOpener(std::move(previous_)); }
    QStringList targets;

private:
    tools::ShellOpener previous_;
};

constexpr int kBlack = 1, kDefaultColour = 0, kRed = 2, kBlue = 3, kTeal = 4;

QColor ColourOf(int code, const QWidget& dialog) {
    switch (code) {
    case kBlack:
        return QColor(0, 0, 0);
    case kRed:
        return QColor(255, 0, 0);
    case kBlue:
        return QColor(0, 0, 255);
    case kTeal:
        return QColor(0, 128, 128);
    default:
        return testkit::TextColour(&dialog);
    }
}

} // namespace

class TestImpressum : public QObject {
    Q_OBJECT

private slots:
    void labels_data();
    void labels();
    void logo();
    void window();
    void okButton();
    void keys_data();
    void keys();
    void closeBoxCloses();
    void links_data();
    void links();
    void pressDraggedOffTheLinkOpensNothing();
    void webText_data();
    void webText();
    void placement();
    void timerHandlerClosesOnceAndSwitchesOff();
    void timerFiresOnceItsIntervalAfterCreation();
    void startScreenClosesByItself();
};

void TestImpressum::labels_data() {
    namespace pub = fapkalk::publisher;
    QTest::addColumn<QRect>("box");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<int>("colour");
    QTest::addColumn<QString>("text");

    const QString sans = QStringLiteral("MS Sans Serif");
    const QString arial = QStringLiteral("Arial");
    const auto u8 = [](const char* s) { return QString::fromUtf8(s); };
    QTest::newRow("Label1") << QRect(24, 0, 254, 24) << sans << 19 << true << false << kRed
                            << QStringLiteral("FAP-Kalkulationsprogramm");
    QTest::newRow("LabZeile4") << QRect(13, 43, 174, 14) << arial << 11 << true << false << kBlack
                               << u8(pub::NameLine1);
    QTest::newRow("LabZeile5") << QRect(13, 56, 172, 14) << arial << 11 << true << false << kBlack
                               << u8(pub::NameLine2);
    QTest::newRow("LabZeile6") << QRect(13, 69, 139, 14) << arial << 11 << true << false << kBlack
                               << u8(pub::Address);
    QTest::newRow("labZeile8") << QRect(13, 88, 112, 14) << arial << 11 << true << false << kBlack
                               << QStringLiteral("Tel.: ") + u8(pub::Phone);
    QTest::newRow("Label6") << QRect(13, 104, 122, 14) << arial << 11 << true << false << kBlack
                            << QStringLiteral("FAX.: ") + u8(pub::Fax);
    QTest::newRow("Label5") << QRect(13, 124, 36, 14) << arial << 11 << true << false
                            << kDefaultColour << QStringLiteral("e-Mail:");
    QTest::newRow("labemail") << QRect(80, 122, 115, 13) << sans << 11 << false << true << kBlue
                              << Raised(pub::Email);
    QTest::newRow("Label4") << QRect(13, 140, 62, 14) << arial << 11 << true << false
                            << kDefaultColour << QStringLiteral("Homepage:");
    QTest::newRow("labWWW") << QRect(80, 140, 118, 13) << sans << 11 << false << true << kBlue
                            << Raised(pub::Web);
    QTest::newRow("LabCopyr") << QRect(5, 166, 225, 16) << sans << 15 << true << false << kTeal
                              << u8(pub::Copyright);
}

void TestImpressum::labels() {
    QFETCH(QRect, box);
    QFETCH(QString, family);
    QFETCH(int, pixels);
    QFETCH(bool, bold);
    QFETCH(bool, underline);
    QFETCH(int, colour);
    QFETCH(QString, text);

    TdlgFAPIMPressum dialog;
    const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(label);
    testkit::VerifyLabelBox(*label, box);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().family(), family);
    QCOMPARE(label->font().pixelSize(), pixels);
    QCOMPARE(label->font().bold(), bold);
    QCOMPARE(label->font().underline(), underline);
    QCOMPARE(testkit::TextColour(label), ColourOf(colour, dialog));
    const Qt::Alignment horizontal =
        QByteArray(QTest::currentDataTag()) == "Label1" ? Qt::AlignHCenter : Qt::AlignLeft;
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, horizontal);
    // Only the two links show the hand.
    QCOMPARE(label->cursor().shape() == Qt::PointingHandCursor, underline);
}

void TestImpressum::logo() {
    TdlgFAPIMPressum dialog;
    auto* image = dialog.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image);
    QCOMPARE(image->geometry(), QRect(224, 32, 81, 73));
    QVERIFY(image->hasScaledContents());
    const QPixmap logo = image->pixmap();
    QVERIFY(!logo.isNull());
    // Stretched to the box: the picture fills it to its edges.
    const QImage drawn = image->grab().toImage();
    QCOMPARE(drawn.size(), QSize(81, 73));
    const QImage scaled = logo.toImage().scaled(81, 73).convertToFormat(drawn.format());
    QCOMPARE(drawn.pixelColor(40, 36), scaled.pixelColor(40, 36));
}

void TestImpressum::window() {
    TdlgFAPIMPressum dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("FAP - Impressum"));
    QCOMPARE(dialog.size(), QSize(313, 214));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog.autoFillBackground());
    QCOMPARE(dialog.palette().color(QPalette::Window), QColor(255, 255, 255));
    QVERIFY(!dialog.isVisible());
}

void TestImpressum::okButton() {
    TdlgFAPIMPressum dialog;
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OKBtn"));
    QVERIFY(ok);
    QCOMPARE(ok->geometry(), QRect(231, 188, 75, 25));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);

    QTimer::singleShot(0, &dialog, [&dialog, ok] {
        QCOMPARE(dialog.focusWidget(), ok);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
}

void TestImpressum::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Return") << int(Qt::Key_Return) << true;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
}

void TestImpressum::keys() {
    QFETCH(int, key);
    QFETCH(bool, closes);
    TdlgFAPIMPressum dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Sent to the focused button, as a real key press would be.
    QTest::keyClick(dialog.OKBtn, Qt::Key(key));
    QCOMPARE(dialog.isVisible(), !closes);
    if (closes)
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key(key));
    QCOMPARE(dialog.isVisible(), !closes);
}

void TestImpressum::closeBoxCloses() {
    TdlgFAPIMPressum dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());
}

void TestImpressum::links_data() {
    namespace pub = fapkalk::publisher;
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("target");
    QTest::newRow("labWWW") << QStringLiteral("labWWW")
                            << QStringLiteral("http://") + Lowered(pub::Web);
    QTest::newRow("labemail") << QStringLiteral("labemail")
                              << QStringLiteral("MailTo:") + Lowered(pub::Email) +
                                     QStringLiteral("?subject=");
}

void TestImpressum::links() {
    QFETCH(QString, name);
    QFETCH(QString, target);
    ShellRecorder shell;
    TdlgFAPIMPressum dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* label = dialog.findChild<QLabel*>(name);
    QVERIFY(label);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(shell.targets, QStringList{target});
    // The dialog stays as it was.
    QVERIFY(dialog.isVisible());
    QCOMPARE(label->text(), label->text().toUpper());

    // The named handlers do the same.
    if (name == QStringLiteral("labWWW"))
        dialog.labWWWClick();
    else
        dialog.labemailClick();
    QCOMPARE(shell.targets, (QStringList{target, target}));

    // Another button or a right click opens nothing.
    QTest::mouseClick(label, Qt::RightButton);
    QCOMPARE(shell.targets.size(), 2);

    // From the keyboard (Tab reaches the links): Enter and Space open the one
    // with the focus, another key opens nothing.
    QVERIFY(label->focusPolicy() & Qt::TabFocus);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_A})
        QTest::keyClick(label, key);
    QCOMPARE(shell.targets, (QStringList{target, target, target, target}));
}

void TestImpressum::pressDraggedOffTheLinkOpensNothing() {
    ShellRecorder shell;
    TdlgFAPIMPressum dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mousePress(dialog.labWWW, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(dialog.labWWW, Qt::LeftButton, {}, QPoint(5, 200));
    QVERIFY(shell.targets.isEmpty());
}

void TestImpressum::webText_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "www.example.org"
                           << "WWW.EXAMPLE.ORG";
    QTest::newRow("capitals") << "WWW.EXAMPLE.ORG"
                              << "WWW.EXAMPLE.ORG";
    QTest::newRow("with scheme") << "http://www.example.org"
                                 << "WWW.EXAMPLE.ORG";
    QTest::newRow("scheme in capitals") << "HTTP://Www.Example.org"
                                        << "WWW.EXAMPLE.ORG";
    QTest::newRow("secure scheme") << "https://example.at/a"
                                   << "EXAMPLE.AT/A";
    QTest::newRow("blanks") << "  www.example.org \t"
                            << "WWW.EXAMPLE.ORG";
    QTest::newRow("umlaut stays") << QString::fromUtf8("www.apothek-ä.at")
                                  << QString::fromUtf8("WWW.APOTHEK-ä.AT");
    QTest::newRow("scheme not at start") << "www.x.org/http://"
                                         << "WWW.X.ORG/HTTP://";
}

void TestImpressum::webText() {
    QFETCH(QString, address);
    QFETCH(QString, shown);
    QCOMPARE(ImprintWebText(address), shown);
}

void TestImpressum::placement() {
    TdlgFAPIMPressum dialog;
    dialog.Timer1->stop();
    testkit::VerifyCentredOnFirstShow(dialog);
    if (QTest::currentTestFailed())
        return;
    const QRect screen = testkit::ScreenArea(dialog);
    testkit::VerifyReopensWhereClosed(dialog, screen.topLeft() + QPoint(40, 31));
}

void TestImpressum::timerHandlerClosesOnceAndSwitchesOff() {
    TdlgFAPIMPressum dialog;
    QCOMPARE(dialog.Timer1->interval(), 4000);
    QCOMPARE(dialog.Timer1->timerType(), Qt::PreciseTimer);
    QVERIFY(dialog.Timer1->isActive());

    // Hidden at the firing: nothing to see, no result announced.
    {
        TdlgFAPIMPressum hidden;
        QSignalSpy finished(&hidden, &QDialog::finished);
        hidden.Timer1Timer();
        QVERIFY(!hidden.Timer1->isActive());
        QVERIFY(!hidden.isVisible());
        QCOMPARE(finished.size(), 0);
    }

    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Timer1Timer();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.Timer1->isActive());
    QCOMPARE(finished.size(), 1);
}

// The timing tests run the dialog's clock with a shorter interval than the
// program's four seconds (checked above); every wait is scaled from it.
constexpr std::chrono::milliseconds kTestAutoClose{800};

void TestImpressum::timerFiresOnceItsIntervalAfterCreation() {
    const qint64 interval = kTestAutoClose.count();
    // One dialog is on screen when the timer fires, the other is hidden.
    QElapsedTimer clock;
    clock.start();
    TdlgFAPIMPressum shown(nullptr, kTestAutoClose);
    TdlgFAPIMPressum hidden(nullptr, kTestAutoClose);
    QSignalSpy shownFinished(&shown, &QDialog::finished);
    QSignalSpy hiddenFinished(&hidden, &QDialog::finished);
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    // Three quarters of the interval after creation it is still open.
    QTest::qWait(int(std::max<qint64>(0, interval * 3 / 4 - clock.elapsed())));
    QVERIFY(shown.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!shown.isVisible(), 5000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= interval, qPrintable(QString::number(elapsed)));
    QCOMPARE(shownFinished.size(), 1);
    QTRY_VERIFY(!hidden.Timer1->isActive());
    QVERIFY(!shown.Timer1->isActive());
    QVERIFY(!hidden.isVisible());
    QCOMPARE(hiddenFinished.size(), 0);

    // Opened after the single firing, both stay open.
    shown.show();
    hidden.show();
    QTest::qWait(int(interval * 9 / 8));
    QVERIFY(shown.isVisible());
    QVERIFY(hidden.isVisible());
    QCOMPARE(shownFinished.size(), 1);
}

void TestImpressum::startScreenClosesByItself() {
    const qint64 interval = kTestAutoClose.count();
    // As at program start: created, then shown modally at once.
    QElapsedTimer clock;
    clock.start();
    TdlgFAPIMPressum dialog(nullptr, kTestAutoClose);
    const int result = dialog.exec();
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= interval && elapsed < interval + 5000,
             qPrintable(QString::number(elapsed)));
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(!dialog.Timer1->isActive());
}

QTEST_MAIN(TestImpressum)
#include "test_impressum.moc"
