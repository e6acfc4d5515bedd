// The window's look, read from pictures of the real widgets: the amounts of
// both grids end in one column and the focused cell is framed, the result
// values stand on their captions' lines, and the "i" keeps clear of the frames.
#include "ui/dialogs/JvCaptionButton.h"
#include "ui/mainwindowkit.h"
#include "ui/output/Fap_DetMore.h"

#include <QImage>
#include <algorithm>
#include <cmath>

using namespace fapkalk;

namespace {

// Columns (or rows, across) of a box in the picture that hold ink: pixels far
// from the colour at the box's top-left corner. Box and answer in the
// picture's device pixels (QT_SCALE_FACTOR=2 doubles them).
QList<int> Ink(const QImage& picture, QRect box, bool columns) {
    const qreal scale = picture.devicePixelRatio();
    box = QRect(box.topLeft() * scale, box.size() * scale);
    const QColor ground = picture.pixelColor(box.topLeft());
    QList<int> found;
    const auto far = [&](QColor c) {
        return std::abs(c.red() - ground.red()) + std::abs(c.green() - ground.green()) +
                   std::abs(c.blue() - ground.blue()) >
               150;
    };
    for (int a = 0; a < (columns ? box.width() : box.height()); ++a)
        for (int b = 0; b < (columns ? box.height() : box.width()); ++b)
            if (far(picture.pixelColor(columns ? box.left() + a : box.left() + b,
                                       columns ? box.top() + b : box.top() + a))) {
                found << a;
                break;
            }
    return found;
}

} // namespace

class TestLook : public QObject {
    Q_OBJECT

private slots:
    void gridAmountsRightAligned_data();
    void gridAmountsRightAligned();
    void valuesOnTheirCaptionsLines();
    void captionButtonClearOfFrames();
};

void TestLook::gridAmountsRightAligned_data() {
    QTest::addColumn<bool>("detail");
    QTest::newRow("main window") << false;
    QTest::newRow("detail window") << true;
}

void TestLook::gridAmountsRightAligned() {
    QFETCH(bool, detail);
    TForm1 form(testkit::kNoIni);
    testkit::MainControls ui(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ui.btErweitert->click();
    ui.eFAPBASIS->setText(QStringLiteral("0.5"));
    ui.eBis->setText(QStringLiteral("3000"));
    ui.Edit1->setText(QStringLiteral("999.5"));
    ui.btBerechnen->click(); // 0.50, 1000.00, 1999.50, 2999.00: texts of three widths
    TDetMore window;
    QTableView* grid = ui.StringGrid1;
    if (detail) {
        window.FillFrom(form.Table());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        grid = window.StringGrid1;
    }
    grid->setFocus();
    grid->selectionModel()->setCurrentIndex(grid->model()->index(1, 1), QItemSelectionModel::Clear);
    QTRY_VERIFY(grid->hasFocus());
    const QImage picture = grid->viewport()->grab().toImage();

    for (int column = 0; column < 4; ++column) {
        QList<int> lefts, rights;
        for (int row = 0; row < 4; ++row) {
            // Inside the focus frame and the grid lines.
            const QRect cell =
                grid->visualRect(grid->model()->index(row, column)).adjusted(3, 3, -3, -3);
            const QList<int> ink = Ink(picture, cell, true);
            QVERIFY(!ink.isEmpty());
            lefts << ink.front();
            rights << ink.back();
        }
        // One device pixel apart at most: digits differ in their side bearings.
        const auto [least, most] = std::minmax_element(rights.begin(), rights.end());
        QVERIFY2(*most - *least <= 1, qPrintable(QStringLiteral("column %1").arg(column)));
        QVERIFY(rights.front() >= (grid->columnWidth(column) - 16) * picture.devicePixelRatio());
        QVERIFY(lefts.front() > lefts.back()); // "0.50" starts later
    }
    // The focused cell is framed, its neighbour in the row is not.
    const QColor frame = grid->palette().color(QPalette::Text);
    const QRect focused = grid->visualRect(grid->model()->index(1, 1));
    const QRect beside = grid->visualRect(grid->model()->index(1, 2));
    const qreal scale = picture.devicePixelRatio();
    for (const QPoint& edge : {QPoint(1, focused.height() / 2), QPoint(focused.width() / 2, 1)}) {
        QCOMPARE(picture.pixelColor((focused.topLeft() + edge) * scale), frame);
        QVERIFY(picture.pixelColor((beside.topLeft() + edge) * scale) != frame);
    }
}

void TestLook::valuesOnTheirCaptionsLines() {
    TForm1 form(testkit::kNoIni);
    testkit::MainControls ui(form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ui.eFAPBASIS->setText(QStringLiteral("12.5"));
    ui.btBerechnen->click();
    const QImage picture = ui.PanelEinzel->grab().toImage();
    const std::pair<QLabel*, QLabel*> lines[] = {
        {ui.Label1, ui.lbFAP}, {ui.Label4, ui.lbAEP}, {ui.Label5, ui.lbKP}, {ui.Label6, ui.lbAVP}};
    for (const auto& [caption, value] : lines) {
        // The caption's capital letter and the value's digits end on the baseline.
        const QRect letter(caption->x(), caption->y(), 8, caption->height());
        const QList<int> captionInk = Ink(picture, letter, false);
        const QList<int> valueInk = Ink(picture, value->geometry(), false);
        QVERIFY(!captionInk.isEmpty() && !valueInk.isEmpty());
        const qreal scale = picture.devicePixelRatio();
        // One device pixel apart at most: the bold face may round its ascent
        // otherwise (the layout had the last two values 2 and 4 pixels high).
        QVERIFY(std::abs(value->y() * scale + valueInk.back() - caption->y() * scale -
                         captionInk.back()) <= 1);
    }
}

void TestLook::captionButtonClearOfFrames() {
    TForm1 form(testkit::kNoIni);
    testkit::MainControls ui(form);
    auto* button = new TJvCaptionButton(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int mode = 0; mode < 2; ++mode) {
        // The button with its margin stays above the input row's frame.
        const QRect bevel(ui.Bevel1->mapTo(&form, QPoint(0, 0)), ui.Bevel1->size());
        QVERIFY(!button->geometry().intersects(bevel));
        QVERIFY(button->geometry().top() >= 0);
        // The group's caption stands off the window's edge (extended mode).
        const auto* group = static_cast<TGroupBox*>(ui.GroupBox1);
        if (form.RangeMode())
            QVERIFY(group->captionRect().left() >= 8);
        ui.btErweitert->click();
    }
}

QTEST_MAIN(TestLook)
#include "test_look.moc"
