// The look, read from pictures of the real widgets (also run at
// QT_SCALE_FACTOR=2): both grids end their amounts in one column and frame the
// focused cell; the result values stand on their captions' baselines.
#include "ui/mainwindowkit.h"
#include "ui/output/Fap_DetMore.h"

#include <QImage>
#include <algorithm>

using namespace fapkalk;

namespace {

// The first and last device-pixel column (or row) of the box that holds ink,
// i.e. pixels far from the colour at its top-left corner.
std::pair<int, int> Ink(const QImage& picture, QRect box, bool columns) {
    const qreal scale = picture.devicePixelRatio();
    box = QRect(box.topLeft() * scale, box.size() * scale);
    const QRgb ground = picture.pixel(box.topLeft());
    std::pair<int, int> ink{-1, -1};
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb c = picture.pixel(x, y);
            if (std::abs(qGray(c) - qGray(ground)) + std::abs(qRed(c) - qRed(ground)) < 60)
                continue;
            const int at = columns ? x : y;
            ink = {ink.first < 0 ? at : std::min(ink.first, at), std::max(ink.second, at)};
        }
    return ink;
}

} // namespace

class TestLook : public QObject {
    Q_OBJECT

private slots:
    void gridAmountsRightAligned_data() {
        QTest::addColumn<bool>("detail");
        QTest::newRow("main window") << false;
        QTest::newRow("detail window") << true;
    }

    void gridAmountsRightAligned() {
        QFETCH(bool, detail);
        TForm1 form(testkit::kNoIni);
        testkit::MainControls ui(form);
        form.show();
        ui.btErweitert->click();
        ui.eFAPBASIS->setText(QStringLiteral("0.5"));
        ui.eBis->setText(QStringLiteral("3000"));
        ui.Edit1->setText(QStringLiteral("999.5"));
        ui.btBerechnen->click(); // 0.50, 1000.00, 1999.50, 2999.00
        TDetMore window;
        window.FillFrom(form.Table());
        window.show();
        QTableView* grid = detail ? window.StringGrid1 : ui.StringGrid1;
        QVERIFY(QTest::qWaitForWindowExposed(grid->window()));
        grid->setFocus();
        grid->selectionModel()->setCurrentIndex(grid->model()->index(1, 1),
                                                QItemSelectionModel::Clear);
        QTRY_VERIFY(grid->hasFocus());
        const QImage picture = grid->viewport()->grab().toImage();
        const auto cell = [grid](int row, int column) {
            return grid->visualRect(grid->model()->index(row, column));
        };
        for (int column = 0; column < 4; ++column) {
            // Inside the focus frame; "0.50" starts later than "1000.00", and
            // all end within a pixel (the digits' side bearings differ).
            QList<std::pair<int, int>> ink;
            for (int row = 0; row < 4; ++row)
                ink << Ink(picture, cell(row, column).adjusted(3, 3, -3, -3), true);
            QVERIFY(ink[0].first > ink[1].first);
            for (const auto& [left, right] : ink)
                QVERIFY2(std::abs(right - ink[0].second) <= 1, qPrintable(QString::number(column)));
        }
        // The focused cell is framed, its neighbour in the row is not.
        const QColor frame = grid->palette().color(QPalette::Text);
        const qreal scale = picture.devicePixelRatio();
        for (const QPoint& edge : {QPoint(1, 7), QPoint(40, 1)}) {
            QCOMPARE(picture.pixelColor((cell(1, 1).topLeft() + edge) * scale), frame);
            QVERIFY(picture.pixelColor((cell(1, 2).topLeft() + edge) * scale) != frame);
        }
    }

    void valuesOnTheirCaptionsLines() {
        TForm1 form(testkit::kNoIni);
        testkit::MainControls ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.eFAPBASIS->setText(QStringLiteral("12.5"));
        ui.btBerechnen->click();
        const QImage picture = ui.PanelEinzel->grab().toImage();
        for (const auto& [caption, value] : {std::pair(ui.Label1, ui.lbFAP),
                                             {ui.Label4, ui.lbAEP},
                                             {ui.Label5, ui.lbKP},
                                             {ui.Label6, ui.lbAVP}}) {
            // The caption's capital and the value's digits end on the baseline,
            // a device pixel apart at most (the layout had KP and AVP 2 and 4 high).
            const QRect capital(caption->pos(), QSize(8, caption->height()));
            const int below = Ink(picture, capital, false).second;
            QVERIFY(std::abs(Ink(picture, value->geometry(), false).second - below) <= 1);
        }
    }
};

QTEST_MAIN(TestLook)
#include "test_look.moc"
