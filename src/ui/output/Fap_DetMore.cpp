#include "ui/output/Fap_DetMore.h"

#include "ui/output/PrintJobs.h"
#include "ui/widgets/ResultGrid.h"

#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

namespace fapkalk {

namespace {

constexpr int kRowHeight = 14;
constexpr int kStartColumnWidth = 60;
// Short enough to drag the window small, tall enough for both bars and a row.
constexpr int kMinimumHeight = kDetailHeaderHeight + kDetailButtonBarHeight + 2 * kRowHeight;

} // namespace

bool DetailCanResize(int& newWidth, int& newHeight) {
    (void)newHeight; // the height is free
    newWidth = kDetailWindowWidth;
    return true;
}

TDetMore::TDetMore(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint) {
    RegisterFontSubstitutions();
    setObjectName(QStringLiteral("DetMore"));
    setSizeGripEnabled(false);

    // ---- Header strip with the column captions.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    const auto captions = AddColumnCaptions(Panel1, (kDetailHeaderHeight - 17) / 2);
    Panel2 = captions[0];
    Panel3 = captions[1];
    Panel4 = captions[2];
    Panel5 = captions[3];

    // ---- The grid: one empty row until the first opening.
    model_ = new ResultGridModel(std::shared_ptr<const RowStore>(), this);
    StringGrid1 = new UniformRowTableView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setModel(model_);
    SetUpResultGridView(StringGrid1);
    for (int column = 0; column < RowStore::kColumns; ++column)
        StringGrid1->setColumnWidth(column, kStartColumnWidth);

    // ---- Bottom bar.
    Panel6 = new QFrame(this);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFrameStyle(QFrame::Panel | QFrame::Raised);
    btExport = new QPushButton(QStringLiteral("E&xport"), Panel6);
    btExport->setObjectName(QStringLiteral("btExport"));
    btExport->setFont(PixelFont(kSansSerif, 11, true));
    btExport->setToolTip(QStringLiteral("Ausgabe auf Textdatei im ASCII oder Excel-Format"));
    BitBtn1 = new QPushButton(QStringLiteral("&Schließen"), Panel6);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    // Printing: the grid's context menu and Ctrl+P on it do the same.
    QMenu* printMenu = AttachTablePrintMenu(StringGrid1, [this] { return table_; });
    btDrucken = new QPushButton(QStringLiteral("&Drucken…"), Panel6);
    btDrucken->setObjectName(QStringLiteral("btDrucken"));
    btPdf = new QPushButton(QStringLiteral("Als &PDF speichern…"), Panel6);
    btPdf->setObjectName(QStringLiteral("btPdf"));
    PlaceControls(*this, kDetMoreLayout);
    connect(btDrucken, &QPushButton::clicked, printMenu->actions().at(0), &QAction::trigger);
    connect(btPdf, &QPushButton::clicked, printMenu->actions().at(1), &QAction::trigger);
    // A window, not a dialog: Enter presses no button but the focused one's
    // Space does, as everywhere else in the program.
    for (QPushButton* button : {btDrucken, btPdf, btExport, BitBtn1}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(btExport, &QPushButton::clicked, this, [this] { btExportClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    // ---- Size: designed 521 x 640; the width rule holds from the start, and
    // the fixed width makes every size change (the user's drag, the window
    // manager, a placement restore) keep it.
    resize(kDetailDesignWidth, kDetailDesignHeight);
    setMinimumHeight(kMinimumHeight);
    setFixedWidth(kDetailWindowWidth);
    Arrange();

    JvFormPlacement1 = std::make_unique<TJvFormPlacement>(this, QStringLiteral("detform"));
}

TDetMore::~TDetMore() {
    // The placement's save at destruction needs the window still whole.
    JvFormPlacement1.reset();
}

void TDetMore::FillFrom(const ResultTable& table) {
    table_ = table;
    // 1. and 3.: the row count and the texts, as one shared snapshot.
    model_->setSnapshot(table.rows);
    // 2. The column widths of the main grid.
    for (int column = 0; column < RowStore::kColumns; ++column)
        StringGrid1->setColumnWidth(column, table.columnWidths[std::size_t(column)]);
    // Nothing of an earlier opening stays: no selection, the first row on top.
    StringGrid1->clearSelection();
    StringGrid1->scrollToTop();
}

void TDetMore::ShowFor(const ResultTable& table) {
    FillFrom(table);
    exec();
}

void TDetMore::setVisible(bool visible) {
    // The placement component moves it afterwards if a stored placement exists.
    if (visible && !isVisible())
        opening_.BeforeShow(*this);
    else if (!visible && isVisible())
        opening_.Hidden(*this);
    QDialog::setVisible(visible);
}

void TDetMore::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) // coming back from minimized is no new showing
        return;
    opening_.Shown(*this, JvFormPlacement1 && JvFormPlacement1->Active &&
                              JvFormPlacement1->PlacementApplied());
    FormShow();
}

void TDetMore::FormShow() {
    setWindowTitle(QStringLiteral("Detail-Ansicht"));
}

bool TDetMore::FormCanResize(int& newWidth, int& newHeight) const {
    return DetailCanResize(newWidth, newHeight);
}

void TDetMore::ResizeWindow(int newWidth, int newHeight) {
    if (!FormCanResize(newWidth, newHeight))
        return;
    resize(newWidth, newHeight);
    // A hidden window gets its resize event only when shown; the bars and the
    // grid follow at once all the same.
    Arrange();
}

void TDetMore::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
    if (width() != kDetailWindowWidth && !widthCorrectionQueued_) {
        // The window system changed the size without asking (some window
        // managers ignore the fixed width): put the rule's width back, keeping
        // the height, once this event has been handled.
        widthCorrectionQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                widthCorrectionQueued_ = false;
                ResizeWindow(width(), height());
            },
            Qt::QueuedConnection);
    }
}

void TDetMore::Arrange() {
    const int w = width();
    const int h = height();
    Panel1->setGeometry(0, 0, w, kDetailHeaderHeight);
    Panel6->setGeometry(0, std::max(kDetailHeaderHeight, h - kDetailButtonBarHeight), w,
                        kDetailButtonBarHeight);
    StringGrid1->setGeometry(0, kDetailHeaderHeight, w,
                             std::max(0, Panel6->y() - kDetailHeaderHeight));
}

void TDetMore::keyPressEvent(QKeyEvent* event) {
    // The window has no cancel button: Esc closes nothing.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDetMore::btExportClick() {
    if (exportAction_)
        exportAction_();
}

void TDetMore::BitBtn1Click() {
    close();
}

} // namespace fapkalk
