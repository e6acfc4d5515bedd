// How the window shows what the switch rules and the VAT field decide: the
// caption colours, the VAT field's background, the FAP/AEP captions.
#include "ui/main/SwitchLook.h"

#include <QtTest>

using namespace fapkalk;

Q_DECLARE_METATYPE(fapkalk::SwitchButton)
Q_DECLARE_METATYPE(fapkalk::VatRateKind)

class TestSwitchLook : public QObject {
    Q_OBJECT

private slots:
    void captionColours_data() {
        QTest::addColumn<SwitchButton>("button");
        QTest::addColumn<QColor>("on");
        const QColor red(255, 0, 0);
        QTest::newRow("aep") << SwitchButton::FapAep << QColor(0, 0, 255);
        QTest::newRow("narcotic") << SwitchButton::Narcotic << red;
        QTest::newRow("veterinary") << SwitchButton::Veterinary << red;
        QTest::newRow("not reimbursable") << SwitchButton::NotReimbursable << red;
    }

    // Each switch alone on shows its colour; every other one stays black.
    void captionColours() {
        QFETCH(SwitchButton, button);
        QFETCH(QColor, on);
        CalcOptions options;
        QCOMPARE(SwitchCaptionColour(options, button), QColor(0, 0, 0));
        options.AepInput = button == SwitchButton::FapAep;
        options.Narcotic = button == SwitchButton::Narcotic;
        options.Veterinary = button == SwitchButton::Veterinary;
        options.NotReimbursable = button == SwitchButton::NotReimbursable;
        for (SwitchButton other : {SwitchButton::FapAep, SwitchButton::Narcotic,
                                   SwitchButton::Veterinary, SwitchButton::NotReimbursable})
            QCOMPARE(SwitchCaptionColour(options, other), other == button ? on : QColor(0, 0, 0));
    }

    void vatColours_data() {
        QTest::addColumn<VatRateKind>("kind");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("10 %") << VatRateKind::Standard << QColor(0, 255, 0);
        QTest::newRow("20 %") << VatRateKind::Higher << QColor(255, 255, 0);
        QTest::newRow("confirmed") << VatRateKind::Deviating << QColor(255, 0, 0);
    }

    void vatColours() {
        QFETCH(VatRateKind, kind);
        QTEST(VatFieldColour(kind), "colour");
    }

    void fapAepCaptions_data() {
        QTest::addColumn<bool>("rangeMode");
        QTest::addColumn<bool>("aepInput");
        QTest::addColumn<QString>("groupCaption");
        QTest::addColumn<bool>("labelChanges");
        QTest::addColumn<QString>("priceLabel");

        QTest::newRow("range, AEP") << true << true << "Apothekeneinkaufspreis:" << false << "";
        QTest::newRow("range, FAP") << true << false << "Fabriksabgabepreis:" << false << "";
        QTest::newRow("single, AEP") << false << true << "" << true << "Einkaufspreis:";
        QTest::newRow("single, FAP") << false << false << "" << true << "Fabriksabgabepreis:";
    }

    void fapAepCaptions() {
        QFETCH(bool, rangeMode);
        QFETCH(bool, aepInput);
        const FapAepCaptions captions = CaptionsForInput(aepInput, rangeMode);
        QTEST(captions.groupCaption, "groupCaption");
        QTEST(captions.priceLabel.has_value(), "labelChanges");
        if (captions.priceLabel)
            QTEST(*captions.priceLabel, "priceLabel");
    }
};

QTEST_APPLESS_MAIN(TestSwitchLook)
#include "test_switch_look.moc"
