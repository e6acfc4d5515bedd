// The detail window: its layout, the copy of the main grid taken at each
// opening (and only then), the width rule, the caption, the keys, the export
// through the main window's Export, and the opening time for a million rows.
#include "outputtestkit.h"
#include "ui/layoutcheck.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/output/ExportFile.h"
#include "ui/output/FAP_Export.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/widgets/ResultGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace fapkalk;
using testkit::MessageRecorder;

namespace {

// Every text, the row count and the column widths of the two grids agree.
void VerifySameGrid(const TDetMore& detail, const TForm1& form) {
    const ResultGridModel& main = form.GridModel();
    const ResultGridModel& copy = detail.GridModel();
    QCOMPARE(copy.rowCountExact(), main.rowCountExact());
    QCOMPARE(copy.rowCount(), main.rowCountExact()); // the view knows every row
    for (int row = 0; row < main.rowCountExact(); ++row)
        for (int column = 0; column < 4; ++column)
            QCOMPARE(copy.cellText(row, column), main.cellText(row, column));
    const auto* grid = testkit::Child<QTableView>(form, "StringGrid1");
    for (int column = 0; column < 4; ++column)
        QCOMPARE(detail.StringGrid1->columnWidth(column), grid->columnWidth(column));
}

// Shows the detail window modally for form and runs action inside; closes it
// with Schließen afterwards if the action left it open. False when it hung.
bool WithDetailOpen(TDetMore& detail, TForm1& form, std::function<void()> action) {
    auto hung = std::make_shared<bool>(false);
    QPointer<TDetMore> guard(&detail);
    testkit::WhenVisible(
        &detail,
        [&detail, action] {
            action();
            if (detail.isVisible())
                detail.BitBtn1->click();
        },
        [hung, guard] {
            *hung = true;
            if (guard)
                guard->close();
        });
    form.SetDetailOpener([&detail](const ResultTable& table) { detail.ShowFor(table); });
    testkit::Child<QPushButton>(form, "btDetMore")->click(); // the main window's "+" button
    return !*hung && !detail.isVisible();
}

} // namespace

class TestDetailWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void window();
    void headerStrip_data();
    void headerStrip();
    void bottomBar();
    void gridBeforeFirstOpening();
    void copiesTheMainGrid_data();
    void copiesTheMainGrid();
    void everyOpeningReplacesTheContent();
    void laterRunLeavesTheCopyAlone();
    void resizeRule_data();
    void resizeRule();
    void widthHeldWhenResized_data();
    void widthHeldWhenResized();
    void widthHeldWhenTheWindowSystemResizes();
    void gridFollowsTheHeight();
    void captionAtEveryShowing();
    void modalAndEscapeDoesNotClose();
    void closeBoxHides();
    void exportFromDetailIsExportFromMain_data();
    void exportFromDetailIsExportFromMain();
    void millionRowsOpenWithoutWorkPerRow();
    void placementSection();
    void tallerThanTheScreenIsHeldToIt();

private:
    QTemporaryDir dir_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TDetMore> detail_;
};

void TestDetailWindow::initTestCase() {
    // Whatever the placement component writes goes to a test location.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir_.isValid());
}

void TestDetailWindow::init() {
    form_ = testkit::MakeMainWindow();
    detail_ = std::make_unique<TDetMore>();
    // As the start-up wires it: Export here is the main window's Export.
    detail_->SetExportAction([this] { form_->btExportClick(); });
    // No stored placement may move or size the window between tests.
    detail_->JvFormPlacement1->Active = false;
}

void TestDetailWindow::cleanup() {
    detail_.reset();
    form_.reset();
}

void TestDetailWindow::window() {
    TDetMore& d = *detail_;
    const Qt::WindowFlags flags = d.windowFlags();
    QVERIFY(flags.testFlag(Qt::Window));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(d.width(), kDetailWindowWidth);
    QCOMPARE(d.height(), kDetailDesignHeight);
    QVERIFY(d.maximumHeight() > 2000); // the height is free

    // Centred on the desktop at its first showing.
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const QRect screen = d.screen()->availableGeometry();
    QVERIFY(qAbs(d.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(d.frameGeometry().center().y() - screen.center().y()) <= 1);
    d.hide();
}

void TestDetailWindow::headerStrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("width");
    QTest::newRow("FAP") << "Panel2"
                         << "FAP" << 1 << 128;
    QTest::newRow("AEP") << "Panel3"
                         << "AEP" << 129 << 128;
    QTest::newRow("KP") << "Panel4"
                        << "KP" << 257 << 128;
    QTest::newRow("AVP") << "Panel5"
                         << "AVP" << 385 << 127;
}

