// "Zielpreis…" in the main window: the result panel's context menu opens the
// target price dialog for the window's switches and VAT rate, and the price
// taken from it, calculated, shows the target in the result panel.
#include "message_recorder.h"
#include "runner/metatypes.h"

#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/reverse.h"
#include "pricing/reverse_text.h"
#include "ui/dialogs/FAP_Ziel.h"
#include "ui/dialogs/dialogtestkit.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace fapkalk;
using testkit::kNoIni;
using testkit::MainControls;

namespace {

constexpr ReverseTarget kKinds[] = {ReverseTarget::Aep, ReverseTarget::Kp, ReverseTarget::Avp};

QMenu* panelMenu(const TForm1& form) {
    return testkit::Child<QMenu>(form, "PanelEinzelMenu");
}

QAction* zielpreisEntry(const TForm1& form) {
    return testkit::Child<QAction>(form, "miZielpreis");
}

// A right click as the window system reports it: QTest's mouse clicks do not
// make the context menu event the platform makes of one.
void OpenByMouse(QWidget* widget, const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
}

// The Menu key as the window system reports it to the focused control: a
// context menu event of the keyboard (the key press alone opens nothing).
void OpenByMenuKey(QWidget* focused) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(2, 2),
                            focused->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(focused, &event);
}

QString shown(const QLabel* label) {
    return label->text().trimmed();
}

// The main window with the dialog attached as the start-up attaches it.
struct Fixture {
    MessageRecorder messages;
    TForm1 form{kNoIni};
    TdlgFAP_Ziel dialog;
    int openings = 0;

    Fixture() {
        form.SetTargetPriceOpener([this](const CalcOptions& options, double vatFactor) {
            ++openings;
            return dialog.ExecFor(options, vatFactor);
        });
    }

    // Chooses "Zielpreis…" and, in the dialog, does whileOpen (the dialog is
    // closed if it is still open afterwards).
    void OpenTarget(const std::function<void()>& whileOpen) {
        bool ran = false;
        testkit::WhenShown(dialog, [&] {
            ran = true;
            whileOpen();
        });
        zielpreisEntry(form)->trigger();
        QVERIFY(ran);
    }
};

} // namespace

