// The export dialog with a real main window: what OK and Enter write and say,
// what Abbrechen, Esc and the close box leave alone, the failure paths with
// their one message, the choices that carry over, and the dialog's layout.
#include "outputtestkit.h"
#include "runner/metatypes.h"
#include "ui/layoutcheck.h"
#include "ui/main/FAP_Main.h"
#include "ui/main/RunRules.h"
#include "ui/mainwindowkit.h"
#include "ui/output/ExportFile.h"
#include "ui/output/FAP_Export.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

using namespace fapkalk;
using testkit::FileBytes;
using testkit::MessageRecorder;
using testkit::ReadFile;

namespace {

enum class Way { ClickOk, EnterInFileName };

// Opens the dialog modally for the table and confirms it the given way. True
// when the dialog then closed by itself and reported "cancel"; one still open
// waitMs later is closed.
bool Confirm(TdlgFAP_EXPORT& dialog, const ResultTable& table, Way way, int waitMs = 10000) {
    auto closedItself = std::make_shared<bool>(true);
    QPointer<TdlgFAP_EXPORT> guard(&dialog);
    testkit::WhenVisible(
        &dialog,
        [&dialog, way] {
            if (way == Way::ClickOk)
                QTest::mouseClick(dialog.Button1, Qt::LeftButton);
            else
                QTest::keyClick(dialog.Edit1, Qt::Key_Return);
        },
        [closedItself, guard] {
            *closedItself = false;
            if (guard)
                guard->reject();
        },
        waitMs);
    const int result = dialog.ExecFor(table);
    return *closedItself && result == QDialog::Rejected && dialog.result() == QDialog::Rejected &&
           !dialog.isVisible();
}

// The date line as the status-bar clock shows date and time, for one of the
// seconds between before and after.
bool DateLineWithin(const QByteArray& line, QDateTime before, const QDateTime& after) {
    before.setTime(QTime(before.time().hour(), before.time().minute(), before.time().second()));
    for (QDateTime t = before; t <= after; t = t.addSecs(1)) {
        QString expected = QStringLiteral("  Erstellt: ") + StatusDateText(t.date());
        if (t.time() != QTime(0, 0, 0))
            expected += QStringLiteral(" ") + StatusTimeText(t.time());
        std::string bytes;
        AppendWindows1252(bytes, expected.toStdString());
        if (line == bytes.c_str())
            return true;
    }
    return false;
}

// Two rows of a range run: FAP 0.50 and 1.00 with the narcotics surcharge.
ResultTable ExampleTable(const TableCriteria& criteria = {}) {
    return testkit::TableOfRun(0.5, 0.5, 2, CalcOptions{.Narcotic = true}, criteria);
}

} // namespace

class TestExportDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layout();
    void texts();
    void tabOrderAndFocus();
    void noDefaultButton();
    void browseFillsTheFileName_data();
    void browseFillsTheFileName();
    void placement();

    void example_data();
    void example();
    void beforeAnyRangeRun();
    void realRange_data();
    void realRange();
    void aepRange_data();
    void aepRange();
    void headerFromMainWindow_data();
    void headerFromMainWindow();
    void headerShowsFieldsEditedAfterTheRun();
    void countMessageOnlyAfterTheFileIsWritten();
    void tableEndedBeforeBis_data();
    void tableEndedBeforeBis();

    void failures_data();
    void failures();
    void readOnlyFolder();

    void enterAndOkAreTheSame_data();
    void enterAndOkAreTheSame();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void choicesCarryOver();
    void nameAsTypedRefersToWorkingDirectory();

private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TdlgFAP_EXPORT> dialog_;
};

void TestExportDialog::initTestCase() {
    QVERIFY(QGuiApplication::primaryScreen() != nullptr);
}

void TestExportDialog::init() {
    QVERIFY(dir_.isValid());
    form_ = testkit::MakeMainWindow();
    dialog_ = std::make_unique<TdlgFAP_EXPORT>();
    form_->SetExportOpener([this](const ResultTable& table) { dialog_->ExecFor(table); });
}

void TestExportDialog::cleanup() {
    dialog_.reset();
    form_.reset();
}

