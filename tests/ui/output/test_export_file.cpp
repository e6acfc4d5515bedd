// The export without its dialog: the bytes of the file for both layouts with
// and without the header block, long tables streamed in chunks, a write that
// fails part-way (the old file survives), the dialog's texts, the date-time of
// the header and the default file name. What the dialog makes of the other
// failures is tested with the dialog.
#include "outputtestkit.h"
#include "pricing/numbers.h"
#include "runner/metatypes.h"
#include "ui/output/ExportFile.h"
#include "ui/widgets/ResultGrid.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <memory>
#include <unistd.h>

using namespace fapkalk;
using testkit::FileBytes;
using testkit::ReadFile;

Q_DECLARE_METATYPE(fapkalk::ExportLayout)

namespace {

// Two rows of a range run: FAP 0.50 and 1.00 with the narcotics surcharge.
RowStore ExampleStore() {
    return *testkit::TableOfRun(0.5, 0.5, 2, CalcOptions{.Narcotic = true}).rows;
}

const QList<QByteArray> kExampleHeader = {
    "Fileinfo: ",
    "  Erstellt: 07.12.2026 14:05:09",
    "  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5",
    "  Kalkulationsmodus: Standardberechnung",
    "  Kennzeichen: Suchtgift   ",
};

// Files beside the target other than the target itself (a left temporary file).
QStringList Leftovers(const QString& folder, const QString& targetName) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(targetName);
    return names;
}

} // namespace

class TestExportFile : public QObject {
    Q_OBJECT

private slots:
    void example_data();
    void example();
    void headerBlockMarkersAndUmlauts_data();
    void headerBlockMarkersAndUmlauts();
    void longTableIsStreamedWhole_data();
    void longTableIsStreamedWhole();
    void replacesALongerFile();
    void relativeNameUsesWorkingDirectory();
    void nonAsciiFileName();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void messageTexts_data();
    void messageTexts();
    void createdText_data();
    void createdText();
    void createdTextWithoutFixedMoment();
    void defaultFileName_data();
    void defaultFileName();
    void defaultFileNameOfThisSystem();

private:
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }
};

void TestExportFile::example_data() {
    QTest::addColumn<ExportLayout>("layout");
    QTest::addColumn<bool>("withHeader");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QList<QByteArray> xls = {"FAP ;AEP ;KP ;AVP ", "0,50;0,58;1,35;1,75",
                                   "1,00;1,16;2,15;2,90"};
    const QList<QByteArray> fixed = {"FAP ;AEP ;KP ;AVP ", "      050      058      135      175",
                                     "      100      116      215      290"};
    QTest::newRow("xls with header") << ExportLayout::Xls << true << kExampleHeader + xls;
    QTest::newRow("xls without header") << ExportLayout::Xls << false << xls;
    QTest::newRow("fixed with header")
        << ExportLayout::FixedPosition << true << kExampleHeader + fixed;
    QTest::newRow("fixed without header") << ExportLayout::FixedPosition << false << fixed;
}

void TestExportFile::example() {
    QFETCH(ExportLayout, layout);
    QFETCH(bool, withHeader);
    QFETCH(QList<QByteArray>, lines);

    const ExportCriteria criteria{"07.12.2026 14:05:09", "0.5", "1", "0.5",
                                  CalcOptions{.Narcotic = true}};
    const QString target = path(QStringLiteral("example.csv"));
    const ExportResult result = WriteExportFile(ExportPath(target), ExampleStore(), layout,
                                                withHeader ? &criteria : nullptr);
    QVERIFY2(result.ok, result.error.c_str());
    QCOMPARE(result.rows, 2);
    QCOMPARE(ReadFile(target), FileBytes(lines));
}

