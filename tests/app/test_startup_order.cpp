// The program's windows come up in a fixed order, and the imprint is the first
// thing the user sees: modal, before the main window is on screen.
#include "app/StartProgram.h"
#include "ui/dialogs/FAP_Impr.h"
#include "ui/main/FAP_Main.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace fapkalk;

class TestStartupOrder : public QObject {
    Q_OBJECT

private slots:
    void windowsAreCreatedInOrder();
    void imprintIsModalBeforeTheMainWindowShows();
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

QTEST_MAIN(TestStartupOrder)
#include "test_startup_order.moc"