void TestExportDialog::layout() {
    QCOMPARE(testkit::LayoutMismatch(*dialog_, kExportLayout), QString());
}

void TestExportDialog::texts() {
    TdlgFAP_EXPORT& d = *dialog_;
    QCOMPARE(d.windowTitle(), QStringLiteral("Export"));
    QCOMPARE(d.size(), QSize(377, 186));
    QCOMPARE(d.minimumSize(), d.maximumSize()); // a fixed dialog border
    QCOMPARE(d.CancelBtn->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(d.Button1->text(), QStringLiteral("&OK"));
    QCOMPARE(d.RadioGroup2->title(), QStringLiteral("Export Format"));
    QCOMPARE(d.RadioGroup2->count(), 2);
    QCOMPARE(d.RadioGroup2->button(0)->text(), QStringLiteral("&Fixe Position"));
    QCOMPARE(d.RadioGroup2->button(1)->text(), QStringLiteral("&XLS-Format"));
    QCOMPARE(d.RadioGroup2->itemIndex(), 0);
    QCOMPARE(d.cbMeta->text(), QStringLiteral("Erstellungskriterien speichern"));
    QVERIFY(d.cbMeta->isChecked());
    QCOMPARE(d.cbMeta->toolTip(),
             QStringLiteral("Wenn die Auswahl markiert ist, werden in die Textdatei zusatzinfos "
                            "wie Preise von,bis,Kennzeichneauswahl gespeicher"));
    QCOMPARE(d.Label1->text(), QStringLiteral("&Dateiname:"));
    QCOMPARE(d.Label1->buddy(), d.Edit1);
    QCOMPARE(d.btBrowse->text(), QStringLiteral("D&urchsuchen…"));
    QCOMPARE(d.Label1->font().pixelSize(), 16);
    QCOMPARE(d.Edit1->text(), DefaultExportFileName());

    // The two items stand side by side in two columns.
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.RadioGroup2->button(0)->y(), d.RadioGroup2->button(1)->y());
    QVERIFY(d.RadioGroup2->button(0)->x() + d.RadioGroup2->button(0)->width() <=
            d.RadioGroup2->button(1)->x());
    d.hide();
}

void TestExportDialog::tabOrderAndFocus() {
    TdlgFAP_EXPORT& d = *dialog_;
    // Top to bottom, left to right, as the dialog reads.
    const QList<QWidget*> expected = {
        d.RadioGroup2->button(0), d.cbMeta, d.Edit1, d.btBrowse, d.Button1, d.CancelBtn};
    // Follow the focus chain from the first item, keeping the controls only.
    QList<QWidget*> order;
    QWidget* w = d.RadioGroup2->button(0);
    do {
        if (expected.contains(w) && !order.contains(w))
            order << w;
        w = w->nextInFocusChain();
    } while (w != d.RadioGroup2->button(0));
    QCOMPARE(order, expected);

    bool focusedOnEdit = false;
    testkit::WhenVisible(&d, [&] {
        focusedOnEdit = d.focusWidget() == d.Edit1;
        d.CancelBtn->click();
    });
    d.ExecFor(ExampleTable());
    QVERIFY(focusedOnEdit);
}

void TestExportDialog::noDefaultButton() {
    TdlgFAP_EXPORT& d = *dialog_;
    MessageRecorder messages;
    const QString target = path(QStringLiteral("nodefault.csv"));
    d.Edit1->setText(target);
    // Enter with the focus on the check box presses no button.
    bool stillOpen = false;
    testkit::WhenVisible(&d, [&] {
        QVERIFY(!d.Button1->isDefault());
        QVERIFY(!d.CancelBtn->isDefault());
        d.cbMeta->setFocus();
        QTest::keyClick(d.cbMeta, Qt::Key_Return);
        stillOpen = d.isVisible();
        d.CancelBtn->click();
    });
    d.ExecFor(ExampleTable());
    QVERIFY(stillOpen);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(messages.messages().size(), 0);
}

void TestExportDialog::browseFillsTheFileName_data() {
    QTest::addColumn<QString>("folder"); // of the name in the field; only "sub" exists
    QTest::newRow("its folder") << "sub";
    QTest::newRow("no such folder: the current one") << "gone";
}