class TestTargetPrice : public QObject {
    Q_OBJECT

private slots:
    void menuHasTheEntry() {
        Fixture f;
        QMenu* menu = panelMenu(f.form);
        // Zielpreis first (a key opens the menu with it chosen), then the desk's
        // entries, then printing.
        QStringList names;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                names << action->objectName();
        QCOMPARE(names, (QStringList{"miZielpreis", "miPreiseKopieren", "miVerlauf",
                                     "miBerechnungDrucken", "miBerechnungPdf"}));
        QCOMPARE(zielpreisEntry(f.form)->text(), QStringLiteral("&Zielpreis…"));
        QCOMPARE(MainControls(f.form).PanelEinzel->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    // Right click on the panel, the Menu key and Shift+F10 with the focus in
    // the price field; in extended mode the keys leave the menu closed.
    void menuOpens_data() {
        QTest::addColumn<int>("how"); // 0 right click, 1 Menu key, 2 Shift+F10
        QTest::newRow("right click") << 0;
        QTest::newRow("Menu key") << 1;
        QTest::newRow("Shift+F10") << 2;
    }

    void menuOpens() {
        QFETCH(int, how);
        Fixture f;
        const MainControls ui(f.form);
        testkit::ShowAndActivate(f.form);
        ui.eFAPBASIS->setFocus();
        QMenu* menu = panelMenu(f.form);
        const auto open = [&](QWidget* focused) {
            if (how == 0)
                OpenByMouse(ui.PanelEinzel, QPoint(400, 60));
            else if (how == 1)
                OpenByMenuKey(focused);
            else
                QTest::keyClick(focused, Qt::Key_F10, Qt::ShiftModifier);
        };
        // Should the price field's own menu open instead, it runs modally:
        // closed after a while, so the test fails rather than hangs.
        QTimer::singleShot(2000, menu, [] {
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        open(ui.eFAPBASIS);
        QTRY_VERIFY(menu->isVisible());
        // By a key the entry is chosen at once: Enter takes it.
        if (how != 0)
            QCOMPARE(menu->activeAction(), zielpreisEntry(f.form));
        menu->hide();
        if (how == 0)
            return;
        ui.btErweitert->click();
        open(ui.btBerechnen);
        QTest::qWait(50);
        QVERIFY(!menu->isVisible());
    }

    // The test: a target taken into the price field reproduces the
    // target on Berechnen (or, when no price gives it, the nearest below).
    void takenTargetReproduces_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<int>("vatRate");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("price");  // what lands in eFAPBASIS
        QTest::addColumn<QString>("result"); // what the target's label shows
        QTest::newRow("reached") << CalcOptions{} << 10 << 2 << "26,05"
                                 << "12.50"
                                 << "26.05";
        QTest::newRow("fixed band") << CalcOptions{} << 10 << 1 << "13.70"
                                    << ""
                                    << "13.70";
        QTest::newRow("unreachable") << CalcOptions{} << 10 << 2 << "26.07"
                                     << "12.52"
                                     << "26.05";
        QTest::newRow("AEP input, narcotic, KP")
            << CalcOptions{.AepInput = true, .Narcotic = true} << 10 << 1 << "15.75"
            << ""
            << "15.75";
        QTest::newRow("homeopathic, veterinary, 20 %")
            << CalcOptions{.Homeopathic = true, .Veterinary = true} << 20 << 2 << "23.40"
            << ""
            << "";
        QTest::newRow("not reimbursable, AEP")
            << CalcOptions{.NotReimbursable = true} << 10 << 0 << "60.50"
            << ""
            << "60.50";
    }

    void takenTargetReproduces() {
        QFETCH(CalcOptions, options);
        QFETCH(int, vatRate);
        QFETCH(int, kind);
        QFETCH(QString, amount);
        QFETCH(QString, price);
        QFETCH(QString, result);
        Fixture f;
        const MainControls ui(f.form);
        testkit::ShowAndActivate(f.form);
        testkit::SetOptions(f.form, options);
        if (vatRate != 10)
            testkit::SetVatRate(f.form, vatRate);
        QCOMPARE(f.form.Options(), options);

        QString answer;
        f.OpenTarget([&] {
            f.dialog.rgZiel->button(kind)->click();
            f.dialog.eZielpreis->clear();
            QTest::keyClicks(f.dialog.eZielpreis, amount);
            QTest::keyClick(f.dialog.eZielpreis, Qt::Key_Return);
            answer = f.dialog.lbAntwort->text();
            f.dialog.btUebernehmen->click();
        });
        QCOMPARE(f.openings, 1);
        QVERIFY(!f.dialog.isVisible());

        // What the engine says for the window's switches and rate.
        const std::int64_t cents = ReadTargetAmount(amount.toStdString()).cents;
        const ReverseResult r =
            ReverseSearch(options, VatFactorFromRate(unsigned(vatRate))).Find(kKinds[kind], cents);
        QCOMPARE(answer, QString::fromStdString(
                             ReverseAnswerText(kKinds[kind], cents, r, options.AepInput)));
        const QString offered = QString::fromStdString(AmountText(*OfferedInputCents(r)));
        QCOMPARE(ui.eFAPBASIS->text(), offered);
        if (!price.isEmpty())
            QCOMPARE(offered, price);
        const QString expected =
            QString::fromStdString(AmountText(r.reached ? cents : r.below->resultCents));
        if (!result.isEmpty())
            QCOMPARE(expected, result);

        QLabel* const labels[] = {ui.lbAEP, ui.lbKP, ui.lbAVP};
        // Taken and computed at once, and again on Berechnen.
        QCOMPARE(shown(labels[kind]), expected);
        ui.lbAVP->setText(QStringLiteral("x"));
        QTest::mouseClick(ui.btBerechnen, Qt::LeftButton);
        QCOMPARE(shown(labels[kind]), expected);
        QCOMPARE(shown(ui.lbFAP), options.AepInput ? QStringLiteral("0.00") : offered);
    }

    // Closed without taking: the price field and the results stay.
    void closedWithoutTaking() {
        Fixture f;
        const MainControls ui(f.form);
        testkit::ShowAndActivate(f.form);
        QTest::keyClicks(ui.eFAPBASIS, "10");
        QTest::keyClick(ui.eFAPBASIS, Qt::Key_Return);
        QCOMPARE(shown(ui.lbAVP), QStringLiteral("21.20"));
        f.OpenTarget([&] {
            QTest::keyClicks(f.dialog.eZielpreis, "26.05");
            QTest::keyClick(f.dialog.eZielpreis, Qt::Key_Return);
            QTest::keyClick(f.dialog.eZielpreis, Qt::Key_Escape);
        });
        QCOMPARE(ui.eFAPBASIS->text(), QStringLiteral("10"));
        QCOMPARE(shown(ui.lbAVP), QStringLiteral("21.20"));
    }

    // A rate still being typed in the VAT field is applied first, so the
    // dialog answers for the rate Berechnen uses.
    void pendingVatRateIsApplied() {
        Fixture f;
        const MainControls ui(f.form);
        testkit::ShowAndActivate(f.form);
        ui.edUST->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(ui.edUST));
        ui.edUST->selectAll();
        QTest::keyClicks(ui.edUST, "20");
        QVERIFY(f.form.VatEdited());
        QString settings;
        f.OpenTarget([&] {
            settings = f.dialog.lbEinstellung->text();
            f.dialog.eZielpreis->clear();
            QTest::keyClicks(f.dialog.eZielpreis, "23.10");
            QTest::keyClick(f.dialog.eZielpreis, Qt::Key_Return);
            f.dialog.btUebernehmen->click();
        });
        QCOMPARE(settings, QStringLiteral("Für: Standardberechnung, USt. 20 %"));
        QCOMPARE(f.form.VatFactor(), VatFactorFromRate(20));
        QCOMPARE(shown(ui.lbAVP), QStringLiteral("23.10"));
    }
};

QTEST_MAIN(TestTargetPrice)
#include "test_target_price.moc"
