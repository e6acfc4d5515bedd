// The cell texts of the result grid and the Qt models that show them.
//
// A range run writes up to millions of rows of four short price texts. Holding
// them as QStrings in a QTableWidget costs hundreds of bytes per cell, so the
// texts live in a compact store of fixed cells, and the grid is a QTableView
// over a model that reads the store.
//
// The calculation run writes the main window's model; the export dialog and
// the detail window get a snapshot of its store (ResultTable.h):
//
//   grid.rowCountExact();          // rows in the store, always >= 1
//   grid.cellText(row, column);    // ASCII text of one cell, column 0..3
//   auto snap = grid.snapshot();   // shared, immutable copy of all texts (O(1))
//   ResultGridModel view(snap);    // read-only model over a snapshot, e.g. for
//                                  // the detail window's QTableView
//
// A snapshot is cheap because the store is copy-on-write: the main grid keeps
// writing into its own copy of the rows it changes and the snapshot's holder
// keeps seeing the texts as they were when it was taken.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace fapkalk {

class RowStore {
public:
    static constexpr int kColumns = 4;
    // A FormatPrice text is 10 characters; longer texts (prices of ten million
    // euros and more) are kept aside, so the common case stays 44 bytes a row.
    static constexpr int kCellChars = 10;

    RowStore();

    int rowCount() const noexcept { return rows_; }

    // The text of one cell; empty for a cell never written. The view stays valid
    // until this store is changed (a snapshot is never changed).
    std::string_view cellText(int row, int column) const;

    // Changes. Call them only on a store that nobody else shares (the
    // ResultGridModel copies a shared store before it writes). Rows added by
    // setRowCount are empty. setRowCount(0) is allowed here; the grid keeps >= 1.
    void setRowCount(int rows);
    void setCell(int row, int column, std::string_view text);
    void setRow(int row, std::string_view c0, std::string_view c1, std::string_view c2,
                std::string_view c3);
    void clearRow(int row);

    // Bytes held for the cell texts (for tests and measurements).
    std::size_t memoryBytes() const;

private:
    struct Cell {
        std::uint8_t length;
        char text[kCellChars];
    };
    using Row = std::array<Cell, kColumns>;
    static constexpr int kChunkRows = 4096;
    struct Chunk {
        Row rows[kChunkRows];
    };
    static constexpr std::uint8_t kLongText = 0xff;

    Row& writableRow(int row);
    void writeCell(int row, int column, Cell& cell, std::string_view text);
    static std::int64_t longKey(int row, int column) {
        return std::int64_t(row) * kColumns + column;
    }

    // Chunks are shared between copies of a store and copied when written.
    std::vector<std::shared_ptr<Chunk>> chunks_;
    int rows_ = 0;
    std::map<std::int64_t, std::string> longTexts_;
};

// A table model of four columns over a RowStore. The main window's model owns
// its store and writes it (setRowCount, setRow, ...); a model built from a
// snapshot is read-only. The view learns about new or removed rows only in
// publish(), so a long run can write rows fast and show them a few times a
// second; rowCountExact() and cellText() always read the store itself.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The main grid: one empty row.
    explicit ResultGridModel(QObject* parent = nullptr);
    // A read-only view of a snapshot.
    explicit ResultGridModel(std::shared_ptr<const RowStore> snapshot, QObject* parent = nullptr);

    int rowCountExact() const { return store_->rowCount(); }
    std::string_view cellText(int row, int column) const { return store_->cellText(row, column); }
    std::shared_ptr<const RowStore> snapshot() const { return store_; }
    bool isReadOnly() const { return readOnly_; }

    // Shows another snapshot (read-only models only); resets the views.
    void setSnapshot(std::shared_ptr<const RowStore> snapshot);

    // Writing (main grid only). rows is kept >= 1.
    void setRowCount(int rows);
    void setRow(int row, std::string_view c0, std::string_view c1, std::string_view c2,
                std::string_view c3);
    void setCell(int row, int column, std::string_view text);
    void clearRow(int row);

    // Tells the views what changed since the last publish.
    void publish();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    RowStore& writable();
    void markDirty(int row);

    std::shared_ptr<RowStore> store_;
    bool readOnly_ = false;
    int shownRows_ = 1;  // rows the views know about
    int dirtyFrom_ = -1; // lowest row written since the last publish, -1 for none
};

} // namespace fapkalk
