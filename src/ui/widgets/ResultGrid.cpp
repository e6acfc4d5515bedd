#include "ui/widgets/ResultGrid.h"

#include "pricing/calc_run.h"

#include <algorithm>

namespace fapkalk {

// ---------------------------------------------------------------- RowStore

RowStore::RowStore() : prices_(CalcOptions{}, kDefaultVatFactor) {}

RowStore::RowStore(const CalcOptions& options, double vatFactor, std::int64_t von, std::int64_t bis,
                   std::int64_t step)
    : prices_(options, vatFactor), von_(von), bis_(bis), step_(step), end_(TableEnd::Aborted) {}

RowCells RowStore::appendRow() {
    const RowCells cells = prices_.Row(nextCents());
    ++rows_;
    return cells;
}

std::string RowStore::endText() const {
    if (isBlank())
        return {};
    return TableEndText(end_, options().AepInput, centsOf(rows_ - 1));
}

std::string RowStore::cellText(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= kColumns)
        return {};
    char text[kShownTextSize];
    return std::string(text, WriteCellText(text, cellsOf(row), column));
}

std::size_t WriteCellText(char* out, const RowCells& cells, int column) {
    if (column == 0 && cells.fapPlaceholder) {
        std::copy(kAepPlaceholderCell.begin(), kAepPlaceholderCell.end(), out);
        return kAepPlaceholderCell.size();
    }
    const ShownPrice* shown[] = {&cells.fap, &cells.aep, &cells.kp, &cells.avp};
    WriteShownText(out, *shown[column]);
    return kShownTextSize;
}

// --------------------------------------------------------- ResultGridModel

ResultGridModel::ResultGridModel(QObject* parent)
    : QAbstractTableModel(parent), store_(std::make_shared<RowStore>()) {}

ResultGridModel::ResultGridModel(std::shared_ptr<const RowStore> snapshot, QObject* parent)
    : QAbstractTableModel(parent), readOnly_(true) {
    // Never written through: a read-only model has no writing path, and the
    // writing path copies any shared store before it changes it.
    store_ = snapshot ? std::const_pointer_cast<RowStore>(std::move(snapshot))
                      : std::make_shared<RowStore>();
    shownRows_ = store_->rowCount();
}

void ResultGridModel::setSnapshot(std::shared_ptr<const RowStore> snapshot) {
    if (!readOnly_)
        return;
    beginResetModel();
    store_ = snapshot ? std::const_pointer_cast<RowStore>(std::move(snapshot))
                      : std::make_shared<RowStore>();
    shownRows_ = store_->rowCount();
    dirtyFrom_ = -1;
    cachedRow_ = -1;
    endResetModel();
}

RowStore& ResultGridModel::writable() {
    // A snapshot keeps the store it was given; the rows go on in a copy.
    if (store_.use_count() > 1)
        store_ = std::make_shared<RowStore>(*store_);
    return *store_;
}

void ResultGridModel::startRun(const CalcOptions& options, double vatFactor, std::int64_t von,
                               std::int64_t bis, std::int64_t step) {
    if (readOnly_)
        return;
    store_ = std::make_shared<RowStore>(options, vatFactor, von, bis, step);
    cachedRow_ = -1;
    dirtyFrom_ = 0; // every row the views show is another one now
}

RowCells ResultGridModel::appendRow() {
    if (readOnly_)
        return {};
    return writable().appendRow();
}

void ResultGridModel::setEnd(TableEnd end) {
    if (!readOnly_)
        writable().setEnd(end);
}

void ResultGridModel::publish() {
    const int rows = store_->rowCount();
    if (rows < shownRows_) {
        // Cutting a long table back (a new range run) is cheaper as a reset than
        // as the removal of a million rows from the views' headers.
        if (shownRows_ - rows > 4096) {
            beginResetModel();
            shownRows_ = rows;
            dirtyFrom_ = -1;
            endResetModel();
            return;
        }
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
    if (dirtyFrom_ >= 0 && dirtyFrom_ < shownRows_)
        emit dataChanged(index(dirtyFrom_, 0), index(shownRows_ - 1, RowStore::kColumns - 1),
                         {Qt::DisplayRole});
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    }
    dirtyFrom_ = -1;
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowStore::kColumns;
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || store_->isBlank())
        return {};
    const int row = index.row();
    if (row >= store_->rowCount())
        return {};
    if (row != cachedRow_) {
        cachedCells_ = store_->cellsOf(row);
        cachedRow_ = row;
    }
    char text[kShownTextSize];
    return QString::fromLatin1(text, qsizetype(WriteCellText(text, cachedCells_, index.column())));
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The grid shows no header (the panels above it carry the captions), but
    // assistive technology names the columns by it.
    static const char* const captions[RowStore::kColumns] = {"FAP", "AEP", "KP", "AVP"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < RowStore::kColumns)
        return QString::fromLatin1(captions[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace fapkalk
