#include "ui/widgets/UniformRowTableView.h"

#include <QBitArray>
#include <QEvent>
#include <QHeaderView>
#include <QHoverEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringListModel>
#include <algorithm>
#include <limits>
#include <utility>

namespace fapkalk {

namespace {

// Positions far outside the view stop here, clear of int overflow when a
// row's height or a column's width is added to them.
constexpr qint64 kFarthest = std::numeric_limits<int>::max() - (1 << 16);

int saturate(qint64 value) {
    return int(std::clamp(value, -kFarthest, kFarthest));
}

// A vertical header that never takes the view's rows: it keeps a model of no
// rows whatever the view gives it, so it holds no section per row. Its default
// section size is the view's row height.
class RowlessHeader : public QHeaderView {
public:
    explicit RowlessHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
        QHeaderView::setModel(new QStringListModel(this));
    }
    void setModel(QAbstractItemModel*) override {}
    void setSelectionModel(QItemSelectionModel* selection) override {
        if (selection && selection->model() == model())
            QHeaderView::setSelectionModel(selection);
    }
};

// The visual columns under x = from to x = to: the first and the last where
// an end lies beyond them.
std::pair<int, int> visualColumns(const QHeaderView& columns, int from, int to, bool reverse) {
    int first = columns.visualIndexAt(from);
    int last = columns.visualIndexAt(to);
    if (reverse)
        std::swap(first, last);
    return {first < 0 ? 0 : first, last < 0 ? columns.count() - 1 : last};
}

// A scroll bar's range and value, put back after QTableView has set it for the
// rows of its header, which are none.
struct BarState {
    explicit BarState(const QScrollBar* bar)
        : minimum(bar->minimum()), maximum(bar->maximum()), value(bar->value()) {}
    void restore(QScrollBar* bar) const {
        bar->setRange(minimum, maximum);
        bar->setValue(value);
    }
    int minimum, maximum, value;
};

} // namespace

UniformRowTableView::UniformRowTableView(QWidget* parent) : QTableView(parent) {
    auto* rows = new RowlessHeader(this);
    rows->setSectionsClickable(true);
    rows->setHighlightSections(true);
    setVerticalHeader(rows);
}

int UniformRowTableView::rowCount() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformRowTableView::uniformRowHeight() const {
    return std::max(1, verticalHeader()->defaultSectionSize());
}

int UniformRowTableView::rowHeight(int row) const {
    return row >= 0 && row < rowCount() ? uniformRowHeight() : 0;
}

qint64 UniformRowTableView::contentHeight() const {
    return qint64(rowCount()) * uniformRowHeight();
}

int UniformRowTableView::rowAt(int y) const {
    const qint64 position = qint64(y) + offset_;
    if (position < 0 || position >= contentHeight())
        return -1;
    return int(position / uniformRowHeight());
}

int UniformRowTableView::rowViewportPosition(int row) const {
    if (row < 0 || row >= rowCount())
        return -1;
    return saturate(qint64(row) * uniformRowHeight() - offset_);
}

bool UniformRowTableView::scrollsPerRow() const {
    return verticalScrollMode() == ScrollPerItem;
}

int UniformRowTableView::offsetFor(int value) const {
    if (!scrollsPerRow())
        return value;
    // At the end of its bar the last row stands at the bottom of the view, as
    // QTableView shows it.
    if (value > 0 && value == verticalScrollBar()->maximum())
        return saturate(std::max<qint64>(0, contentHeight() - viewport()->height()));
    return saturate(qint64(value) * uniformRowHeight());
}

int UniformRowTableView::verticalOffset() const {
    return offset_;
}

bool UniformRowTableView::isIndexHidden(const QModelIndex& index) const {
    return isColumnHidden(index.column());
}

int UniformRowTableView::sizeHintForRow(int row) const {
    (void)row;
    return model() ? uniformRowHeight() : -1;
}

QSize UniformRowTableView::viewportSizeHint() const {
    const QHeaderView* rows = verticalHeader();
    const QHeaderView* columns = horizontalHeader();
    return {(rows->isHidden() ? 0 : rows->width()) + columns->length(),
            (columns->isHidden() ? 0 : columns->height()) + saturate(contentHeight())};
}

QRect UniformRowTableView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        isIndexHidden(index))
        return {};
    const int grid = showGrid() ? 1 : 0;
    return {columnViewportPosition(index.column()), rowViewportPosition(index.row()),
            columnWidth(index.column()) - grid, uniformRowHeight() - grid};
}

