// The history window ("Verlauf"): the single calculations of the history
// book, newest first, in a table that sorts by any column (a click on its
// header). An entry can be copied (as the result panel copies its prices),
// calculated again (the main window takes its input, switches and VAT rate
// and computes) or removed; the whole list can be cleared.
//
// The window holds no entries of its own: it shows the book as it stands
// whenever it opens or the book changes through it.
#pragma once

#include "settings/history_file.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace fapkalk {

struct RowCells;

// The four prices of an entry as a result row (for copying).
RowCells CellsOfEntry(const history::HistoryEntry& entry);

// "Homöopathisch, Suchtgift", "–" for none.
QString SwitchesText(const CalcOptions& options);

class TdlgFAP_Verlauf : public QDialog {
    Q_OBJECT

public:
    // recalculate: the main window takes the entry and computes; report: shows
    // a message of the book (a failed save) through the message seam.
    TdlgFAP_Verlauf(history::HistoryBook& book,
                    std::function<void(const history::HistoryEntry&)> recalculate,
                    QWidget* parent = nullptr);

    // Fills the table from the book and shows the window modally.
    void Open();
    // Fills the table from the book again (sorted as the user left it).
    void Refill();

    // ---- Handlers (buttons, Enter, Del).
    void btKopierenClick();
    void btNeuClick();
    void btEntfernenClick();
    void btLeerenClick();

    // ---- Controls.
    QTableWidget* tbVerlauf = nullptr;
    QLabel* lbAnzahl = nullptr; // how many entries, and where they are kept
    QPushButton* btKopieren = nullptr;
    QPushButton* btNeu = nullptr;
    QPushButton* btEntfernen = nullptr;
    QPushButton* btLeeren = nullptr;
    QPushButton* btSchliessen = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The book's indexes of the selected rows, in the table's order.
    std::vector<std::size_t> SelectedEntries() const;
    void Report(const std::string& message);
    void UpdateButtons();

    history::HistoryBook& book_;
    std::function<void(const history::HistoryEntry&)> recalculate_;
};

} // namespace fapkalk
