// The target price dialog: what it answers for a typed target, its key
// filter, its keys and buttons, and what it hands back.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "pricing/reverse.h"
#include "pricing/reverse_text.h"
#include "runner/metatypes.h"
#include "ui/dialogs/FAP_Ziel.h"
#include "ui/dialogs/dialogtestkit.h"
#include "ui/layoutcheck.h"
#include "ui/widgets/Accessibility.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <functional>

using namespace fapkalk;

namespace {

// Opens the dialog modally, runs whileOpen in it, closes it if whileOpen left
// it open, and returns what the dialog handed back.
std::optional<std::string> RunDialog(TdlgFAP_Ziel& dialog, const CalcOptions& options, double vat,
                                     const std::function<void()>& whileOpen) {
    bool ran = false;
    testkit::WhenShown(dialog, [&] {
        ran = true;
        whileOpen();
    });
    const std::optional<std::string> taken = dialog.ExecFor(options, vat);
    if (!ran)
        qFatal("the dialog did not open");
    return taken;
}

// Types the target as a user does: the kind by its accelerator's button, the
// amount key by key into the emptied field, then Enter.
void AskFor(TdlgFAP_Ziel& dialog, int kind, const QString& keys) {
    dialog.rgZiel->button(kind)->click();
    dialog.eZielpreis->clear();
    QTest::keyClicks(dialog.eZielpreis, keys);
    QTest::keyClick(dialog.eZielpreis, Qt::Key_Return);
}

// The cents the display text shows for one column of a forward calculation.
qint64 ShownCents(double amount) {
    return std::llround(QString::fromStdString(FormatPrice(amount)).trimmed().toDouble() * 100);
}

qint64 ForwardCents(double input, const CalcOptions& options, double vat, int kind) {
    const PriceResult r = CalcPrices(input, options, vat);
    return ShownCents(kind == 0 ? r.aep : kind == 1 ? r.kp : r.avp);
}

constexpr ReverseTarget kKinds[] = {ReverseTarget::Aep, ReverseTarget::Kp, ReverseTarget::Avp};

} // namespace