QModelIndex UniformRowTableView::indexAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    const int column = columnAt(point.x());
    if (row < 0 || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

void UniformRowTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        isColumnHidden(index.column()))
        return;
    QScrollBar* bar = verticalScrollBar();
    {
        // QTableView brings the column into view; what it does to the vertical
        // bar, for a header without rows, is undone before anyone hears of it.
        const QSignalBlocker quiet(bar);
        const int value = bar->value();
        QTableView::scrollTo(index, hint);
        bar->setValue(value);
    }
    const int height = viewport()->height();
    const int rowHeight = uniformRowHeight();
    const int top = rowViewportPosition(index.row());
    if (hint == EnsureVisible) {
        if (top < 0 || rowHeight > height)
            hint = PositionAtTop;
        else if (top + rowHeight > height)
            hint = PositionAtBottom;
    }
    if (hint != EnsureVisible) {
        if (scrollsPerRow()) {
            int first = index.row();
            if (hint != PositionAtTop) {
                // As many rows above it as fit with it in the view (its half).
                const int room = hint == PositionAtCenter ? height / 2 : height;
                first -= std::clamp((room - rowHeight) / rowHeight, 0, first);
            }
            bar->setValue(first);
        } else {
            const qint64 position = qint64(index.row()) * rowHeight;
            qint64 value = position;
            if (hint == PositionAtBottom)
                value = position - height + rowHeight;
            else if (hint == PositionAtCenter)
                value = position - (height - rowHeight) / 2;
            bar->setValue(saturate(value));
        }
    }
    update(index);
}

int UniformRowTableView::nextColumn(int column, int step) const {
    const int columns = model() ? model()->columnCount(rootIndex()) : 0;
    for (column += step; column >= 0 && column < columns; column += step)
        if (!isColumnHidden(column))
            return column;
    return -1;
}

QModelIndex UniformRowTableView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = rowCount();
    const int first = nextColumn(-1, 1);
    const int last = nextColumn(model() ? model()->columnCount(rootIndex()) : 0, -1);
    if (rows == 0 || first < 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, first, rootIndex());
    if (isRightToLeft() && (action == MoveLeft || action == MoveRight))
        action = action == MoveLeft ? MoveRight : MoveLeft;

    int row = current.row();
    int column = current.column();
    switch (action) {
    case MoveUp:
        row = std::max(row - 1, 0);
        break;
    case MoveDown:
        row = std::min(row + 1, rows - 1);
        break;
    case MoveLeft:
    case MovePrevious:
        if (const int left = nextColumn(column, -1); left >= 0) {
            column = left;
        } else if (action == MovePrevious) {
            column = last;
            row = row > 0 ? row - 1 : rows - 1;
        }
        break;
    case MoveRight:
    case MoveNext:
        if (const int right = nextColumn(column, 1); right >= 0) {
            column = right;
        } else if (action == MoveNext) {
            column = first;
            row = row < rows - 1 ? row + 1 : 0;
        }
        break;
    case MoveHome:
        column = first;
        if (modifiers & Qt::ControlModifier)
            row = 0;
        break;
    case MoveEnd:
        column = last;
        if (modifiers & Qt::ControlModifier)
            row = rows - 1;
        break;
    case MovePageUp:
        // The row a view's height above, in the same column; the first at most.
        row = std::max(rowAt(visualRect(current).bottom() - viewport()->height()), 0);
        column = current.column();
        break;
    case MovePageDown:
        row = rowAt(visualRect(current).top() + viewport()->height());
        if (row < 0)
            row = rows - 1;
        column = current.column();
        break;
    }
    return model()->index(row, column, rootIndex());
}

void UniformRowTableView::setSelection(const QRect& rect,
                                       QItemSelectionModel::SelectionFlags command) {
    const int left = std::min(rect.left(), rect.right());
    const int right = std::max(rect.left(), rect.right());
    const bool reverse = isRightToLeft();
    const QModelIndex topLeft =
        indexAt(QPoint(reverse ? right : left, std::min(rect.top(), rect.bottom())));
    const QModelIndex bottomRight =
        indexAt(QPoint(reverse ? left : right, std::max(rect.top(), rect.bottom())));
    if (!selectionModel() || !topLeft.isValid() || !bottomRight.isValid() ||
        !(model()->flags(topLeft) & Qt::ItemIsEnabled) ||
        !(model()->flags(bottomRight) & Qt::ItemIsEnabled))
        return;
    QItemSelection selection;
    const QItemSelectionRange range(topLeft, bottomRight);
    if (!range.isEmpty())
        selection.append(range);
    selectionModel()->select(selection, command);
}

QRegion UniformRowTableView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect view = viewport()->rect();
    const int grid = showGrid() ? 1 : 0;
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || !range.isValid())
            continue;
        const int top = rowViewportPosition(range.top());
        const int bottom = rowViewportPosition(range.bottom()) + rowHeight(range.bottom());
        int left = columnViewportPosition(range.left());
        int right = columnViewportPosition(range.right()) + columnWidth(range.right());
        if (isRightToLeft()) {
            left = columnViewportPosition(range.right());
            right = columnViewportPosition(range.left()) + columnWidth(range.left());
        }
        const QRect rect(QPoint(left, top), QPoint(right - 1 - grid, bottom - 1 - grid));
        if (view.intersects(rect))
            region += rect;
    }
    return region;
}

