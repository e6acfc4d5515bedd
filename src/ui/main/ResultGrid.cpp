#include "ui/main/ResultGrid.h"

#include <algorithm>
#include <cstring>

namespace fapkalk {

// ---------------------------------------------------------------- RowStore

RowStore::RowStore() {
    setRowCount(1);
}

std::string_view RowStore::cellText(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= kColumns)
        return {};
    const Cell& cell = chunks_[std::size_t(row / kChunkRows)]->rows[row % kChunkRows][column];
    if (cell.length == kLongText) {
        auto it = longTexts_.find(longKey(row, column));
        return it == longTexts_.end() ? std::string_view() : std::string_view(it->second);
    }
    return {cell.text, cell.length};
}

RowStore::Row& RowStore::writableRow(int row) {
    std::shared_ptr<Chunk>& chunk = chunks_[std::size_t(row / kChunkRows)];
    if (chunk.use_count() > 1)
        chunk = std::make_shared<Chunk>(*chunk);
    return chunk->rows[row % kChunkRows];
}

void RowStore::writeCell(int row, int column, Cell& cell, std::string_view text) {
    if (cell.length == kLongText)
        longTexts_.erase(longKey(row, column));
    if (text.size() > std::size_t(kCellChars)) {
        cell.length = kLongText;
        longTexts_[longKey(row, column)] = std::string(text);
        return;
    }
    cell.length = std::uint8_t(text.size());
    if (!text.empty())
        std::memcpy(cell.text, text.data(), text.size());
}

void RowStore::setCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= kColumns)
        return;
    writeCell(row, column, writableRow(row)[column], text);
}

void RowStore::setRow(int row, std::string_view c0, std::string_view c1, std::string_view c2,
                      std::string_view c3) {
    if (row < 0 || row >= rows_)
        return;
    Row& cells = writableRow(row);
    writeCell(row, 0, cells[0], c0);
    writeCell(row, 1, cells[1], c1);
    writeCell(row, 2, cells[2], c2);
    writeCell(row, 3, cells[3], c3);
}

void RowStore::clearRow(int row) {
    if (row < 0 || row >= rows_)
        return;
    Row& cells = writableRow(row);
    for (int column = 0; column < kColumns; ++column)
        writeCell(row, column, cells[column], {});
}

void RowStore::setRowCount(int rows) {
    rows = std::max(rows, 0);
    if (rows == rows_)
        return;
    const std::size_t chunksNeeded = (std::size_t(rows) + kChunkRows - 1) / kChunkRows;
    if (rows < rows_) {
        longTexts_.erase(longTexts_.lower_bound(longKey(rows, 0)), longTexts_.end());
        chunks_.resize(chunksNeeded);
        rows_ = rows;
        return;
    }
    // Rows between the old count and the end of the last kept chunk may still
    // hold texts from before a shrink; rows added must come up empty.
    const int oldRows = rows_;
    const int keptCapacity =
        int(std::min<std::size_t>(chunks_.size() * kChunkRows, std::size_t(rows)));
    rows_ = rows;
    for (int row = oldRows; row < keptCapacity; ++row) {
        Row& cells = writableRow(row);
        for (Cell& cell : cells)
            cell.length = 0;
    }
    while (chunks_.size() < chunksNeeded)
        chunks_.push_back(std::make_shared<Chunk>());
}

std::size_t RowStore::memoryBytes() const {
    std::size_t bytes = chunks_.capacity() * sizeof(std::shared_ptr<Chunk>);
    bytes += chunks_.size() * sizeof(Chunk);
    for (const auto& [key, text] : longTexts_)
        bytes += sizeof(key) + sizeof(text) + text.capacity() + 32;
    return bytes;
}

// --------------------------------------------------------- ResultGridModel

ResultGridModel::ResultGridModel(QObject* parent)
    : QAbstractTableModel(parent), store_(std::make_shared<RowStore>()) {
    shownRows_ = store_->rowCount();
}

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
    endResetModel();
}

RowStore& ResultGridModel::writable() {
    if (store_.use_count() > 1)
        store_ = std::make_shared<RowStore>(*store_);
    return *store_;
}

void ResultGridModel::markDirty(int row) {
    if (dirtyFrom_ < 0 || row < dirtyFrom_)
        dirtyFrom_ = row;
}

void ResultGridModel::setRowCount(int rows) {
    if (readOnly_)
        return;
    rows = std::max(rows, 1);
    const int oldRows = store_->rowCount();
    if (rows == oldRows)
        return;
    writable().setRowCount(rows);
    markDirty(std::min(oldRows, rows));
}

void ResultGridModel::setRow(int row, std::string_view c0, std::string_view c1, std::string_view c2,
                             std::string_view c3) {
    if (readOnly_ || row < 0 || row >= store_->rowCount())
        return;
    writable().setRow(row, c0, c1, c2, c3);
    markDirty(row);
}

void ResultGridModel::setCell(int row, int column, std::string_view text) {
    if (readOnly_ || row < 0 || row >= store_->rowCount())
        return;
    writable().setCell(row, column, text);
    markDirty(row);
}

void ResultGridModel::clearRow(int row) {
    if (readOnly_ || row < 0 || row >= store_->rowCount())
        return;
    writable().clearRow(row);
    markDirty(row);
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
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const std::string_view text = store_->cellText(index.row(), index.column());
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
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