void TestExportDialog::browseFillsTheFileName() {
    QFETCH(QString, folder);
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("sub")));
    TdlgFAP_EXPORT& d = *dialog_;
    d.Edit1->setText(path(folder + QStringLiteral("/alt.csv")));
    QString startedIn;
    QTimer::singleShot(0, &d, [&] {
        QTRY_VERIFY(d.FileDialog() && d.FileDialog()->isVisible());
        startedIn = d.FileDialog()->directory().absolutePath();
        d.FileDialog()->selectFile(path(QStringLiteral("neu.csv")));
        QMetaObject::invokeMethod(d.FileDialog(), "accept");
    });
    d.btBrowse->click();
    const QString expected = folder == QStringLiteral("sub") ? path(folder) : QDir::currentPath();
    QCOMPARE(startedIn, QFileInfo(expected).canonicalFilePath());
    QCOMPARE(d.Edit1->text(), path(QStringLiteral("neu.csv")));
    QCOMPARE(d.Edit1->toolTip(), d.Edit1->text()); // the whole path, however narrow the field
    QVERIFY(!QFile::exists(d.Edit1->text()));      // choosing writes nothing
}

void TestExportDialog::placement() {
    TdlgFAP_EXPORT& d = *dialog_;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const QRect screen = d.screen()->availableGeometry();
    const QRect frame = d.frameGeometry();
    QVERIFY(screen.contains(frame));
    QVERIFY(std::abs(frame.center().x() - screen.center().x()) <= 1);
    QVERIFY(std::abs(frame.center().y() - screen.center().y()) <= 1);
    const QPoint moved = screen.topLeft() + QPoint(37, 41);
    d.move(moved);
    QTRY_COMPARE(d.pos(), moved);
    d.CancelBtn->click();
    QVERIFY(!d.isVisible());
    d.show();
    QCOMPARE(d.pos(), moved);
    d.hide();
}

void TestExportDialog::example_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("meta");
    QTest::addColumn<QList<QByteArray>>("tail"); // the file after the date line
    const QList<QByteArray> headerRest = {"  Preise: Basis: FAP von: 0.5 bis: 1 Staffel: 0.5",
                                          "  Kalkulationsmodus: Standardberechnung",
                                          "  Kennzeichen: Suchtgift   "};
    const QList<QByteArray> xls = {"FAP ;AEP ;KP ;AVP ", "0,50;0,58;1,35;1,75",
                                   "1,00;1,16;2,15;2,90"};
    const QList<QByteArray> fixed = {"FAP ;AEP ;KP ;AVP ", "      050      058      135      175",
                                     "      100      116      215      290"};
    QTest::newRow("xls with header") << 1 << true << headerRest + xls;
    QTest::newRow("xls without header") << 1 << false << xls;
    QTest::newRow("fixed with header") << 0 << true << headerRest + fixed;
    QTest::newRow("fixed without header") << 0 << false << fixed;
}

void TestExportDialog::example() {
    QFETCH(int, format);
    QFETCH(bool, meta);
    QFETCH(QList<QByteArray>, tail);

    const ResultTable table = ExampleTable({"0.5", "1", "0.5", CalcOptions{.Narcotic = true}});

    const QString target = path(QStringLiteral("FAP_PREIS.CSV"));
    dialog_->Edit1->setText(target);
    dialog_->RadioGroup2->setItemIndex(format);
    dialog_->cbMeta->setChecked(meta);

    MessageRecorder messages;
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(Confirm(*dialog_, table, Way::ClickOk));
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(messages.texts(), QStringList{ExportCountText(2, target)});
    QCOMPARE(messages.texts().constFirst(), QStringLiteral("Es wurden 2 Sätze in die Datei ") +
                                                target + QStringLiteral(" übertragen!"));
    const QByteArray bytes = ReadFile(target);
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(bytes, lines));
    if (meta) {
        QCOMPARE(lines.size(), 5 + 1 + 2);
        QCOMPARE(lines.takeFirst(), QByteArray("Fileinfo: "));
        const QByteArray dateLine = lines.takeFirst();
        QVERIFY2(DateLineWithin(dateLine, before, after), dateLine.constData());
    }
    QCOMPARE(lines, tail);
    QVERIFY(bytes.endsWith("\r\n"));
}