void UniformRowTableView::scrollContentsBy(int dx, int dy) {
    (void)dy; // the bar's value says where the rows stand
    // The columns are QTableView's; it also ends an automatic scroll.
    QTableView::scrollContentsBy(dx, 0);
    const int offset = offsetFor(verticalScrollBar()->value());
    const int step = offset_ - offset;
    offset_ = offset;
    if (step == 0)
        return;
    viewport()->scroll(0, step);
    // The top grid line is drawn on the first row shown: the row it was drawn
    // on has moved down and is redrawn without it.
    if (showGrid() && step > 0 && horizontalHeader()->isHidden())
        viewport()->update(0, step, viewport()->width(), step);
}

void UniformRowTableView::updateGeometries() {
    if (inGeometries_)
        return;
    inGeometries_ = true;
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    {
        // QTableView places the headers and the viewport. It also sets both
        // bars, believing there are no rows; they are set below, and until then
        // keep what they had without telling anyone.
        const QSignalBlocker quietAcross(across);
        const QSignalBlocker quietDown(down);
        const BarState acrossBefore(across);
        const BarState downBefore(down);
        QTableView::updateGeometries();
        acrossBefore.restore(across);
        downBefore.restore(down);
    }

    // Without scroll bars if everything fits without them.
    QHeaderView* columns = horizontalHeader();
    QSize size = viewport()->size();
    const QSize most = maximumViewportSize();
    if (most.width() >= columns->length() && most.height() >= contentHeight())
        size = most;

    int columnsInView = 0;
    for (int width = 0, visual = columns->count() - 1; visual >= 0; --visual) {
        const int column = columns->logicalIndex(visual);
        if (columns->isSectionHidden(column))
            continue;
        width += columns->sectionSize(column);
        if (width > size.width())
            break;
        ++columnsInView;
    }
    columnsInView = std::max(columnsInView, 1);
    if (horizontalScrollMode() == ScrollPerItem) {
        across->setRange(0, columns->count() - columns->hiddenSectionCount() - columnsInView);
        across->setPageStep(columnsInView);
        across->setSingleStep(1);
    } else {
        across->setPageStep(size.width());
        across->setRange(0, columns->length() - size.width());
        across->setSingleStep(std::max(size.width() / (columnsInView + 1), 2));
    }

    const int rowHeight = uniformRowHeight();
    const int rowsInView = std::clamp(size.height() / rowHeight, 1, std::max(rowCount(), 1));
    if (scrollsPerRow()) {
        down->setRange(0, std::max(rowCount() - rowsInView, 0));
        down->setPageStep(rowsInView);
        down->setSingleStep(1);
    } else {
        down->setPageStep(size.height());
        down->setRange(0, saturate(contentHeight() - size.height()));
        down->setSingleStep(std::max(size.height() / (rowsInView + 1), 2));
    }

    // The offsets as the bars say, also where a bar kept its value but not its
    // meaning (its end moved away with new rows).
    const int columnOffset = columns->offset();
    if (horizontalScrollMode() == ScrollPerItem && across->maximum() > 0 &&
        across->value() == across->maximum())
        columns->setOffsetToLastSection();
    else if (horizontalScrollMode() == ScrollPerItem)
        columns->setOffsetToSectionPosition(across->value());
    else
        columns->setOffset(across->value());
    const int offset = offsetFor(down->value());
    if (offset != offset_ || columns->offset() != columnOffset) {
        offset_ = offset;
        viewport()->update();
    }
    inGeometries_ = false;
}

void UniformRowTableView::reset() {
    QTableView::reset();
    scheduleDelayedItemsLayout();
}

void UniformRowTableView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QTableView::rowsInserted(parent, start, end);
    if (parent == rootIndex())
        scheduleDelayedItemsLayout();
}

void UniformRowTableView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QTableView::rowsAboutToBeRemoved(parent, start, end);
    if (parent == rootIndex())
        scheduleDelayedItemsLayout(); // runs once they are gone
}

