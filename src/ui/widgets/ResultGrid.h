// The rows of the result grid and the Qt models that show them.
//
// A range run writes up to ten million rows. The grid keeps what it needs to
// produce them, not their texts: the switches and the VAT factor of the run,
// Von, Bis and the step in cents, and how many rows the run has written.
// Row i holds the price Von + i * step, exact in whole cents, and its cells
// are computed when they are asked for (PriceRows, pricing/price_rows.h), as
// the run computed them. The texts are exactly the FormatPrice texts.
//
//   RowStore store;                            // one empty row: the grid before any run
//   RowStore run(options, vat, von, bis, step); // the rows of a run, none yet
//   run.nextCents();                           // the price of the row appendRow adds
//   run.appendRow();                           // computes it and adds it
//   run.cellText(row, column);                 // the text a cell shows
//   run.forEachRow(first, last, f);            // f(const RowCells&) for rows in order
//
// The calculation run writes the main window's model; the export dialog and
// the detail window get a snapshot of its store (ResultTable.h), which later
// rows do not change: the model copies a store it shares before it writes.
#pragma once

#include "pricing/calc_run.h"
#include "pricing/price_rows.h"

#include <QAbstractTableModel>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fapkalk {

class RowStore {
public:
    static constexpr int kColumns = 4;

    // One empty row, as the grid shows before any run.
    RowStore();
    // The rows of a run from von up to bis by step (cents), with these
    // switches and this VAT factor throughout. No row yet: it shows one empty
    // row until the first. Until the run says how it ended, the table counts
    // as ended by Abbruch where it stands.
    RowStore(const CalcOptions& options, double vatFactor, std::int64_t von, std::int64_t bis,
             std::int64_t step);

    // At least 1: a store without rows shows one empty row.
    int rowCount() const noexcept { return rows_ > 0 ? rows_ : 1; }
    // True for the one empty row of a store without rows.
    bool isBlank() const noexcept { return rows_ == 0; }

    // The price of the next row, in cents: Von + rows * step.
    std::int64_t nextCents() const noexcept { return centsOf(rows_); }
    // True while the next row's price does not exceed Bis.
    bool hasNext() const noexcept { return nextCents() <= bis_; }
    // Computes the row of nextCents() and adds it. Throws what PriceRows::Row
    // throws (FloatError, AmountTooLarge) and then adds nothing. A row the
    // engine refuses (price 0) is added with its zeros; the cells say so
    // (refusal).
    RowCells appendRow();

    // How the run ended, and what it says then (TableEndText).
    void setEnd(TableEnd end) noexcept { end_ = end; }
    TableEnd end() const noexcept { return end_; }
    std::string endText() const;
    const CalcOptions& options() const noexcept { return prices_.Options(); }
    double vatFactor() const noexcept { return prices_.VatFactor(); }

    // The price in cents and the cells of row 0 .. rowCount() - 1 of a store
    // with rows. Every row held was computed once by appendRow, so they
    // cannot fail.
    std::int64_t centsOf(int row) const noexcept {
        return RangeRowCents(von_, step_, static_cast<std::uint64_t>(row));
    }
    RowCells cellsOf(int row) const { return prices_.Row(centsOf(row)); }

    // The text of one cell: a FormatPrice text, the AEP placeholder in column
    // 0, or empty (the empty row, a row or column outside the table).
    std::string cellText(int row, int column) const;

    // Calls f(const RowCells&) for the rows first to last (inclusive, within
    // the table, store with rows), in order, while f returns true. Returns
    // false when f stopped it.
    template <class F> bool forEachRow(int first, int last, F&& f) const {
        for (int row = first; row <= last; ++row)
            if (!f(cellsOf(row)))
                return false;
        return true;
    }

private:
    PriceRows prices_;
    std::int64_t von_ = 0;
    std::int64_t bis_ = 0;
    std::int64_t step_ = 0;
    int rows_ = 0;
    TableEnd end_ = TableEnd::Complete;
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
    // without rows (one empty row); hasNext, nextCents, appendRow and setEnd
    // as RowStore's.
    void startRun(const CalcOptions& options, double vatFactor, std::int64_t von, std::int64_t bis,
                  std::int64_t step);
    bool hasNext() const { return store_->hasNext(); }
    std::int64_t nextCents() const { return store_->nextCents(); }
    RowCells appendRow();
    void setEnd(TableEnd end);

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