// A table without computed rows is not exported: a message instead of the
// dialog, and no file.
void TestExportDialog::beforeAnyRangeRun() {
    const QString target = path(QStringLiteral("leer.csv"));
    dialog_->Edit1->setText(target);
    MessageRecorder messages;
    bool opened = false;
    testkit::WhenVisible(dialog_.get(), [&] {
        opened = true;
        dialog_->reject();
    });
    testkit::Child<QPushButton>(*form_, "btExport")->click();
    QVERIFY(!opened);
    QCOMPARE(messages.texts(), QStringList{ExportNoRowsText()});
    QVERIFY(!QFile::exists(target));
}

void TestExportDialog::realRange_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("fixed") << 0;
    QTest::newRow("xls") << 1;
}

void TestExportDialog::realRange() {
    QFETCH(int, format);

    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("0.5"));
    QCOMPARE(messages.messages().size(), 0);
    const ResultGridModel& grid = form_->GridModel();
    QCOMPARE(grid.rowCountExact(), 19);

    const QString target = path(QStringLiteral("range.csv"));
    dialog_->Edit1->setText(target);
    dialog_->RadioGroup2->setItemIndex(format);
    dialog_->cbMeta->setChecked(false);
    QVERIFY(Confirm(*dialog_, form_->Table(), Way::ClickOk));
    QCOMPARE(messages.texts(), QStringList{ExportCountText(19, target)});

    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 1 + 19);
    QCOMPARE(lines[0], QByteArray("FAP ;AEP ;KP ;AVP "));
    for (int row = 0; row < 19; ++row) {
        const QByteArray& line = lines[row + 1];
        const int cents = 100 + 50 * row; // the FAP of the row: 1.00, 1.50, ... 10.00
        QList<QByteArray> cells;
        for (int column = 0; column < 4; ++column)
            cells << QByteArray::fromStdString(std::string(grid.cellText(row, column)));
        if (format == 0) {
            QCOMPARE(line.size(), 36);
            QCOMPARE(line.left(9), QByteArray::number(cents).rightJustified(9));
            for (int column = 1; column < 4; ++column)
                QCOMPARE(line.mid(9 * column, 9), QByteArray(cells[column]).replace(".", ""));
        } else {
            const QList<QByteArray> fields = line.split(';');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0], QByteArray::number(cents / 100) + ',' +
                                    QByteArray::number(cents % 100).rightJustified(2, '0'));
            for (int column = 1; column < 4; ++column)
                QCOMPARE(fields[column], cells[column].trimmed().replace('.', ','));
        }
    }
}

void TestExportDialog::aepRange_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("fixed: 35 characters") << 0;
    QTest::newRow("xls: 0,00") << 1;
}

void TestExportDialog::aepRange() {
    QFETCH(int, format);

    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("1"));
    testkit::SetOptions(*form_, {.AepInput = true}); // the click runs the range again
    QCOMPARE(form_->GridModel().rowCountExact(), 3);

    const QString target = path(QStringLiteral("aep.csv"));
    dialog_->Edit1->setText(target);
    dialog_->RadioGroup2->setItemIndex(format);
    dialog_->cbMeta->setChecked(true);
    QVERIFY(Confirm(*dialog_, form_->Table(), Way::EnterInFileName));

    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 5 + 1 + 3);
    QCOMPARE(lines[2], QByteArray("  Preise: Basis: AEP von: 2 bis: 4 Staffel: 1"));
    for (int row = 0; row < 3; ++row) {
        const QByteArray& line = lines[6 + row];
        const QByteArray aep =
            QByteArray::fromStdString(std::string(form_->GridModel().cellText(row, 1)));
        QCOMPARE(aep.trimmed(), QByteArray::number(2 + row) + ".00"); // the typed AEP
        if (format == 0) {
            QCOMPARE(line.size(), 35);
            QCOMPARE(line.left(17), QByteArray("     000") + QByteArray(aep).replace(".", ""));
        } else {
            QVERIFY(line.startsWith("0,00;" + QByteArray::number(2 + row) + ",00;"));
        }
    }
}

