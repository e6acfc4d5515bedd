// The history file: what the writer writes the reader reads back, a damaged
// file is refused whole and set aside, the list stays within its bounds.
#include "settings/history_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace fapkalk;
using namespace fapkalk::history;

namespace {

HistoryEntry Entry(std::int64_t moment, std::int64_t input, CalcOptions options = {},
                   unsigned vat = 10) {
    return {moment,      input,       options,    vat, options.AepInput ? 0 : input,
            input + 100, input + 200, input + 300};
}

QByteArray FileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestHistoryFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string Folder(const char* name) const { return (dir_.path() + "/" + name).toStdString(); }

private slots:
    void readsWhatItWrites() {
        const std::vector<HistoryEntry> entries = {
            Entry(1796652309, 1250),
            Entry(0, 1000, {.AepInput = true, .Narcotic = true}, 20),
            Entry(5, 99999999, {.Homeopathic = true, .Narcotic = true, .Veterinary = true}, 0),
            Entry(7, 1, {.NotReimbursable = true}, 99),
        };
        const std::string text = HistoryText(entries);
        QCOMPARE(text.substr(kHistoryVersionLine.size(), text.find('\n', 18) - 18 + 1),
                 std::string("1796652309\tFAP\t12.50\t-\t10\t12.50\t13.50\t14.50\t15.50\n"));
        std::string problem;
        const auto read = ParseHistory(text, &problem);
        QVERIFY2(read, problem.c_str());
        QVERIFY(*read == entries);
    }

    void damagedTextsAreRefused_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("problem");
        const QByteArray good = "5\tFAP\t12.50\t-\t10\t12.50\t13.81\t18.65\t26.05\n";
        QTest::newRow("no version line") << good << "Zeile 1";
        QTest::newRow("last line without its end") << good.chopped(1) << "Zeilenende";
        QTest::newRow("three decimals")
            << QByteArray(good).replace("12.50\t-", "12.500\t-") << "Zeile 2";
        QTest::newRow("leading zero") << QByteArray(good).replace("\t10\t", "\t010\t") << "Zeile 2";
        QTest::newRow("switches out of order")
            << QByteArray(good).replace("\t-\t", "\tSH\t") << "Zeile 2";
        QTest::newRow("veterinary and not reimbursable")
            << QByteArray(good).replace("\t-\t", "\tVN\t") << "Zeile 2";
        QTest::newRow("FAP beside an AEP input")
            << QByteArray(good).replace("\tFAP\t", "\tAEP\t") << "Zeile 2";
        QTest::newRow("VAT 100") << QByteArray(good).replace("\t10\t", "\t100\t") << "Zeile 2";
        QTest::newRow("a field more") << good.chopped(1) + "\t1.00\n"
                                      << "Zeile 2";
        QTest::newRow("negative moment") << "-" + good << "Zeile 2";
        QTest::newRow("CR LF") << QByteArray(good).replace("\n", "\r\n") << "Zeile 2";
        QTest::newRow("1001 entries") << good.repeated(1001) << "mehr als 1000";
        QTest::newRow("too large") << QByteArray(int(kMaxHistoryFileSize), '0') << "größer";
    }

    void damagedTextsAreRefused() {
        QFETCH(QByteArray, lines);
        QFETCH(QString, problem);
        const std::string text =
            (problem == "Zeile 1" ? std::string() : std::string(kHistoryVersionLine)) +
            lines.toStdString();
        std::string why;
        QVERIFY(!ParseHistory(text, &why));
        QVERIFY2(QString::fromStdString(why).contains(problem), why.c_str());
    }

    // Kept across a restart, newest first, never more than 1,000 and never a
    // file larger than the reader takes.
    void boundedAndKeptAcrossRestarts() {
        const std::string folder = Folder("bounded/deeper");
        std::vector<HistoryEntry> full; // the longest lines, newest first
        for (std::int64_t i = 999; i >= 0; --i)
            full.push_back(Entry(1000 + i, 999999999 - 300 - i, {.AepInput = i % 2 == 0}, 20));
        QCOMPARE(SaveHistory(folder, full), std::string());
        HistoryBook book(folder);
        QCOMPARE(book.Load(100), std::string());
        QVERIFY(book.Entries() == full);
        for (std::int64_t i = 1000; i < 1005; ++i)
            QCOMPARE(book.Add(Entry(1000 + i, 1250 + i)), std::string());
        QCOMPARE(book.Entries().size(), kMaxHistoryEntries);
        QCOMPARE(book.Entries().front().moment, 2004);
        const QByteArray file = FileText(QString::fromStdString(book.Path()));
        QVERIFY(std::size_t(file.size()) <= kMaxHistoryFileSize);

        HistoryBook again(folder);
        QCOMPARE(again.Load(200), std::string());
        QVERIFY(again.Entries() == book.Entries());
        // The same calculation again moves up instead of adding a line.
        HistoryEntry repeat = again.Entries().front();
        repeat.moment = 3000;
        again.Add(repeat);
        QCOMPARE(again.Entries().size(), kMaxHistoryEntries);
        QCOMPARE(again.Entries().front().moment, 3000);
        QVERIFY(again.Remove({0, 2, 2}).empty());
        QCOMPARE(again.Entries().size(), kMaxHistoryEntries - 2);
        QVERIFY(again.Clear().empty());
        QCOMPARE(FileText(QString::fromStdString(again.Path())),
                 QByteArray::fromStdString(std::string(kHistoryVersionLine)));
    }

    void damagedFileIsSetAside() {
        const std::string folder = Folder("damaged");
        QDir().mkpath(QString::fromStdString(folder));
        const QString path = QString::fromStdString(folder + "/verlauf.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("fapkalk-verlauf 1\nkaputt\n");
        file.close();
        HistoryBook book(folder);
        const std::string message = book.Load(1796652309); // 07.12.2026 14:05:09 UTC
        QVERIFY2(QString::fromStdString(message).contains("verlauf.txt.defekt-20261207-140509"),
                 message.c_str());
        QVERIFY(book.Entries().empty());
        QCOMPARE(FileText(path + ".defekt-20261207-140509"),
                 QByteArray("fapkalk-verlauf 1\nkaputt\n"));
        QVERIFY(book.Add(Entry(1, 500)).empty());
        QVERIFY(ParseHistory(FileText(path).toStdString(), nullptr)->size() == 1);
    }

    // No folder: memory only, nothing written; a folder that cannot be made
    // says so once and then keeps the list in memory.
    void withoutFolder() {
        HistoryBook memory("");
        QVERIFY(memory.Load(1).empty());
        QVERIFY(memory.Add(Entry(1, 500)).empty());
        QCOMPARE(memory.Entries().size(), std::size_t(1));
        QVERIFY(!memory.OnDisk());

        const std::string blocked = Folder("blocker");
        HistoryBook book(blocked);
        QVERIFY(book.Load(1).empty());                                     // no file yet
        QFile(QString::fromStdString(blocked)).open(QIODevice::WriteOnly); // a file, not a folder
        QVERIFY(!book.Add(Entry(1, 500)).empty());
        QVERIFY(!book.OnDisk());
        QVERIFY(book.Add(Entry(2, 600)).empty());
        QCOMPARE(book.Entries().size(), std::size_t(2));
        // A file that cannot be read is not replaced either.
        HistoryBook unreadable(blocked + "/fapkalk");
        QVERIFY(!unreadable.Load(1).empty());
        QVERIFY(!unreadable.OnDisk());
    }
};

QTEST_APPLESS_MAIN(TestHistoryFile)
#include "test_history_file.moc"