void TestExportFile::headerBlockMarkersAndUmlauts_data() {
    QTest::addColumn<CalcOptions>("options");
    QTest::addColumn<QByteArray>("line3");
    QTest::addColumn<QByteArray>("line4");
    QTest::addColumn<QByteArray>("line5");

    const QByteArray fap = "  Preise: Basis: FAP von: 1.5 bis:  Staffel: 0.25";
    const QByteArray aep = "  Preise: Basis: AEP von: 1.5 bis:  Staffel: 0.25";
    const QByteArray standard = "  Kalkulationsmodus: Standardberechnung";
    // Windows-1252: ö is F6, ä is E4.
    const QByteArray homeopathic = "  Kalkulationsmodus: Hom\xF6op. Arzneispezialit\xE4t";
    QTest::newRow("no markers: the label and its blank")
        << CalcOptions{} << fap << standard << QByteArray("  Kennzeichen: ");
    QTest::newRow("aep input") << CalcOptions{.AepInput = true} << aep << standard
                               << QByteArray("  Kennzeichen: ");
    QTest::newRow("homeopathic") << CalcOptions{.Homeopathic = true} << fap << homeopathic
                                 << QByteArray("  Kennzeichen: ");
    QTest::newRow("not reimbursable") << CalcOptions{.NotReimbursable = true} << fap << standard
                                      << QByteArray("  Kennzeichen: * nicht Kassenzul\xE4ssig   ");
    QTest::newRow("all three in order")
        << CalcOptions{.Narcotic = true, .Veterinary = true, .NotReimbursable = true} << fap
        << standard
        << QByteArray("  Kennzeichen: Suchtgift   Veterinaria   * nicht Kassenzul\xE4ssig   ");
}

void TestExportFile::headerBlockMarkersAndUmlauts() {
    QFETCH(CalcOptions, options);
    QFETCH(QByteArray, line3);
    QFETCH(QByteArray, line4);
    QFETCH(QByteArray, line5);

    // Field texts with blanks and a tab around them: trimmed, nothing reformatted.
    const ExportCriteria criteria{"01.02.2026 10:11:12", "  1.5\t", "", " 0.25 ", options};
    const QString target = path(QStringLiteral("header.csv"));
    QVERIFY(WriteExportFile(ExportPath(target), ExampleStore(), ExportLayout::Xls, &criteria).ok);
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 5 + 1 + 2);
    QCOMPARE(lines[0], QByteArray("Fileinfo: "));
    QCOMPARE(lines[1], QByteArray("  Erstellt: 01.02.2026 10:11:12"));
    QCOMPARE(lines[2], line3);
    QCOMPARE(lines[3], line4);
    QCOMPARE(lines[4], line5);
    QCOMPARE(lines[5], QByteArray("FAP ;AEP ;KP ;AVP "));
}

void TestExportFile::longTableIsStreamedWhole_data() {
    QTest::addColumn<ExportLayout>("layout");
    QTest::addColumn<CalcOptions>("options");
    QTest::newRow("fixed") << ExportLayout::FixedPosition << CalcOptions{};
    QTest::newRow("xls") << ExportLayout::Xls << CalcOptions{};
    QTest::newRow("fixed, aep input")
        << ExportLayout::FixedPosition << CalcOptions{.AepInput = true};
    QTest::newRow("xls, aep input, narcotic")
        << ExportLayout::Xls << CalcOptions{.AepInput = true, .Narcotic = true};
}

void TestExportFile::longTableIsStreamedWhole() {
    QFETCH(ExportLayout, layout);

    QFETCH(CalcOptions, options);

    // Far more than one chunk: every row must arrive once, in order, with the
    // texts the grid shows (the AEP placeholder included).
    constexpr int n = 150'000;
    const RowStore store = *testkit::TableOfRun(0.01, 0.01, n, options).rows;
    const QString target = path(QStringLiteral("long.csv"));
    const ExportResult result = WriteExportFile(ExportPath(target), store, layout, nullptr);
    QVERIFY(result.ok);
    QCOMPARE(result.rows, n);

    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), n + 1);
    for (int i = 0; i < n; ++i) {
        QByteArray expected;
        for (int column = 0; column < 4; ++column) {
            const QByteArray cell =
                QByteArray::fromStdString(std::string(store.cellText(i, column)));
            if (layout == ExportLayout::FixedPosition) {
                expected += QByteArray(cell).replace(".", "");
            } else {
                if (column != 0)
                    expected += ';';
                expected += cell.trimmed().replace('.', ',');
            }
        }
        if (lines[i + 1] != expected)
            QFAIL(qPrintable(
                QStringLiteral("row %1: %2 instead of %3")
                    .arg(i)
                    .arg(QString::fromLatin1(lines[i + 1]), QString::fromLatin1(expected))));
    }
}

