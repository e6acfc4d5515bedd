#include "ui/dialogs/FAP_Verlauf.h"

#include "pricing/price_rows.h"
#include "pricing/price_text.h"
#include "tools/messages.h"
#include "ui/widgets/ResultCopy.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace fapkalk {

namespace {

enum Column { Moment, Input, Switches, Vat, Fap, Aep, Kp, Avp, kColumnCount };

// The book's index of a row's entry, kept in its first cell.
constexpr int kIndexRole = Qt::UserRole;
// What a column sorts by: the number behind the text.
constexpr int kSortRole = Qt::UserRole + 1;

class SortItem : public QTableWidgetItem {
public:
    SortItem(const QString& text, qint64 key) : QTableWidgetItem(text) {
        setData(kSortRole, key);
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(kSortRole), theirs = other.data(kSortRole);
        if (mine.userType() == QMetaType::QString)
            return mine.toString().localeAwareCompare(theirs.toString()) < 0;
        return mine.toLongLong() < theirs.toLongLong();
    }
};

QString Amount(std::int64_t cents) {
    return QString::fromStdString(AmountText(cents));
}

} // namespace

RowCells CellsOfEntry(const history::HistoryEntry& e) {
    const auto shown = [](std::int64_t cents) {
        return ShownPrice{static_cast<std::uint64_t>(cents), false};
    };
    RowCells cells;
    cells.fapPlaceholder = e.options.AepInput;
    cells.fap = shown(e.fapCents);
    cells.aep = shown(e.aepCents);
    cells.kp = shown(e.kpCents);
    cells.avp = shown(e.avpCents);
    return cells;
}

QString SwitchesText(const CalcOptions& o) {
    QStringList on;
    if (o.Homeopathic)
        on << QStringLiteral("Homöopathisch");
    if (o.Narcotic)
        on << QStringLiteral("Suchtgift");
    if (o.Veterinary)
        on << QStringLiteral("Veterinär");
    if (o.NotReimbursable)
        on << QStringLiteral("(*) nicht kassenzulässig");
    return on.isEmpty() ? QStringLiteral("–") : on.join(QStringLiteral(", "));
}

TdlgFAP_Verlauf::TdlgFAP_Verlauf(history::HistoryBook& book,
                                 std::function<void(const history::HistoryEntry&)> recalculate,
                                 QWidget* parent)
    : QDialog(parent), book_(book), recalculate_(std::move(recalculate)) {
    setObjectName(QStringLiteral("dlgFAP_Verlauf"));
    setWindowTitle(QStringLiteral("Verlauf"));
    resize(640, 420);

    tbVerlauf = new QTableWidget(0, kColumnCount, this);
    tbVerlauf->setObjectName(QStringLiteral("tbVerlauf"));
    tbVerlauf->setAccessibleName(QStringLiteral("Verlauf der Berechnungen"));
    tbVerlauf->setHorizontalHeaderLabels({QStringLiteral("Zeitpunkt"), QStringLiteral("Eingabe"),
                                          QStringLiteral("Schalter"), QStringLiteral("USt."),
                                          QStringLiteral("FAP"), QStringLiteral("AEP"),
                                          QStringLiteral("KP"), QStringLiteral("AVP")});
    tbVerlauf->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbVerlauf->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tbVerlauf->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbVerlauf->setTabKeyNavigation(false);
    tbVerlauf->verticalHeader()->hide();
    tbVerlauf->horizontalHeader()->setStretchLastSection(true);
    tbVerlauf->setSortingEnabled(true);
    tbVerlauf->sortByColumn(Moment, Qt::DescendingOrder);
    tbVerlauf->installEventFilter(this);
    connect(tbVerlauf, &QTableWidget::itemSelectionChanged, this, &TdlgFAP_Verlauf::UpdateButtons);
    connect(tbVerlauf, &QTableWidget::cellDoubleClicked, this, &TdlgFAP_Verlauf::btNeuClick);

    lbAnzahl = new QLabel(this);
    lbAnzahl->setObjectName(QStringLiteral("lbAnzahl"));

    const auto button = [this](const char* text, const char* name,
                               void (TdlgFAP_Verlauf::*click)()) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    btKopieren = button("&Kopieren", "btKopieren", &TdlgFAP_Verlauf::btKopierenClick);
    btNeu = button("&Neu berechnen", "btNeu", &TdlgFAP_Verlauf::btNeuClick);
    btEntfernen = button("&Entfernen", "btEntfernen", &TdlgFAP_Verlauf::btEntfernenClick);
    btLeeren = button("&Liste leeren", "btLeeren", &TdlgFAP_Verlauf::btLeerenClick);
    btSchliessen = new QPushButton(QStringLiteral("&Schließen"), this);
    btSchliessen->setObjectName(QStringLiteral("btSchliessen"));
    btSchliessen->setAutoDefault(false);
    connect(btSchliessen, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btKopieren, btNeu, btEntfernen, btLeeren})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btSchliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbVerlauf);
    layout->addWidget(lbAnzahl);
    layout->addLayout(buttons);
}

void TdlgFAP_Verlauf::Open() {
    Refill();
    tbVerlauf->setFocus();
    if (tbVerlauf->rowCount() > 0)
        tbVerlauf->selectRow(0);
    exec();
}

