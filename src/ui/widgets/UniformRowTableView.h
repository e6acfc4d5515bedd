// A table view whose rows all have one height, for tables of millions of rows.
//
// QTableView keeps a record per row in its vertical header (about 8 bytes a
// row: 80 MB for ten million rows). This view's vertical header never takes
// the rows: it keeps a model of its own without rows, and only its default
// section size, which is the height of every row. Row r lies at r times that
// height; the view places, paints, hits, scrolls and selects rows by that
// rule, and QTableView still looks after the columns (its horizontal header).
//
//   UniformRowTableView grid;
//   grid.setModel(model);
//   grid.verticalHeader()->setDefaultSectionSize(14); // the row height
//   grid.rowAt(y); grid.rowViewportPosition(row);      // this class's, not QTableView's
//
// The header says nothing when its default section size changes: set it
// before the view is laid out (shown). No spans and no hidden or moved rows.
// QTableView's rowHeight, rowAt, rowViewportPosition and isRowHidden are not
// virtual and read the header, so call them through this class. Positions are
// exact while the rows' total height fits an int (153 million rows of 14
// pixels), as with QTableView.
#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

namespace fapkalk {

class UniformRowTableView : public QTableView {
    Q_OBJECT

public:
    explicit UniformRowTableView(QWidget* parent = nullptr);

    int rowCount() const;
    // The height of every row: the vertical header's default section size.
    int uniformRowHeight() const;
    // As QTableView's, computed from the row height: 0 and -1 outside the rows.
    int rowHeight(int row) const;
    int rowAt(int y) const;
    int rowViewportPosition(int row) const;
    bool isRowHidden(int) const { return false; }

    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    int sizeHintForRow(int row) const override;
    void reset() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    QSize viewportSizeHint() const override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    qint64 contentHeight() const;
    bool scrollsPerRow() const;
    // The vertical offset in pixels that a scroll bar value stands for.
    int offsetFor(int value) const;
    int nextColumn(int column, int step) const;
    void drawCell(QPainter& painter, QStyleOptionViewItem option, const QModelIndex& index) const;

    int offset_ = 0;
    bool inGeometries_ = false;
    QPersistentModelIndex hover_;
};

} // namespace fapkalk