void TestExportDialog::headerFromMainWindow_data() {
    QTest::addColumn<CalcOptions>("options");
    QTest::addColumn<QByteArray>("line4");
    QTest::addColumn<QByteArray>("line5");
    QTest::newRow("nothing on") << CalcOptions{}
                                << QByteArray("  Kalkulationsmodus: Standardberechnung")
                                << QByteArray("  Kennzeichen: ");
    QTest::newRow("homeopathic, veterinary")
        << CalcOptions{.Homeopathic = true, .Veterinary = true}
        << QByteArray("  Kalkulationsmodus: Hom\xF6op. Arzneispezialit\xE4t")
        << QByteArray("  Kennzeichen: Veterinaria   ");
    QTest::newRow("narcotic, not reimbursable")
        << CalcOptions{.Narcotic = true, .NotReimbursable = true}
        << QByteArray("  Kalkulationsmodus: Standardberechnung")
        << QByteArray("  Kennzeichen: Suchtgift   * nicht Kassenzul\xE4ssig   ");
}

void TestExportDialog::headerFromMainWindow() {
    QFETCH(CalcOptions, options);
    QFETCH(QByteArray, line4);
    QFETCH(QByteArray, line5);

    MessageRecorder messages; // each switch click runs the calculation and complains
    const testkit::MainControls ui(*form_);
    ui.eFAPBASIS->setText(QStringLiteral(" 3.5 "));
    ui.eBis->clear();
    ui.Edit1->setText(QStringLiteral("\t1"));
    testkit::SetOptions(*form_, options);
    // The criteria come from the main window; the rows are not this test's subject.
    ResultTable table = form_->Table();
    table.rows = ExampleTable().rows;
    const QString target = path(QStringLiteral("kopf.csv"));
    dialog_->Edit1->setText(target);
    QVERIFY(Confirm(*dialog_, table, Way::ClickOk));
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 5 + 1 + 2);
    QCOMPARE(lines[2], QByteArray("  Preise: Basis: FAP von: 3.5 bis:  Staffel: 1"));
    QCOMPARE(lines[3], line4);
    QCOMPARE(lines[4], line5);
}

void TestExportDialog::headerShowsFieldsEditedAfterTheRun() {
    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0.5"));
    QCOMPARE(form_->GridModel().rowCountExact(), 3);
    const testkit::MainControls ui(*form_);
    ui.eFAPBASIS->setText(QStringLiteral("7"));
    ui.eBis->setText(QStringLiteral("9"));
    ui.Edit1->setText(QStringLiteral("0.25"));
    const QString target = path(QStringLiteral("edited.csv"));
    dialog_->Edit1->setText(target);
    QVERIFY(Confirm(*dialog_, form_->Table(), Way::ClickOk));
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 5 + 1 + 3);
    QCOMPARE(lines[2], QByteArray("  Preise: Basis: FAP von: 7 bis: 9 Staffel: 0.25"));
    QCOMPARE(lines[8].left(9), QByteArray("      200"));
}

void TestExportDialog::countMessageOnlyAfterTheFileIsWritten() {
    const ResultTable table = ExampleTable();
    const QString target = path(QStringLiteral("order.csv"));
    QVERIFY(testkit::WriteFile(target, "old content\r\n"));
    dialog_->Edit1->setText(target);
    dialog_->RadioGroup2->setItemIndex(1);
    dialog_->cbMeta->setChecked(false);

    QStringList texts;
    QByteArray fileAtMessage;
    const auto previous = tools::SetMessageHandler([&](QWidget*, const tools::Message& message) {
        texts << message.text;
        fileAtMessage = ReadFile(target);
        return tools::MessageAnswer::Ok;
    });
    const bool closed = Confirm(*dialog_, table, Way::ClickOk);
    tools::SetMessageHandler(previous);
    QVERIFY(closed);
    QCOMPARE(texts, QStringList{ExportCountText(2, target)});
    // When the user reads the count, the file already holds the rows.
    QCOMPARE(fileAtMessage,
             FileBytes({"FAP ;AEP ;KP ;AVP ", "0,50;0,58;1,35;1,75", "1,00;1,16;2,15;2,90"}));
}