bool UniformRowTableView::viewportEvent(QEvent* event) {
    // The cell under the mouse, for the style (QTableView keeps its own privately).
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hover_ = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        hover_ = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

void UniformRowTableView::drawCell(QPainter& painter, QStyleOptionViewItem option,
                                   const QModelIndex& index) const {
    if (selectionModel() && selectionModel()->isSelected(index))
        option.state |= QStyle::State_Selected;
    if (hover_ == index)
        option.state |= QStyle::State_MouseOver;
    if (option.state & QStyle::State_Enabled) {
        QPalette::ColorGroup group = QPalette::Normal;
        if (!(model()->flags(index) & Qt::ItemIsEnabled)) {
            option.state &= ~QStyle::State_Enabled;
            group = QPalette::Disabled;
        }
        option.palette.setCurrentColorGroup(group);
    }
    if (index == currentIndex() && (hasFocus() || viewport()->hasFocus()))
        option.state |= QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
    itemDelegateForIndex(index)->paint(&painter, option, index);
}

void UniformRowTableView::paintEvent(QPaintEvent* event) {
    // QTableView's painting, with the rows found by their height.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const bool grid = showGrid();
    const int gridSize = grid ? 1 : 0;
    const QPen gridPen(QColor::fromRgba(static_cast<QRgb>(
                           style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this))),
                       1, gridStyle());
    const QHeaderView* columns = horizontalHeader();
    const bool reverse = isRightToLeft();
    const bool alternate = alternatingRowColors();
    QPainter painter(viewport());

    const int rows = rowCount();
    const int firstRow = rowAt(0);
    if (columns->count() == 0 || rows == 0 || firstRow < 0 || !itemDelegate())
        return;
    const int rowHeight = uniformRowHeight();
    const int right = columns->length() - columns->offset() - (reverse ? 0 : 1);
    const int bottom = saturate(contentHeight() - offset_ - 1);
    int lastRow = rowAt(viewport()->height());
    if (lastRow < 0)
        lastRow = rows - 1;
    const auto [firstColumn, lastColumn] = visualColumns(*columns, 0, columns->width(), reverse);
    const int across = lastColumn - firstColumn + 1;
    // A cell in two of the region's rectangles is drawn once.
    QBitArray drawn((lastRow - firstRow + 1) * across);

    for (QRect dirty : event->region()) {
        dirty.setBottom(std::min(dirty.bottom(), bottom));
        if (reverse)
            dirty.setLeft(std::max(dirty.left(), viewport()->width() - right));
        else
            dirty.setRight(std::min(dirty.right(), right));
        if (!dirty.isValid())
            continue;
        const auto [left, rightmost] =
            visualColumns(*columns, dirty.left(), dirty.right(), reverse);
        const int top = rowAt(dirty.top());
        int end = rowAt(dirty.bottom());
        if (end < 0)
            end = rows - 1;
        if (top < 0 || top > end)
            continue;

        bool alternateBase = alternate && (top & 1);
        for (int row = top; row <= end; ++row) {
            const int y = rowViewportPosition(row);
            for (int visual = left; visual <= rightmost; ++visual) {
                const qsizetype bit = qsizetype(row - firstRow) * across + visual - firstColumn;
                if (bit < 0 || bit >= drawn.size() || drawn.testBit(bit))
                    continue;
                drawn.setBit(bit);
                const int column = columns->logicalIndex(visual);
                if (columns->isSectionHidden(column))
                    continue;
                const QModelIndex index = model()->index(row, column, rootIndex());
                if (!index.isValid())
                    continue;
                option.rect = QRect(columnViewportPosition(column) + (grid && reverse ? 1 : 0), y,
                                    columnWidth(column) - gridSize, rowHeight - gridSize);
                option.features.setFlag(QStyleOptionViewItem::Alternate, alternateBase);
                drawCell(painter, option, index);
            }
            alternateBase = !alternateBase && alternate;
        }
        if (!grid)
            continue;

        const QPen pen = painter.pen();
        painter.setPen(gridPen);
        for (int row = top; row <= end; ++row) {
            const int y = rowViewportPosition(row) + rowHeight - gridSize;
            painter.drawLine(QLineF(dirty.left(), y, dirty.right(), y).translated(0.5, 0.5));
        }
        for (int visual = left; visual <= rightmost; ++visual) {
            const int column = columns->logicalIndex(visual);
            if (columns->isSectionHidden(column))
                continue;
            int x = columnViewportPosition(column);
            if (!reverse)
                x += columnWidth(column) - gridSize;
            painter.drawLine(QLineF(x, dirty.top(), x, dirty.bottom()).translated(0.5, 0.5));
        }
        // Some styles close the grid at the top and left where no header does.
        if (style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this)) {
            if (columns->isHidden() && rowViewportPosition(top) == dirty.top())
                painter.drawLine(dirty.left(), dirty.top(), dirty.right(), dirty.top());
            const int column = columns->logicalIndex(left);
            if (verticalHeader()->isHidden() && !columns->isSectionHidden(column)) {
                const int x =
                    columnViewportPosition(column) + (reverse ? columnWidth(column) - 1 : 0);
                if (x == (reverse ? dirty.right() : dirty.left()))
                    painter.drawLine(x, dirty.top(), x, dirty.bottom());
            }
        }
        painter.setPen(pen);
    }
}

} // namespace fapkalk