void TdlgFAP_Verlauf::Refill() {
    const auto& entries = book_.Entries();
    tbVerlauf->setSortingEnabled(false);
    tbVerlauf->clearContents();
    tbVerlauf->setRowCount(int(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const history::HistoryEntry& e = entries[i];
        const int row = int(i);
        const QString moment = QDateTime::fromSecsSinceEpoch(e.moment).toLocalTime().toString(
            QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        auto* first = new SortItem(moment, e.moment);
        first->setData(kIndexRole, qulonglong(i));
        tbVerlauf->setItem(row, Moment, first);
        const QString basis = e.options.AepInput ? QStringLiteral("AEP ") : QStringLiteral("FAP ");
        tbVerlauf->setItem(row, Input, new SortItem(basis + Amount(e.inputCents), e.inputCents));
        auto* switches = new SortItem(SwitchesText(e.options), 0);
        switches->setData(kSortRole, switches->text());
        tbVerlauf->setItem(row, Switches, switches);
        tbVerlauf->setItem(row, Vat,
                           new SortItem(QStringLiteral("%1 %").arg(e.vatRate), e.vatRate));
        tbVerlauf->setItem(row, Fap,
                           new SortItem(e.options.AepInput ? QString() : Amount(e.fapCents),
                                        e.options.AepInput ? -1 : e.fapCents));
        tbVerlauf->setItem(row, Aep, new SortItem(Amount(e.aepCents), e.aepCents));
        tbVerlauf->setItem(row, Kp, new SortItem(Amount(e.kpCents), e.kpCents));
        tbVerlauf->setItem(row, Avp, new SortItem(Amount(e.avpCents), e.avpCents));
        for (int column = Vat; column < kColumnCount; ++column)
            tbVerlauf->item(row, column)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    tbVerlauf->setSortingEnabled(true);
    tbVerlauf->resizeColumnsToContents();
    lbAnzahl->setText(
        (entries.size() == 1 ? QStringLiteral("1 Eintrag")
                             : QStringLiteral("%1 Einträge").arg(entries.size())) +
        (book_.OnDisk() ? QStringLiteral(", gespeichert in ") + QString::fromStdString(book_.Path())
                        : QStringLiteral(", nur für diesen Programmlauf")));
    UpdateButtons();
}

std::vector<std::size_t> TdlgFAP_Verlauf::SelectedEntries() const {
    std::vector<std::size_t> indexes;
    for (int row = 0; row < tbVerlauf->rowCount(); ++row) {
        QTableWidgetItem* item = tbVerlauf->item(row, Moment);
        if (item != nullptr && item->isSelected())
            indexes.push_back(std::size_t(item->data(kIndexRole).toULongLong()));
    }
    return indexes;
}

void TdlgFAP_Verlauf::UpdateButtons() {
    const bool any = !SelectedEntries().empty();
    btKopieren->setEnabled(any);
    btNeu->setEnabled(SelectedEntries().size() == 1);
    btEntfernen->setEnabled(any);
    btLeeren->setEnabled(tbVerlauf->rowCount() > 0);
}

void TdlgFAP_Verlauf::Report(const std::string& message) {
    if (!message.empty())
        tools::ShowError(this, QString::fromStdString(message));
}

void TdlgFAP_Verlauf::btKopierenClick() {
    const std::vector<std::size_t> indexes = SelectedEntries();
    if (indexes.empty())
        return;
    if (indexes.size() == 1) {
        CopyPrices(CellsOfEntry(book_.Entries()[indexes.front()]));
        return;
    }
    // Several entries: one spreadsheet row and one text line each, in the
    // table's order.
    QString text;
    QByteArray rows;
    for (std::size_t index : indexes) {
        const RowCells cells = CellsOfEntry(book_.Entries()[index]);
        text += QString::fromStdString(PricesTextLine(cells)) + u'\n';
        rows += QByteArray::fromStdString(PricesSpreadsheetRow(cells));
    }
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(kTsvMimeType), rows);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(data);
    else
        delete data;
}

void TdlgFAP_Verlauf::btNeuClick() {
    const std::vector<std::size_t> indexes = SelectedEntries();
    if (indexes.size() != 1)
        return;
    const history::HistoryEntry entry = book_.Entries()[indexes.front()];
    accept();
    recalculate_(entry);
}

void TdlgFAP_Verlauf::btEntfernenClick() {
    const std::vector<std::size_t> indexes = SelectedEntries();
    if (indexes.empty())
        return;
    int row = tbVerlauf->currentRow();
    Report(book_.Remove(indexes));
    Refill();
    row = std::min(row, tbVerlauf->rowCount() - 1);
    if (row >= 0)
        tbVerlauf->selectRow(row);
}

void TdlgFAP_Verlauf::btLeerenClick() {
    if (tbVerlauf->rowCount() == 0)
        return;
    if (tools::AskConfirmation(this, QStringLiteral("Den ganzen Verlauf löschen?")) !=
        tools::MessageAnswer::Yes)
        return;
    Report(book_.Clear());
    Refill();
}

bool TdlgFAP_Verlauf::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tbVerlauf && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy)) {
            btKopierenClick();
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            btEntfernenClick();
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btNeuClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace fapkalk