// A table that ends before Bis claims no more: the header's "bis:" and the
// message name its last price.
void TestExportDialog::tableEndedBeforeBis_data() {
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("aepInput");
    QTest::addColumn<QByteArray>("line3");
    QTest::addColumn<QString>("endText");
    QTest::newRow("Abbruch") << int(TableEnd::Aborted) << false
                             << QByteArray("  Preise: Basis: FAP von: 1 bis: 1.15 Staffel: 0.01")
                             << " Die Tabelle endet nach Abbruch bei FAP 1.15.";
    QTest::newRow("Abbruch, AEP") << int(TableEnd::Aborted) << true
                                  << QByteArray(
                                         "  Preise: Basis: AEP von: 1 bis: 1.15 Staffel: 0.01")
                                  << " Die Tabelle endet nach Abbruch bei AEP 1.15.";
    QTest::newRow("row limit") << int(TableEnd::RowLimit) << false
                               << QByteArray("  Preise: Basis: FAP von: 1 bis: 1.15 Staffel: 0.01")
                               << " Die Tabelle endet an der Zeilengrenze bei FAP 1.15.";
    QTest::newRow("complete") << int(TableEnd::Complete) << false
                              << QByteArray("  Preise: Basis: FAP von: 1 bis: 1000 Staffel: 0.01")
                              << "";
}

void TestExportDialog::tableEndedBeforeBis() {
    QFETCH(int, end);
    QFETCH(bool, aepInput);
    QFETCH(QString, endText);
    const CalcOptions options{.AepInput = aepInput};
    auto rows = std::make_shared<RowStore>(options, kDefaultVatFactor, 100, 100000, 1);
    for (int row = 0; row < 16; ++row)
        rows->appendRow();
    rows->setEnd(TableEnd(end));
    ResultTable table;
    table.rows = rows;
    table.criteria = {"1", "1000", "0.01", options};
    const QString target = path(QStringLiteral("abbruch.csv"));
    dialog_->Edit1->setText(target);
    dialog_->cbMeta->setChecked(true);
    MessageRecorder messages;
    QVERIFY(Confirm(*dialog_, table, Way::ClickOk));
    QCOMPARE(messages.texts(), QStringList{ExportCountText(16, target) + endText});
    QList<QByteArray> lines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), lines));
    QCOMPARE(lines.size(), 5 + 1 + 16);
    QTEST(lines[2], "line3");
}

void TestExportDialog::failures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("oldContent"); // written to name first unless empty
    QTest::addColumn<int>("failAfter");         // injected write failure; -1 none
    QTest::addColumn<int>("rows");

    const QString dir = dir_.path();
    QTest::newRow("empty file name") << QString() << QByteArray() << -1 << 2;
    QTest::newRow("folder that does not exist")
        << QDir(dir).filePath(QStringLiteral("gibtsnicht/FAP_PREIS.CSV")) << QByteArray() << -1
        << 2;
    QTest::newRow("name of a folder") << dir << QByteArray() << -1 << 2;
    QTest::newRow("path under a device")
        << QStringLiteral("/dev/full/FAP_PREIS.CSV") << QByteArray() << -1 << 2;
    QTest::newRow("name with a NUL character")
        << QDir(dir).filePath(QStringLiteral("nul")) + QChar(0) + QStringLiteral("x.csv")
        << QByteArray() << -1 << 2;
    QTest::newRow("full disk (a device that is always full)")
        << QStringLiteral("/dev/full") << QByteArray() << -1 << 2;
    QTest::newRow("full disk at once, old file kept")
        << QDir(dir).filePath(QStringLiteral("alt.csv")) << QByteArray("alt\r\nalt\r\n") << 0 << 2;
    QTest::newRow("write breaks off midway, old file kept")
        << QDir(dir).filePath(QStringLiteral("alt.csv")) << QByteArray("alt\r\n") << 500'000
        << 40'000;
}

