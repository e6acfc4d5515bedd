// The rows of the result grid and the Qt models that show them.
//
// A range run writes up to ten million rows. The grid keeps what it needs to
// produce them, not their texts: the switches and the VAT factor of the run,
// the step, and every kRowsPerMark-th price of the running sum. Any other
// row's price is the running sum taken on from the mark before it, the same
// additions the run made, and a row's cells are computed when they are asked
// for (PriceRows, pricing/price_rows.h), as the run computed them. A row costs
// a quarter of a byte; the texts are exactly the FormatPrice texts.
//
//   RowStore store;                        // one empty row: the grid before any run
//   RowStore run(options, vat, von, step); // the rows of a run, none yet
//   run.nextPrice();                       // the price of the row appendRow adds
//   run.appendRow();                       // computes it and adds it
//   run.cellText(row, column);             // the text a cell shows
//   run.forEachRow(first, last, f);        // f(const RowCells&) for rows in order
//
// The calculation run writes the main window's model; the export dialog and
// the detail window get a snapshot of its store (ResultTable.h), which later
// rows do not change: the model copies a store it shares before it writes.
#pragma once

#include "pricing/price_rows.h"

#include <QAbstractTableModel>
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace fapkalk {

class RowStore {
public:
    static constexpr int kColumns = 4;
    // One price in this many rows is kept; reading a row adds the step at most
    // kRowsPerMark - 1 times.
    static constexpr int kRowsPerMark = 32;

    // One empty row, as the grid shows before any run.
    RowStore();
    // The rows of a run from von by step, with these switches and this VAT
    // factor throughout. No row yet: it shows one empty row until the first.
    RowStore(const CalcOptions& options, double vatFactor, double von, double step);

    // At least 1: a store without rows shows one empty row.
    int rowCount() const noexcept { return rows_ > 0 ? rows_ : 1; }
    // True for the one empty row of a store without rows.
    bool isBlank() const noexcept { return rows_ == 0; }

    // The running sum's next price: von, then the price before plus step.
    double nextPrice() const noexcept { return next_; }
    // Computes the row of nextPrice() and adds it; the running sum moves on by
    // the step. Throws what PriceRows::Row throws (FloatError, AmountTooLarge)
    // and then adds nothing. A row the engine refuses (price 0) is added with
    // its zeros; the cells say so (refusal).
    RowCells appendRow();

    // The price and the cells of row 0 .. rowCount() - 1 of a store with rows.
    // Every row held was computed once by appendRow, so they cannot fail.
    double priceOf(int row) const;
    RowCells cellsOf(int row) const;

    // The text of one cell: a FormatPrice text, the AEP placeholder in column
    // 0, or empty (the empty row, a row or column outside the table).
    std::string cellText(int row, int column) const;

    // Calls f(const RowCells&) for the rows first to last (inclusive, within
    // the table, store with rows), in order, while f returns true; cheaper
    // than cellsOf row by row. Returns false when f stopped it.
    template <class F> bool forEachRow(int first, int last, F&& f) const {
        double price = priceOf(first);
        for (int row = first; row <= last; ++row) {
            if (!f(prices_.Row(price)))
                return false;
            price += step_;
        }
        return true;
    }

    // Bytes held for the rows (for tests and measurements).
    std::size_t memoryBytes() const;

private:
    static constexpr int kMarksPerChunk = 4096;
    struct Chunk {
        std::array<double, kMarksPerChunk> marks;
    };

    PriceRows prices_;
    double step_ = 0;
    double next_ = 0;
    int rows_ = 0;
    // Chunks are shared between copies of a store and copied when written.
    std::vector<std::shared_ptr<Chunk>> chunks_;
};

// The text a cell of a row shows, written to out (kShownTextSize characters
// at most); returns its length. Column 0 of an AEP row is the placeholder.
std::size_t WriteCellText(char* out, const RowCells& cells, int column);

// A table model of four columns over a RowStore. The main window's model owns
// its store and writes it (startRun, appendRow); a model built from a snapshot
// is read-only. The views learn about new rows only in publish(), so a long
// run can add rows fast and show them a few times a second; rowCountExact()
// and cellText() always read the store itself.
class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The main grid: one empty row.
    explicit ResultGridModel(QObject* parent = nullptr);
    // A read-only view of a snapshot.
    explicit ResultGridModel(std::shared_ptr<const RowStore> snapshot, QObject* parent = nullptr);

    int rowCountExact() const { return store_->rowCount(); }
    std::string cellText(int row, int column) const { return store_->cellText(row, column); }
    std::shared_ptr<const RowStore> snapshot() const { return store_; }
    bool isReadOnly() const { return readOnly_; }

    // Shows another snapshot (read-only models only); resets the views.
    void setSnapshot(std::shared_ptr<const RowStore> snapshot);

    // Writing (main grid only). startRun replaces the rows by a run's store
    // without rows (one empty row); appendRow and nextPrice as RowStore's.
    void startRun(const CalcOptions& options, double vatFactor, double von, double step);
    double nextPrice() const { return store_->nextPrice(); }
    RowCells appendRow();

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

    std::shared_ptr<RowStore> store_;
    bool readOnly_ = false;
    int shownRows_ = 1;  // rows the views know about
    int dirtyFrom_ = -1; // lowest row rewritten since the last publish, -1 for none
    // The row data() computed last: a view asks for its four cells in turn.
    mutable int cachedRow_ = -1;
    mutable RowCells cachedCells_;
};

} // namespace fapkalk