void TestExportFile::replacesALongerFile() {
    const QString target = path(QStringLiteral("longer.csv"));
    QVERIFY(testkit::WriteFile(target, QByteArray(100'000, 'x')));
    QVERIFY(WriteExportFile(ExportPath(target), ExampleStore(), ExportLayout::Xls, nullptr).ok);
    QCOMPARE(ReadFile(target),
             FileBytes({"FAP ;AEP ;KP ;AVP ", "0,50;0,58;1,35;1,75", "1,00;1,16;2,15;2,90"}));
}

void TestExportFile::relativeNameUsesWorkingDirectory() {
    const QString before = QDir::currentPath();
    QTemporaryDir cwd;
    QVERIFY(QDir::setCurrent(cwd.path()));
    const ExportResult result =
        WriteExportFile(ExportPath(QStringLiteral("relativ.csv")), ExampleStore(),
                        ExportLayout::FixedPosition, nullptr);
    QDir::setCurrent(before);
    QVERIFY(result.ok);
    QVERIFY(QFile::exists(cwd.filePath(QStringLiteral("relativ.csv"))));
}

void TestExportFile::nonAsciiFileName() {
    const QString target = path(QStringLiteral("Preisübersicht März.csv"));
    QVERIFY(WriteExportFile(ExportPath(target), ExampleStore(), ExportLayout::Xls, nullptr).ok);
    QVERIFY(QFile::exists(target));
}

void TestExportFile::failedWriteKeepsOldFile_data() {
    QTest::addColumn<qint64>("failAfter"); // bytes accepted before the failure
    QTest::addColumn<int>("error");
    QTest::newRow("disk full at the first write") << qint64(0) << ENOSPC;
    QTest::newRow("disk full after several chunks") << qint64(700'000) << ENOSPC;
    QTest::newRow("i/o error midway") << qint64(300'000) << EIO;
    QTest::newRow("quota exceeded near the end") << qint64(1'100'000) << EDQUOT;
}

void TestExportFile::failedWriteKeepsOldFile() {
    QFETCH(qint64, failAfter);
    QFETCH(int, error);

    constexpr int n = 30'000; // about 1.1 MB in the fixed layout
    const RowStore store = *testkit::TableOfRun(1000.5, 1, n).rows;

    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("alt.csv"));
    const QByteArray old = "the old export\r\nstays as it was\r\n";
    QVERIFY(testkit::WriteFile(target, old));

    auto accepted = std::make_shared<qint64>(0);
    auto failingWrite = [=](int fd, const void* data, std::size_t size) -> ssize_t {
        if (*accepted + qint64(size) > failAfter) {
            // What fits goes out first, as a real device does.
            const qint64 room = failAfter - *accepted;
            if (room > 0) {
                const ssize_t written = ::write(fd, data, std::size_t(room));
                *accepted += written;
                return written;
            }
            errno = error;
            return -1;
        }
        const ssize_t written = ::write(fd, data, size);
        if (written > 0)
            *accepted += written;
        return written;
    };
    const ExportResult result = WriteExportFile(ExportPath(target), store,
                                                ExportLayout::FixedPosition, nullptr, failingWrite);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.empty());
    QCOMPARE(*accepted, failAfter); // the failure struck where it was meant to
    QCOMPARE(ReadFile(target), old);
    QCOMPARE(Leftovers(folder.path(), QStringLiteral("alt.csv")), QStringList());
}

void TestExportFile::messageTexts_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("failure");

    QTest::newRow("one row, still plural")
        << 1 << QStringLiteral("/tmp/a.csv")
        << QStringLiteral("Es wurden 1 Sätze in die Datei /tmp/a.csv übertragen!")
        << QStringLiteral("Datei \"/tmp/a.csv\" konnte nicht geschrieben werden!");
    QTest::newRow("empty name: two blanks, empty quotes")
        << 19 << QString() << QStringLiteral("Es wurden 19 Sätze in die Datei  übertragen!")
        << QStringLiteral("Datei \"\" konnte nicht geschrieben werden!");
    QTest::newRow("name as typed, blanks kept")
        << 1000000 << QStringLiteral(" x.csv ")
        << QStringLiteral("Es wurden 1000000 Sätze in die Datei  x.csv  übertragen!")
        << QStringLiteral("Datei \" x.csv \" konnte nicht geschrieben werden!");
    QTest::newRow("invisible characters escaped")
        << 2 << QStringLiteral("a\u202Eb\u200B\nc.csv")
        << QStringLiteral("Es wurden 2 Sätze in die Datei a\\u202eb\\u200b\\x0ac.csv übertragen!")
        << QStringLiteral("Datei \"a\\u202eb\\u200b\\x0ac.csv\" konnte nicht geschrieben werden!");
}

void TestExportFile::messageTexts() {
    QFETCH(int, rows);
    QFETCH(QString, name);
    QFETCH(QString, count);
    QFETCH(QString, failure);
    QCOMPARE(ExportCountText(rows, name), count);
    QCOMPARE(ExportFailureText(name), failure);
}

void TestExportFile::createdText_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("epoch");
    QTest::addColumn<QString>("expected");
    // 1796652309 is 2026-12-07 14:05:09 UTC; 1796601600 is that day's midnight.
    QTest::newRow("de_AT") << QByteArray("de_AT.UTF-8") << QByteArray("1796652309")
                           << "07.12.2026 14:05:09";
    QTest::newRow("C: the German form")
        << QByteArray("C.UTF-8") << QByteArray("1796652309") << "07.12.2026 14:05:09";
    QTest::newRow("en_US") << QByteArray("en_US.UTF-8") << QByteArray("1796652309")
                           << "12/7/2026 2:05:09 PM";
    QTest::newRow("midnight: the date alone")
        << QByteArray("de_AT.UTF-8") << QByteArray("1796601600") << "07.12.2026";
}

// The export made "now" takes SOURCE_DATE_EPOCH and the user's formats, as
// fapkalk-cli --header does.
void TestExportFile::createdText() {
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, epoch);
    QFETCH(QString, expected);
    const auto restore = [](const char* name, const QByteArray& value) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    };
    const QByteArray oldTz = qgetenv("TZ");
    const QByteArray oldLocale = qgetenv("LC_ALL");
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", locale);
    qputenv("SOURCE_DATE_EPOCH", epoch);
    const QString text = QString::fromStdString(ExportCreatedText());
    qunsetenv("SOURCE_DATE_EPOCH");
    restore("LC_ALL", oldLocale);
    restore("TZ", oldTz);
    QCOMPARE(text, expected);
}

