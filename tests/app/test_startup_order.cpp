// The program's windows come up in a fixed order, and the imprint is the first
// thing the user sees: modal, before the main window is on screen. "/noini"
// leaves the settings file alone for every window.
#include "app/StartProgram.h"
#include "settings/JvFormPlacement.h"
#include "ui/dialogs/FAP_Impr.h"
#include "ui/main/FAP_Main.h"
#include "ui/output/Fap_DetMore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace fapkalk;

class TestStartupOrder : public QObject {
    Q_OBJECT

private slots:
    void windowsAreCreatedInOrder();
    void imprintIsModalBeforeTheMainWindowShows();
    void noiniLeavesTheSettingsFile_data();
    void noiniLeavesTheSettingsFile();
};

void TestStartupOrder::windowsAreCreatedInOrder() {
    QStringList classes;
    for (const CreationStep& step : CreationSteps())
        classes << QString::fromLatin1(step.windowClass);
    QCOMPARE(classes, (QStringList{"TForm1", "TdlgFAPIMPressum", "TdlgFAP_Hilfe", "TdlgFAP_EXPORT",
                                   "TDetMore", "TdlgFAP_Ziel"}));

    Program program({QStringLiteral("fapkalk"), QStringLiteral("/noini")});
    for (const CreationStep& step : CreationSteps())
        step.create(program);
    QVERIFY(program.MainWindow());
    QCOMPARE(program.SecondaryWindows().size(), std::size_t(5));
    const QStringList expected{"TdlgFAPIMPressum", "TdlgFAP_Hilfe", "TdlgFAP_EXPORT", "TDetMore",
                               "TdlgFAP_Ziel"};
    for (std::size_t i = 0; i < program.SecondaryWindows().size(); ++i) {
        QWidget* window = program.SecondaryWindows()[i].get();
        QString name = QString::fromLatin1(window->metaObject()->className());
        name.remove(QStringLiteral("fapkalk::"));
        QCOMPARE(name, expected[int(i)]);
        QVERIFY2(!window->isVisible(), "secondary windows are created hidden");
    }
    // Every opener of the main window is attached.
    TForm1* form = program.MainWindow();
    const MainWindowOpeners& openers = form->Openers();
    QVERIFY(openers.imprint && openers.notes && openers.exportDialog && openers.detail &&
            openers.targetPrice);
    QVERIFY(form->findChild<QWidget*>(QStringLiteral("JvCaptionButton1")));
}

void TestStartupOrder::imprintIsModalBeforeTheMainWindowShows() {
    Program program({QStringLiteral("fapkalk"), QStringLiteral("/noini")});
    for (const CreationStep& step : CreationSteps())
        step.create(program);
    TForm1* form = program.MainWindow();
    auto* imprint = qobject_cast<TdlgFAPIMPressum*>(program.SecondaryWindows().front().get());
    QVERIFY(imprint);

    bool checked = false;
    bool imprintShownModal = false;
    bool mainOnScreen = true;
    QTimer::singleShot(200, [&] {
        checked = true;
        imprintShownModal = imprint->isVisible() && imprint->isModal() &&
                            QApplication::activeModalWidget() == imprint;
        mainOnScreen = form->windowHandle() && form->windowHandle()->isVisible();
        imprint->OKBtnClick();
    });
    form->show(); // returns once the imprint has closed
    QVERIFY(checked);
    QVERIFY(imprintShownModal);
    QVERIFY2(!mainOnScreen, "the main window appears only after the imprint");
    QVERIFY(form->isVisible());
}

void TestStartupOrder::noiniLeavesTheSettingsFile_data() {
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<bool>("untouched");
    QTest::newRow("/noini") << QStringList{"/noini"} << true;
    QTest::newRow("/NOINI") << QStringList{"/NOINI"} << true;
    QTest::newRow("without it both windows read and write") << QStringList{} << false;
}

void TestStartupOrder::noiniLeavesTheSettingsFile() {
    QFETCH(QStringList, parameters);
    QFETCH(bool, untouched);
    // A settings folder of its own: other tests may use the shared one meanwhile.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QFile file(settings::ResolveIniFileName(QStringLiteral("kalvor.ini")));
    const QByteArray stored =
        "[formpara]\nNormPos=21,23,548,369\n[detform]\nNormPos=11,13,538,400\n";
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly));
    file.write(stored);
    file.close();
    QPoint detailOpenedAt;
    {
        Program program(QStringList{QStringLiteral("fapkalk")} + parameters);
        for (const CreationStep& step : CreationSteps())
            step.create(program);
        TForm1* form = program.MainWindow();
        auto* imprint = qobject_cast<TdlgFAPIMPressum*>(program.SecondaryWindows()[0].get());
        auto* detail = qobject_cast<TDetMore*>(program.SecondaryWindows()[3].get());
        QTimer::singleShot(100, imprint, &TdlgFAPIMPressum::OKBtnClick);
        form->show();
        form->move(form->pos() + QPoint(30, 20));
        QTimer::singleShot(100, detail, [&] { // opened, moved, closed
            detailOpenedAt = detail->frameGeometry().topLeft();
            detail->move(detail->pos() + QPoint(40, 30));
            detail->BitBtn1Click();
        });
        form->Openers().detail(form->Table());
        form->close();
    } // the windows are destroyed, with their last chance to save
    QCOMPARE(detailOpenedAt == QPoint(11, 13), !untouched);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll() == stored, untouched);
}

QTEST_MAIN(TestStartupOrder)
#include "test_startup_order.moc"