class TestZiel : public QObject {
    Q_OBJECT

private slots:
    void layout() {
        TdlgFAP_Ziel dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("FAP-Zielpreis"));
        QCOMPARE(dialog.size(), QSize(TdlgFAP_Ziel::kClientWidth, TdlgFAP_Ziel::kClientHeight));
        QCOMPARE(testkit::LayoutMismatch(dialog, kZielLayout), QString());
        QCOMPARE(dialog.rgZiel->title(), QStringLiteral("Zielpreis"));
        QCOMPARE(dialog.rgZiel->button(0)->text(), QStringLiteral("&AEP"));
        QCOMPARE(dialog.rgZiel->button(1)->text(), QStringLiteral("&KP"));
        QCOMPARE(dialog.rgZiel->button(2)->text(), QStringLiteral("A&VP"));
        QCOMPARE(dialog.rgZiel->itemIndex(), 2);
        QCOMPARE(dialog.lbBetrag->text(), QStringLiteral("Bet&rag:"));
        QCOMPARE(dialog.btBerechnen->text(), QStringLiteral("&Berechnen"));
        QVERIFY(dialog.btBerechnen->isDefault());
        QVERIFY(!dialog.btUebernehmen->autoDefault() && !dialog.btSchliessen->autoDefault());
        QCOMPARE(dialog.btSchliessen->text(), QStringLiteral("&Schließen"));
        QCOMPARE(dialog.lbBetrag->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(dialog.lbBetrag->font().pixelSize(), 13);
        QVERIFY(dialog.lbBetrag->font().bold());
        QCOMPARE(dialog.eZielpreis->palette().color(QPalette::Text), QColor(255, 0, 0));
        // Every control has a name a screen reader can say.
        QVERIFY(UnnamedControls(&dialog).isEmpty());
        QCOMPARE(AccessibleNameOf(dialog.eZielpreis), QStringLiteral("Betrag:"));
        QCOMPARE(AccessibleNameOf(dialog.lbAntwort), QStringLiteral("Antwort"));
        // Tab order: the kinds, the amount, the buttons (the focus chain,
        // controls that take the focus by Tab only).
        const QList<QWidget*> expected{dialog.rgZiel->button(2), dialog.eZielpreis,
                                       dialog.btBerechnen, dialog.btUebernehmen,
                                       dialog.btSchliessen};
        QList<QWidget*> reached;
        QWidget* w = expected.front();
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QRadioButton*>(w))
                reached << w;
            w = w->nextInFocusChain();
        } while (w != expected.front() && reached.size() < expected.size() - 1);
        QCOMPARE(QList<QWidget*>{expected.front()} + reached, expected);
    }

    // The answer is the engine's, word for word, and the price offered gives
    // the target (or the nearest result below it) by the forward calculation.
    void answers_data() {
        QTest::addColumn<CalcOptions>("options");
        QTest::addColumn<double>("vat");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("sentence"); // empty: only the engine's
        QTest::addColumn<QString>("offered");
        QTest::newRow("reached") << CalcOptions{} << kDefaultVatFactor << 2 << "26,05"
                                 << "FAP 12.50 bis 12.52 ergibt AVP 26.05."
                                 << "12.50";
        QTest::newRow("unreachable")
            << CalcOptions{} << kDefaultVatFactor << 2 << "26,07"
            << "AVP 26.07 ist nicht erreichbar: FAP 12.52 ergibt AVP 26.05, FAP 12.53 ergibt "
               "AVP 26.10."
            << "12.52";
        // KP 13.70 is the fixed amount for every AEP from 10.00 to 10.15.
        QTest::newRow("fixed band")
            << CalcOptions{} << kDefaultVatFactor << 1 << "13.7" << QString() << QString();
        QTest::newRow("below the smallest")
            << CalcOptions{.AepInput = true, .Narcotic = true} << kDefaultVatFactor << 1 << "0.5"
            << "KP 0.50 ist nicht erreichbar: der kleinste AEP 0.01 ergibt KP 0.55."
            << "0.01";
        QTest::newRow("homeopathic, 20 %")
            << CalcOptions{.Homeopathic = true} << VatFactorFromRate(20) << 0 << "14,06"
            << QString() << QString();
    }

    void answers() {
        QFETCH(CalcOptions, options);
        QFETCH(double, vat);
        QFETCH(int, kind);
        QFETCH(QString, keys);
        QFETCH(QString, sentence);
        QFETCH(QString, offered);
        TdlgFAP_Ziel dialog;
        QString shown;
        bool canTake = false;
        const std::optional<std::string> taken = RunDialog(dialog, options, vat, [&] {
            AskFor(dialog, kind, keys);
            shown = dialog.lbAntwort->text();
            canTake = dialog.btUebernehmen->isEnabled();
            dialog.btUebernehmen->click();
        });
        const TargetAmount amount = ReadTargetAmount(keys.toStdString());
        const ReverseResult result = ReverseSearch(options, vat).Find(kKinds[kind], amount.cents);
        QCOMPARE(shown, QString::fromStdString(ReverseAnswerText(kKinds[kind], amount.cents, result,
                                                                 options.AepInput)));
        if (!sentence.isEmpty())
            QCOMPARE(shown, sentence);
        QVERIFY(canTake);
        QVERIFY(taken.has_value());
        if (!offered.isEmpty())
            QCOMPARE(QString::fromStdString(*taken), offered);
        // The price handed back gives the target, or the result below it.
        const double price = ParsePrice(*taken);
        const qint64 gives = ForwardCents(price, options, vat, kind);
        if (result.reached) {
            QCOMPARE(gives, amount.cents);
            QVERIFY(ForwardCents(price - 0.01, options, vat, kind) < amount.cents || price == 0.01);
        } else {
            QVERIFY(gives != amount.cents);
        }
    }

    void refusedAmounts_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << ""
                                 << "Bitte einen Zielpreis eingeben.";
        QTest::newRow("zero") << "0,00"
                              << "Der Zielpreis muß größer als 0 sein.";
        QTest::newRow("letters") << "abc"
                                 << "Betrag: „abc“ ist kein Preis (Ziffern mit höchstens einem "
                                    "Dezimalpunkt oder -komma, ohne Vorzeichen).";
        QTest::newRow("minus") << "-5"
                               << "Betrag: „-5“ ist kein Preis (Ziffern mit höchstens einem "
                                  "Dezimalpunkt oder -komma, ohne Vorzeichen).";
        QTest::newRow("too large")
            << "10000000"
            << "Der Zielpreis paßt nicht in die Preisspalte (höchstens 9999999.99).";
    }

    void refusedAmounts() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        TdlgFAP_Ziel dialog;
        const auto taken = RunDialog(dialog, {}, kDefaultVatFactor, [&] {
            AskFor(dialog, 2, keys);
            QCOMPARE(dialog.lbAntwort->text(), text);
            QCOMPARE(dialog.lbAntwort->palette().color(QPalette::WindowText), QColor(255, 0, 0));
            QVERIFY(!dialog.btUebernehmen->isEnabled());
            dialog.btUebernehmen->click(); // disabled: nothing happens
            QVERIFY(dialog.isVisible());
        });
        QCOMPARE(taken, std::nullopt);
    }

    // The price fields' key filter: comma to point, a second point deletes,
    // no third decimal, typing over a selection; a paste only of a price.
    void keyFilter_data() {
        QTest::addColumn<QString>("before"); // selected entirely
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << ""
                               << "12,5"
                               << "12.5";
        QTest::newRow("second point deletes") << ""
                                              << "12.5."
                                              << "12.";
        QTest::newRow("no third decimal") << ""
                                          << "26.059"
                                          << "26.05";
        QTest::newRow("not even a zero") << ""
                                         << "26.001"
                                         << "26.00";
        QTest::newRow("typing over the amount") << "26.07"
                                                << "30"
                                                << "30";
    }

    void keyFilter() {
        QFETCH(QString, before);
        QFETCH(QString, keys);
        TdlgFAP_Ziel dialog;
        dialog.eZielpreis->setText(before);
        dialog.eZielpreis->selectAll();
        QTest::keyClicks(dialog.eZielpreis, keys);
        QTEST(dialog.eZielpreis->text(), "text");
    }

    void pasteOnlyPrices() {
        TdlgFAP_Ziel dialog;
        dialog.eZielpreis->setText(QStringLiteral("26.07"));
        dialog.eZielpreis->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("26.051"));
        QTest::keyClick(dialog.eZielpreis, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(dialog.eZielpreis->text(), QStringLiteral("26.07"));
        QApplication::clipboard()->setText(QStringLiteral("30,5"));
        QTest::keyClick(dialog.eZielpreis, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(dialog.eZielpreis->text(), QStringLiteral("30.5"));
    }

    // Typing after an answer takes it away; another kind answers at once.
    void answerFollowsTheInputs() {
        TdlgFAP_Ziel dialog;
        RunDialog(dialog, {}, kDefaultVatFactor, [&] {
            AskFor(dialog, 2, "26.05");
            QVERIFY(dialog.btUebernehmen->isEnabled());
            QTest::keyClick(dialog.eZielpreis, Qt::Key_Backspace);
            QCOMPARE(dialog.lbAntwort->text(), QString());
            QVERIFY(!dialog.btUebernehmen->isEnabled());
            QTest::keyClick(dialog.eZielpreis, Qt::Key_5);
            dialog.btBerechnen->click();
            QVERIFY(dialog.lbAntwort->text().endsWith("ergibt AVP 26.05."));
            dialog.rgZiel->button(1)->click();
            QVERIFY2(dialog.lbAntwort->text().startsWith("KP 26.05 ist nicht erreichbar") ||
                         dialog.lbAntwort->text().endsWith("ergibt KP 26.05."),
                     qPrintable(dialog.lbAntwort->text()));
            QVERIFY(dialog.btUebernehmen->isEnabled());
        });
    }

    void escapeCloses() {
        TdlgFAP_Ziel dialog;
        const auto taken = RunDialog(dialog, {}, kDefaultVatFactor, [&] {
            AskFor(dialog, 2, "26.05");
            QTest::keyClick(dialog.eZielpreis, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        });
        QCOMPARE(taken, std::nullopt);
    }

    // In AEP input the AEP is offered; each opening answers for the switches
    // it is given, with the target of the last opening.
    void reopenedForOtherSwitches() {
        TdlgFAP_Ziel dialog;
        RunDialog(dialog, {}, kDefaultVatFactor, [&] { AskFor(dialog, 2, "26.05"); });
        QString shown;
        const CalcOptions aep{.AepInput = true, .Narcotic = true};
        const auto taken = RunDialog(dialog, aep, VatFactorFromRate(20), [&] {
            QCOMPARE(dialog.eZielpreis->text(), QStringLiteral("26.05"));
            QCOMPARE(dialog.eZielpreis->selectedText(), QStringLiteral("26.05"));
            QCOMPARE(dialog.focusWidget(), dialog.eZielpreis);
            QCOMPARE(dialog.btUebernehmen->text(), QStringLiteral("AEP &übernehmen"));
            QCOMPARE(dialog.lbEinstellung->text(),
                     QStringLiteral("Für: Standardberechnung, Suchtgift, USt. 20 %"));
            shown = dialog.lbAntwort->text();
            dialog.btUebernehmen->click();
        });
        const ReverseResult r =
            ReverseSearch(aep, VatFactorFromRate(20)).Find(ReverseTarget::Avp, 2605);
        QCOMPARE(shown,
                 QString::fromStdString(ReverseAnswerText(ReverseTarget::Avp, 2605, r, true)));
        QVERIFY(shown.startsWith("AEP ") || shown.startsWith("AVP 26.05 ist"));
        QCOMPARE(taken, std::optional(AmountText(*OfferedInputCents(r))));
    }
};

QTEST_MAIN(TestZiel)
#include "test_ziel.moc"
