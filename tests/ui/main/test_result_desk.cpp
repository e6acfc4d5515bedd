// The single result copied (Ctrl+C and "Preise kopieren"), the history kept
// across a restart and not on disk with "/noini", and the history window
// taking an entry back into the main window.
#include "message_recorder.h"

#include "ui/dialogs/FAP_Verlauf.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/widgets/GridCopy.h"
#include "ui/widgets/ResultCopy.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

const MainWindowSettings kWithFiles{{true, QStringLiteral("kalvor.ini")}};

void Compute(TForm1& form, const QString& price) {
    const MainControls ui(form);
    ui.eFAPBASIS->setText(price);
    ui.btBerechnen->click();
}

QAction* MenuEntry(TForm1& form, const char* name) {
    return testkit::Child<QMenu>(form, "PanelEinzelMenu")->findChild<QAction*>(name);
}

} // namespace

class TestResultDesk : public QObject {
    Q_OBJECT

    QTemporaryDir data_;

private slots:
    void initTestCase() {
        QVERIFY(data_.isValid());
        qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
    }

    // Both ways give the readable line and the grid's own row for the price.
    void copiesThePrices_data() {
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<bool>("narcotic");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("Ctrl+C") << false << false
                                << QString::fromUtf8("FAP 12.50 · AEP 13.81 · KP 18.65 · AVP 26.05")
                                << QByteArray("12,50\t13,81\t18,65\t26,05\n");
        QTest::newRow("menu, narcotic")
            << true << true << QString::fromUtf8("FAP 12.50 · AEP 13.81 · KP 19.20 · AVP 26.65")
            << QByteArray("12,50\t13,81\t19,20\t26,65\n");
    }

    void copiesThePrices() {
        QFETCH(bool, byMenu);
        QFETCH(bool, narcotic);
        QFETCH(QString, line);
        QFETCH(QByteArray, row);
        MessageRecorder messages;
        TForm1 form(kNoIni);
        testkit::ShowAndActivate(form);
        const MainControls ui(form);
        QVERIFY(!form.CopyResultClick()); // nothing computed yet
        testkit::SetOptions(form, {.Narcotic = narcotic});
        messages.messages.clear(); // the click computed the empty field
        Compute(form, "12,5");
        QApplication::clipboard()->clear();
        if (byMenu) {
            MenuEntry(form, "miPreiseKopieren")->trigger();
        } else {
            ui.eFAPBASIS->setFocus();
            ui.eFAPBASIS->deselect();
            QTest::keySequence(ui.eFAPBASIS, QKeySequence::Copy);
        }
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QCOMPARE(data->text(), line);
        QCOMPARE(data->data(kTsvMimeType), row);
        QVERIFY(data->html().contains("<td>13,81</td>"));
        QCOMPARE(ui.StatusBar1->panelText(1), QStringLiteral("Preise kopiert"));

        // The same row as the grid copies for that price.
        ui.btErweitert->click();
        for (QLineEdit* field : {ui.eFAPBASIS, ui.eBis})
            field->setText("12.5");
        ui.Edit1->setText("1");
        ui.btBerechnen->click();
        ui.StringGrid1->selectRow(0);
        QVERIFY(CopySelectedRows(ui.StringGrid1));
        QCOMPARE(QApplication::clipboard()->text().toLatin1(), row);
        QVERIFY(messages.messages.isEmpty());
    }

    // Text selected in the field is copied as text.
    void selectionIsCopiedAsText() {
        TForm1 form(kNoIni);
        testkit::ShowAndActivate(form);
        const MainControls ui(form);
        Compute(form, "12.5");
        ui.eFAPBASIS->setFocus();
        ui.eFAPBASIS->selectAll();
        QTest::keySequence(ui.eFAPBASIS, QKeySequence::Copy);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("12.5"));
    }

    // Kept on disk across a restart, newest first; "/noini" writes nothing.
    void historyAcrossRestart() {
        const QString file = data_.path() + "/fapkalk/verlauf.txt";
        {
            TForm1 noIni(kNoIni);
            Compute(noIni, "7");
            QCOMPARE(noIni.History().Entries().size(), std::size_t(1));
        }
        QVERIFY(!QFile::exists(file));
        {
            TForm1 form(kWithFiles);
            Compute(form, "12.5");
            testkit::SetOptions(form, {.Narcotic = true});
            testkit::SetVatRate(form, 20);
        }
        QVERIFY(QFile::exists(file));
        TForm1 again(kWithFiles);
        const auto& entries = again.History().Entries();
        QVERIFY(entries.size() >= 2);
        QCOMPARE(entries[0].vatRate, 20u);
        QVERIFY(entries[0].options.Narcotic);
        QCOMPARE(entries.back().inputCents, 1250);
        QCOMPARE(entries.back().kpCents, 1865);
    }

    // The window lists the entries, sorts by a column and takes one back:
    // input, switches and VAT rate restored, the prices computed again.
    void windowTakesAnEntryBack() {
        MessageRecorder messages;
        TForm1 form(kNoIni);
        const MainControls ui(form);
        Compute(form, "12.5");
        testkit::SetOptions(form, {.Homeopathic = true, .Narcotic = true});
        testkit::SetVatRate(form, 20);
        Compute(form, "400");
        const history::HistoryEntry wanted = form.History().Entries().front();
        testkit::SetOptions(form, {});
        testkit::SetVatRate(form, 10);
        Compute(form, "3");
        const std::size_t count = form.History().Entries().size();

        int rows = -1;
        QTimer::singleShot(0, &form, [&] {
            TdlgFAP_Verlauf* window = form.VerlaufWindow();
            QTableWidget* table = window->tbVerlauf;
            rows = table->rowCount();
            table->horizontalHeader()->setSortIndicator(7, Qt::DescendingOrder); // AVP
            QCOMPARE(table->item(0, 4)->text(), QStringLiteral("400.00"));
            table->selectRow(0);
            window->btNeu->click();
        });
        MenuEntry(form, "miVerlauf")->trigger();
        QCOMPARE(rows, int(count));
        QCOMPARE(form.Options(), wanted.options);
        QCOMPARE(form.VatFactor(), VatFactorFromRate(20));
        QCOMPARE(ui.eFAPBASIS->text(), QStringLiteral("400.00"));
        QCOMPARE(ui.lbAVP->text().trimmed(),
                 QStringLiteral("%1.%2")
                     .arg(wanted.avpCents / 100)
                     .arg(wanted.avpCents % 100, 2, 10, QLatin1Char('0')));
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join('\n')));
    }
};

QTEST_MAIN(TestResultDesk)
#include "test_result_desk.moc"