void TestDetailWindow::headerStrip() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, left);
    QFETCH(int, width);
    const TDetMore& d = *detail_;
    QCOMPARE(d.Panel1->geometry(), QRect(0, 0, kDetailWindowWidth, 24));
    const auto* panel = d.Panel1->findChild<QLabel*>(name);
    QVERIFY(panel);
    QCOMPARE(panel->text(), caption);
    QCOMPARE(panel->x(), left);
    QCOMPARE(panel->width(), width);
    QCOMPARE(panel->height(), 17);
    QVERIFY(panel->y() >= 0 && panel->y() + panel->height() <= 24);
    QCOMPARE(panel->font().family(), QStringLiteral("Arial"));
    QCOMPARE(panel->font().pixelSize(), 16);
    QVERIFY(panel->font().bold());
}

void TestDetailWindow::bottomBar() {
    const TDetMore& d = *detail_;
    QCOMPARE(d.Panel6->height(), 41);
    QCOMPARE(d.Panel6->y() + d.Panel6->height(), d.height());
    QCOMPARE(testkit::LayoutMismatch(d, kDetMoreLayout), QString());
    QCOMPARE(d.btExport->text(), QStringLiteral("E&xport"));
    QVERIFY(d.btExport->font().bold());
    QCOMPARE(d.btExport->toolTip(),
             QStringLiteral("Ausgabe auf Textdatei im ASCII oder Excel-Format"));
    QCOMPARE(d.BitBtn1->text(), QStringLiteral("&Schließen"));
}