void TestExportDialog::failures() {
    QFETCH(QString, name);
    QFETCH(QByteArray, oldContent);
    QFETCH(int, failAfter);
    QFETCH(int, rows);

    const ResultTable table = rows == 2 ? ExampleTable() : testkit::TableWithPrices(rows);
    if (!oldContent.isEmpty())
        QVERIFY(testkit::WriteFile(name, oldContent));
    const QStringList entriesBefore =
        QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

    if (failAfter >= 0) {
        auto accepted = std::make_shared<qint64>(0);
        dialog_->WriteHook = [accepted, failAfter](int fd, const void* data,
                                                   std::size_t size) -> ssize_t {
            const qint64 room = failAfter - *accepted;
            if (room <= 0) {
                errno = ENOSPC;
                return -1;
            }
            const ssize_t written = ::write(fd, data, std::min(size, std::size_t(room)));
            if (written > 0)
                *accepted += written;
            return written;
        };
    }
    dialog_->Edit1->setText(name);
    MessageRecorder messages;
    // The dialog stays open after a failure, which is reported with its reason.
    QVERIFY(!Confirm(*dialog_, table, Way::ClickOk, 300));

    QCOMPARE(messages.texts().size(), 1);
    QVERIFY2(messages.texts().constFirst().startsWith(ExportFailureText(name) + " ("),
             qPrintable(messages.texts().constFirst()));
    QCOMPARE(messages.messages().constFirst().kind, tools::MessageKind::Error);
    if (!oldContent.isEmpty())
        QCOMPARE(ReadFile(name), oldContent);
    // Nothing new beside it: no half file, no temporary file.
    QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System),
             entriesBefore);
}

void TestExportDialog::readOnlyFolder() {
    if (testkit::RunningAsRoot())
        QSKIP("running as root: folder permissions are not enforced");
    const ResultTable table = ExampleTable();
    const QString folder = path(QStringLiteral("nurlesen"));
    QVERIFY(QDir().mkdir(folder));
    const QString target = QDir(folder).filePath(QStringLiteral("FAP_PREIS.CSV"));
    QVERIFY(testkit::WriteFile(target, "bleibt\r\n"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    dialog_->Edit1->setText(target);
    MessageRecorder messages;
    const bool closed = Confirm(*dialog_, table, Way::ClickOk, 300);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!closed);
    QCOMPARE(messages.texts(), QStringList{ExportFailureText(
                                   target, "Anlegen der temporären Datei: Keine Berechtigung")});
    QCOMPARE(ReadFile(target), QByteArray("bleibt\r\n"));
}

void TestExportDialog::enterAndOkAreTheSame_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("meta");
    QTest::newRow("fixed, header") << 0 << true;
    QTest::newRow("fixed, no header") << 0 << false;
    QTest::newRow("xls, header") << 1 << true;
    QTest::newRow("xls, no header") << 1 << false;
}

void TestExportDialog::enterAndOkAreTheSame() {
    QFETCH(int, format);
    QFETCH(bool, meta);

    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("0.5"), QStringLiteral("12"), QStringLiteral("0.75"));
    testkit::SetOptions(*form_, {.Veterinary = true}); // the click runs the range again
    const ResultTable table = form_->Table();
    const QString target = path(QStringLiteral("same.csv"));
    dialog_->Edit1->setText(target);
    dialog_->RadioGroup2->setItemIndex(format);
    dialog_->cbMeta->setChecked(meta);

    messages.clear();
    QVERIFY(Confirm(*dialog_, table, Way::EnterInFileName));
    const QStringList byEnter = messages.texts();
    QList<QByteArray> enterLines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), enterLines));
    QVERIFY(QFile::remove(target));

    messages.clear();
    QVERIFY(Confirm(*dialog_, table, Way::ClickOk));
    const QStringList byClick = messages.texts();
    QList<QByteArray> clickLines;
    QVERIFY(testkit::SplitFileLines(ReadFile(target), clickLines));

    QCOMPARE(byEnter, byClick);
    QCOMPARE(byEnter.size(), 1);
    QCOMPARE(enterLines.size(), clickLines.size());
    QVERIFY(enterLines.size() > 2);
    if (meta) { // the time of day may have moved on by a second
        enterLines.removeAt(1);
        clickLines.removeAt(1);
    }
    QCOMPARE(enterLines, clickLines);
}

