// The words of the printed pages and how a table splits into pages.
#include "pricing/engine.h"
#include "pricing/print_text.h"

#include <QTest>

#include <cstdint>

using namespace fapkalk;

class TestPrintText : public QObject {
    Q_OBJECT

private slots:
    void pageCount_data() {
        QTest::addColumn<quint64>("rows");
        QTest::addColumn<quint64>("first");
        QTest::addColumn<quint64>("per");
        QTest::addColumn<quint64>("pages");
        QTest::newRow("no rows") << quint64(0) << quint64(40) << quint64(50) << quint64(1);
        QTest::newRow("first page full") << quint64(40) << quint64(40) << quint64(50) << quint64(1);
        QTest::newRow("one row over") << quint64(41) << quint64(40) << quint64(50) << quint64(2);
        QTest::newRow("second page full")
            << quint64(90) << quint64(40) << quint64(50) << quint64(2);
        QTest::newRow("a row a page") << quint64(7) << quint64(1) << quint64(1) << quint64(7);
        QTest::newRow("ten million")
            << quint64(10'000'000) << quint64(43) << quint64(52) << quint64(192'308);
    }

    // The pages hold every row once, in order, each as full as it can be.
    void pageCount() {
        QFETCH(quint64, rows);
        QFETCH(quint64, first);
        QFETCH(quint64, per);
        const PageSplit split{first, per};
        const std::uint64_t pages = PageCount(rows, split);
        QTEST(quint64(pages), "pages");
        std::uint64_t next = 0;
        for (std::uint64_t page = 0; page<pages; page += pages> 1000 ? pages / 97 : 1) {
            const PageRows on = RowsOfPage(rows, split, page);
            const std::uint64_t room = page == 0 ? first : per;
            if (pages <= 1000)
                QCOMPARE(on.first, next);
            QVERIFY(on.count <= room);
            if (page + 1 < pages)
                QCOMPARE(on.count, room);
            next = on.first + on.count;
        }
        const PageRows last = RowsOfPage(rows, split, pages - 1);
        QCOMPARE(last.first + last.count, rows);
        QVERIFY(rows == 0 || last.count > 0);
        QCOMPARE(RowsOfPage(rows, split, pages).count, std::uint64_t(0));
    }

    void criteria_data() {
        QTest::addColumn<bool>("aep");
        QTest::addColumn<bool>("homeopathic");
        QTest::addColumn<bool>("narcotic");
        QTest::addColumn<bool>("veterinary");
        QTest::addColumn<bool>("notReimbursable");
        QTest::addColumn<unsigned>("vat");
        QTest::addColumn<QString>("switches");
        QTest::addColumn<QString>("vatLine");
        QTest::newRow("none") << false << false << false << false << false << 10u << "keine"
                              << "USt-Satz: 10 %";
        QTest::newRow("all three markers, no VAT")
            << true << false << true << true << false << 0u << "Suchtgift, Veterinaria"
            << "USt-Satz: 0 %";
        QTest::newRow("not reimbursable, 20 %")
            << false << false << false << false << true << 20u << "* nicht Kassenzulässig"
            << "USt-Satz: 20 %";
        QTest::newRow("homeopathic")
            << false << true << true << false << false << 99u << "Suchtgift"
            << "USt-Satz: 99 %";
    }

    void criteria() {
        QFETCH(bool, aep);
        QFETCH(bool, homeopathic);
        QFETCH(bool, narcotic);
        QFETCH(bool, veterinary);
        QFETCH(bool, notReimbursable);
        QFETCH(unsigned, vat);
        QFETCH(QString, switches);
        QFETCH(QString, vatLine);
        CalcOptions options;
        options.AepInput = aep;
        options.Homeopathic = homeopathic;
        options.Narcotic = narcotic;
        options.Veterinary = veterinary;
        options.NotReimbursable = notReimbursable;
        const ExportCriteria criteria{.created = "07.12.2026 14:05:09",
                                      .von = " 1.5 ",
                                      .bis = "20",
                                      .staffel = "0.5\t",
                                      .options = options,
                                      .vatFactor = VatFactorFromRate(vat)};
        for (bool single : {false, true}) {
            const auto lines = PrintCriteriaLines(criteria, single);
            QCOMPARE(lines.size(), std::size_t(6));
            const std::string basis = std::string("Basis: ") + (aep ? "AEP" : "FAP");
            QCOMPARE(lines[0], single ? basis + "   Preis: 1.5"
                                      : basis + "   von: 1.5   bis: 20   Staffel: 0.5");
            QCOMPARE(lines[1],
                     std::string("Kalkulationsmodus: ") +
                         (homeopathic ? "Homöop. Arzneispezialität" : "Standardberechnung"));
            QCOMPARE(QString::fromStdString(lines[2]), "Kennzeichen: " + switches);
            QCOMPARE(QString::fromStdString(lines[3]), vatLine);
            QCOMPARE(lines[4], std::string("Tarif: Arzneitaxe 2012"));
            QCOMPARE(lines[5], std::string("Erstellt: 07.12.2026 14:05:09"));
        }
    }
};

QTEST_MAIN(TestPrintText)
#include "test_print_text.moc"