void TestDetailWindow::gridBeforeFirstOpening() {
    const TDetMore& d = *detail_;
    QCOMPARE(d.GridModel().rowCountExact(), 1);
    QCOMPARE(d.StringGrid1->model()->rowCount(), 1);
    QCOMPARE(d.StringGrid1->model()->columnCount(), 4);
    for (int column = 0; column < 4; ++column) {
        QCOMPARE(d.StringGrid1->columnWidth(column), 60);
        QCOMPARE(d.GridModel().cellText(0, column), std::string_view());
    }
    QVERIFY(!d.StringGrid1->horizontalHeader()->isVisible() &&
            d.StringGrid1->horizontalHeader()->isHidden());
    QVERIFY(d.StringGrid1->verticalHeader()->isHidden());
    QCOMPARE(d.StringGrid1->verticalHeader()->defaultSectionSize(), 14);
    QCOMPARE(d.StringGrid1->font().pixelSize(), 10);
    QVERIFY(d.StringGrid1->font().bold());
    QVERIFY(d.StringGrid1->showGrid());
    QCOMPARE(d.StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(d.StringGrid1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(d.StringGrid1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(d.StringGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    // Between the header strip and the bottom bar.
    QCOMPARE(d.StringGrid1->y(), 24);
    QCOMPARE(d.StringGrid1->y() + d.StringGrid1->height(), d.Panel6->y());
}

void TestDetailWindow::copiesTheMainGrid_data() {
    QTest::addColumn<QString>("von");
    QTest::addColumn<QString>("bis");
    QTest::addColumn<QString>("staffel");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("widths"); // set on the main grid first; empty: as created
    QTest::newRow("before any run: one empty row")
        << QString() << QString() << QString() << 1 << QList<int>();
    QTest::newRow("1 to 10 by 0.5") << "1"
                                    << "10"
                                    << "0.5" << 19 << QList<int>();
    QTest::newRow("1 to 2 by 0.1") << "1"
                                   << "2"
                                   << "0.1" << 11 << QList<int>();
    QTest::newRow("other column widths") << "3"
                                         << "3"
                                         << "1" << 1 << QList<int>{100, 90, 80, 70};
}

void TestDetailWindow::copiesTheMainGrid() {
    QFETCH(QString, von);
    QFETCH(QString, bis);
    QFETCH(QString, staffel);
    QFETCH(int, rows);
    QFETCH(QList<int>, widths);

    MessageRecorder messages;
    if (!von.isEmpty())
        testkit::RunRange(*form_, von, bis, staffel);
    QCOMPARE(messages.messages().size(), 0);
    for (int column = 0; column < widths.size(); ++column)
        testkit::Child<QTableView>(*form_, "StringGrid1")->setColumnWidth(column, widths[column]);
    QCOMPARE(form_->GridModel().rowCountExact(), rows);

    bool sameWhileOpen = false;
    QVERIFY(WithDetailOpen(*detail_, *form_, [&] {
        VerifySameGrid(*detail_, *form_);
        sameWhileOpen = !QTest::currentTestFailed();
    }));
    QVERIFY(sameWhileOpen);
    if (widths.isEmpty())
        for (int column = 0; column < 4; ++column)
            QCOMPARE(detail_->StringGrid1->columnWidth(column), 128);
}

void TestDetailWindow::everyOpeningReplacesTheContent() {
    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("0.5"));
    detail_->FillFrom(form_->Table());
    detail_->StringGrid1->selectRow(12);
    detail_->StringGrid1->scrollToBottom();
    QCOMPARE(detail_->GridModel().rowCountExact(), 19);

    testkit::RunRange(*form_, QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("1"));
    detail_->FillFrom(form_->Table());
    VerifySameGrid(*detail_, *form_);
    QCOMPARE(detail_->StringGrid1->model()->rowCount(), 1);
    QVERIFY(!detail_->StringGrid1->selectionModel()->hasSelection());
}

void TestDetailWindow::laterRunLeavesTheCopyAlone() {
    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1"));
    detail_->FillFrom(form_->Table());
    std::vector<std::string> before;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            before.emplace_back(detail_->GridModel().cellText(row, column));

    // Another run writes into the same rows and adds more.
    testkit::RunRange(*form_, QStringLiteral("5"), QStringLiteral("50"), QStringLiteral("5"));
    testkit::SetOptions(*form_, {.Narcotic = true}); // the click runs the range again
    QCOMPARE(form_->GridModel().rowCountExact(), 10);
    QVERIFY(form_->GridModel().cellText(0, 0) != detail_->GridModel().cellText(0, 0));

    QCOMPARE(detail_->GridModel().rowCountExact(), 3);
    QCOMPARE(detail_->StringGrid1->model()->rowCount(), 3);
    std::size_t i = 0;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            QCOMPARE(detail_->GridModel().cellText(row, column), std::string_view(before[i++]));
    QCOMPARE(detail_->StringGrid1->model()->index(0, 0).data().toString(),
             QString::fromStdString(before[0]));

    // The next opening shows the new run.
    detail_->FillFrom(form_->Table());
    VerifySameGrid(*detail_, *form_);
}

void TestDetailWindow::resizeRule_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("design size") << 521 << 640;
    QTest::newRow("wider and taller") << 900 << 1000;
    QTest::newRow("narrower and shorter") << 200 << 150;
    QTest::newRow("width already right") << 527 << 300;
}

void TestDetailWindow::resizeRule() {
    QFETCH(int, width);
    QFETCH(int, height);
    int w = width;
    int h = height;
    QVERIFY(DetailCanResize(w, h));
    QCOMPARE(w, 527);
    QCOMPARE(h, height);
    w = width;
    QVERIFY(detail_->FormCanResize(w, h));
    QCOMPARE(w, 527);
}

void TestDetailWindow::widthHeldWhenResized_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("program: wider, taller") << "program" << 800 << 900;
    QTest::newRow("program: narrower, shorter") << "program" << 300 << 400;
    QTest::newRow("resize: wider") << "resize" << 700 << 500;
    QTest::newRow("resize: narrower") << "resize" << 400 << 700;
    QTest::newRow("geometry: wider") << "geometry" << 1000 << 600;
}

void TestDetailWindow::widthHeldWhenResized() {
    QFETCH(QString, how);
    QFETCH(int, width);
    QFETCH(int, height);
    TDetMore& d = *detail_;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    if (how == QLatin1String("program"))
        d.ResizeWindow(width, height);
    else if (how == QLatin1String("resize"))
        d.resize(width, height);
    else
        d.setGeometry(QRect(d.pos(), QSize(width, height)));
    QTRY_COMPARE(d.height(), height);
    QCOMPARE(d.width(), 527);
    d.hide();
}

void TestDetailWindow::widthHeldWhenTheWindowSystemResizes() {
    // A drag on the border reaches the window as a resize of its native window.
    TDetMore& d = *detail_;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QWindow* native = d.windowHandle();
    QVERIFY(native);
    native->resize(760, 500);
    QTRY_COMPARE(d.height(), 500);
    QTRY_COMPARE(d.width(), 527);
    native->resize(320, 700);
    QTRY_COMPARE(d.height(), 700);
    QTRY_COMPARE(d.width(), 527);
    d.hide();
}

void TestDetailWindow::gridFollowsTheHeight() {
    TDetMore& d = *detail_;
    for (int height : {800, 300, 640}) {
        d.ResizeWindow(527, height);
        QCOMPARE(d.height(), height);
        QCOMPARE(d.StringGrid1->height(), height - 24 - 41);
        QCOMPARE(d.Panel6->y(), height - 41);
        QCOMPARE(d.StringGrid1->width(), 527);
    }
}

void TestDetailWindow::captionAtEveryShowing() {
    TDetMore& d = *detail_;
    for (int showing = 0; showing < 3; ++showing) {
        d.setWindowTitle(QStringLiteral("anders"));
        d.FillFrom(form_->Table());
        d.show();
        QCOMPARE(d.windowTitle(), QStringLiteral("Detail-Ansicht"));
        d.hide();
    }
}

void TestDetailWindow::modalAndEscapeDoesNotClose() {
    bool modal = false;
    bool openAfterEscape = false;
    QVERIFY(WithDetailOpen(*detail_, *form_, [&] {
        modal = QApplication::activeModalWidget() == detail_.get() && detail_->isModal();
        detail_->StringGrid1->setFocus();
        QTest::keyClick(detail_->StringGrid1, Qt::Key_Escape);
        QTest::keyClick(detail_.get(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        openAfterEscape = detail_->isVisible();
    }));
    QVERIFY(modal);
    QVERIFY(openAfterEscape);
}

void TestDetailWindow::closeBoxHides() {
    bool closedByCloseBox = false;
    QVERIFY(WithDetailOpen(*detail_, *form_, [&] {
        detail_->close(); // what the close box does
        closedByCloseBox = !detail_->isVisible();
    }));
    QVERIFY(closedByCloseBox);
    // Hidden, not gone: the next opening shows the same window again.
    QVERIFY(WithDetailOpen(*detail_, *form_, [] {}));
}

void TestDetailWindow::exportFromDetailIsExportFromMain_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("fixed") << 0;
    QTest::newRow("xls") << 1;
}

void TestDetailWindow::exportFromDetailIsExportFromMain() {
    QFETCH(int, format);

    MessageRecorder messages;
    testkit::RunRange(*form_, QStringLiteral("1"), QStringLiteral("25"), QStringLiteral("1.25"));
    TdlgFAP_EXPORT dialog;
    dialog.RadioGroup2->setItemIndex(format);
    dialog.cbMeta->setChecked(false);
    form_->SetExportOpener([&](const ResultTable& table) { dialog.ExecFor(table); });
    const QString fromMain = dir_.filePath(QStringLiteral("main%1.csv").arg(format));
    const QString fromDetail = dir_.filePath(QStringLiteral("detail%1.csv").arg(format));

    // From the main window.
    dialog.Edit1->setText(fromMain);
    testkit::WhenVisible(&dialog, [&] { dialog.Button1->click(); });
    testkit::Child<QPushButton>(*form_, "btExport")->click();
    QVERIFY(!dialog.isVisible());

    // From the detail window: its button clicks the main window's button, the
    // dialog opens above it, and it stays open when the dialog has closed.
    bool dialogAboveDetail = false;
    bool detailOpenAfter = false;
    QVERIFY(WithDetailOpen(*detail_, *form_, [&] {
        testkit::WhenVisible(&dialog, [&] {
            dialogAboveDetail = QApplication::activeModalWidget() == &dialog;
            dialog.Edit1->setText(fromDetail);
            dialog.Button1->click();
        });
        QTest::mouseClick(detail_->btExport, Qt::LeftButton);
        detailOpenAfter = detail_->isVisible();
    }));
    QVERIFY(dialogAboveDetail);
    QVERIFY(detailOpenAfter);

    const QByteArray mainBytes = testkit::ReadFile(fromMain);
    QVERIFY(mainBytes.count("\r\n") == 1 + form_->GridModel().rowCountExact());
    QCOMPARE(testkit::ReadFile(fromDetail), mainBytes);
    const int rows = form_->GridModel().rowCountExact();
    QCOMPARE(messages.texts(),
             QStringList({ExportCountText(rows, fromMain), ExportCountText(rows, fromDetail)}));
}

void TestDetailWindow::millionRowsOpenWithoutWorkPerRow() {
    // Opening does no work per row: the window shows the main grid's store
    // itself (no copy), rows of one fixed height (no row measured, no header
    // section per row), and the view computes the cells it paints, when it
    // paints them.
    constexpr int n = 1'000'000;
    const ResultTable table = testkit::TableWithPrices(n);
    detail_->FillFrom(table);
    QCOMPARE(detail_->GridModel().snapshot().get(), table.rows.get());
    QCOMPARE(detail_->GridModel().rowCountExact(), n);
    QCOMPARE(detail_->StringGrid1->model()->rowCount(), n);
    QCOMPARE(detail_->StringGrid1->verticalHeader()->count(), 0);
    QCOMPARE(detail_->StringGrid1->rowHeight(n - 1), 14);
    QCOMPARE(detail_->StringGrid1->model()->index(n - 1, 3).data().toString().toStdString(),
             table.rows->cellText(n - 1, 3));
}

void TestDetailWindow::placementSection() {
    // The window's own placement component, section detform of kalvor.ini.
    TDetMore d;
    QVERIFY(d.JvFormPlacement1);
    QCOMPARE(d.JvFormPlacement1->IniSection, QStringLiteral("detform"));
    QCOMPARE(d.JvFormPlacement1->IniFileName, QStringLiteral("kalvor.ini"));
    QVERIFY(!d.JvFormPlacement1->IsMainForm);

    // A height stored at closing comes back at the next opening; the width stays 527.
    const QString ini = dir_.filePath(QStringLiteral("kalvor.ini"));
    d.JvFormPlacement1->IniFileName = ini;
    MessageRecorder messages;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.ResizeWindow(600, 480);
    QCOMPARE(d.height(), 480);
    d.close();
    QVERIFY(QFile::exists(ini));
    QVERIFY(testkit::ReadFile(ini).contains("[detform]"));
    d.ResizeWindow(527, 640);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTRY_COMPARE(d.height(), 480);
    QCOMPARE(d.width(), 527);
    d.close();
    QCOMPARE(messages.messages().size(), 0);
}

// As at a high scale factor (QT_SCALE_FACTOR=2 makes a 1024-pixel screen 512
// high): a window taller than the screen is held to its height and placed on
// it, its title bar and its buttons in reach.
void TestDetailWindow::tallerThanTheScreenIsHeldToIt() {
    TDetMore& d = *detail_;
    const QRect screen =
        (d.screen() ? d.screen() : QGuiApplication::primaryScreen())->availableGeometry();
    d.ResizeWindow(kDetailWindowWidth, screen.height() + 300);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QTRY_VERIFY2(screen.contains(d.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(d.frameGeometry().x())
                                .arg(d.frameGeometry().y())
                                .arg(d.frameGeometry().width())
                                .arg(d.frameGeometry().height())));
    QCOMPARE(d.frameGeometry().height(), screen.height());
    QCOMPARE(d.width(), kDetailWindowWidth);
    QVERIFY(screen.contains(d.BitBtn1->mapToGlobal(d.BitBtn1->rect().bottomRight())));
    d.hide();
}

QTEST_MAIN(TestDetailWindow)
#include "test_detail_window.moc"