void TestExportDialog::cancelWritesNothing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Abbrechen") << "click";
    QTest::newRow("Esc in the file name") << "escEdit";
    QTest::newRow("Esc on the check box") << "escCheck";
    QTest::newRow("close box") << "close";
}

void TestExportDialog::cancelWritesNothing() {
    QFETCH(QString, how);

    const QString target = path(QStringLiteral("nie.csv"));
    TdlgFAP_EXPORT& d = *dialog_;
    d.Edit1->setText(target);
    MessageRecorder messages;
    auto timedOut = std::make_shared<bool>(false);
    QPointer<TdlgFAP_EXPORT> guard(&d);
    testkit::WhenVisible(
        &d,
        [&d, how] {
            if (how == QLatin1String("click")) {
                QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
            } else if (how == QLatin1String("escEdit")) {
                QTest::keyClick(d.Edit1, Qt::Key_Escape);
            } else if (how == QLatin1String("escCheck")) {
                d.cbMeta->setFocus();
                QTest::keyClick(d.cbMeta, Qt::Key_Escape);
            } else {
                d.close();
            }
        },
        [timedOut, guard] {
            *timedOut = true;
            if (guard)
                guard->reject();
        });
    // Through the main window's button, as the user opens it.
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1"));
    testkit::Child<QPushButton>(*form_, "btExport")->click();
    QVERIFY(!*timedOut);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(messages.messages().size(), 0);
}

void TestExportDialog::choicesCarryOver() {
    const ResultTable table = ExampleTable();
    TdlgFAP_EXPORT& d = *dialog_;
    const QString target = path(QStringLiteral("behalten.csv"));

    // First opening: change all three choices, then cancel.
    testkit::WhenVisible(&d, [&] {
        QTest::mouseClick(d.RadioGroup2->button(1), Qt::LeftButton);
        QTest::mouseClick(d.cbMeta, Qt::LeftButton);
        d.Edit1->selectAll();
        QTest::keyClicks(d.Edit1, target);
        d.CancelBtn->click();
    });
    d.ExecFor(table);
    QVERIFY(!QFile::exists(target));

    // Second opening: the choices are still there; OK uses them.
    int index = -1;
    bool checked = true;
    QString name;
    testkit::WhenVisible(&d, [&] {
        index = d.RadioGroup2->itemIndex();
        checked = d.cbMeta->isChecked();
        name = d.Edit1->text();
        d.Button1->click();
    });
    MessageRecorder messages;
    d.ExecFor(table);
    QCOMPARE(index, 1);
    QVERIFY(!checked);
    QCOMPARE(name, target);
    QCOMPARE(ReadFile(target),
             FileBytes({"FAP ;AEP ;KP ;AVP ", "0,50;0,58;1,35;1,75", "1,00;1,16;2,15;2,90"}));

    // A new dialog (a new run of the program) starts with the defaults again.
    TdlgFAP_EXPORT fresh;
    QCOMPARE(fresh.RadioGroup2->itemIndex(), 0);
    QVERIFY(fresh.cbMeta->isChecked());
    QCOMPARE(fresh.Edit1->text(), DefaultExportFileName());
}

void TestExportDialog::nameAsTypedRefersToWorkingDirectory() {
    const ResultTable table = ExampleTable();
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    // A leading blank is part of the name: nothing is trimmed.
    const QString name = QStringLiteral(" Preise März.csv");
    dialog_->Edit1->setText(name);
    MessageRecorder messages;
    const bool closed = Confirm(*dialog_, table, Way::EnterInFileName);
    QDir::setCurrent(before);
    QVERIFY(closed);
    QCOMPARE(messages.texts(), QStringList{ExportCountText(2, name)});
    QVERIFY(QFile::exists(dir_.filePath(name)));
    QVERIFY(!QFile::exists(dir_.filePath(name.trimmed())));
}

QTEST_MAIN(TestExportDialog)
#include "test_export_dialog.moc"