void TestExportFile::createdTextWithoutFixedMoment() {
    // A value that is no count of seconds is ignored: the clock stands in.
    qputenv("SOURCE_DATE_EPOCH", "gestern");
    const QDateTime before = QDateTime::currentDateTime();
    const QString text = QString::fromStdString(ExportCreatedText());
    const QDateTime after = QDateTime::currentDateTime();
    qunsetenv("SOURCE_DATE_EPOCH");
    QVERIFY2(text.startsWith(before.toString(QStringLiteral("dd.MM.yyyy"))) ||
                 text.startsWith(after.toString(QStringLiteral("dd.MM.yyyy"))),
             qPrintable(text));
}

void TestExportFile::defaultFileName_data() {
    QTest::addColumn<bool>("driveLetters");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected");
    QTest::newRow("drive letters")
        << true << QStringLiteral("/home/anna") << QStringLiteral("C:\\FAP_PREIS.CSV");
    QTest::newRow("home folder") << false << QStringLiteral("/home/anna")
                                 << QStringLiteral("/home/anna/FAP_PREIS.CSV");
    QTest::newRow("home is the root")
        << false << QStringLiteral("/") << QStringLiteral("/FAP_PREIS.CSV");
}

void TestExportFile::defaultFileName() {
    QFETCH(bool, driveLetters);
    QFETCH(QString, home);
    QFETCH(QString, expected);
    QCOMPARE(DefaultExportFileNameFor(driveLetters, home), expected);
}

void TestExportFile::defaultFileNameOfThisSystem() {
#ifdef Q_OS_WIN
    QCOMPARE(DefaultExportFileName(), QStringLiteral("C:\\FAP_PREIS.CSV"));
#else
    QCOMPARE(DefaultExportFileName(), QDir::homePath() + QStringLiteral("/FAP_PREIS.CSV"));
#endif
}

QTEST_GUILESS_MAIN(TestExportFile)
#include "test_export_file.moc"
