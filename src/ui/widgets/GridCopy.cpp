#include "ui/widgets/GridCopy.h"

#include "pricing/export_lines.h"
#include "ui/widgets/ResultGrid.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>

namespace fapkalk {

namespace {

class GridCopyFilter : public QObject {
public:
    explicit GridCopyFilter(QTableView* grid) : QObject(grid), grid_(grid) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != grid_)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Ctrl+C belongs to the grid even if the window has a shortcut for it.
            if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
                event->accept();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
                CopySelectedRows(grid_);
                return true; // not the view's copy of the current cell
            }
        }
        return false;
    }

private:
    QTableView* grid_;
};

} // namespace

std::vector<RowSpan> NormalizedRowSpans(std::vector<RowSpan> spans, int rowCount) {
    std::vector<RowSpan> kept;
    kept.reserve(spans.size());
    for (RowSpan span : spans) {
        if (span.first > span.last)
            std::swap(span.first, span.last);
        span.first = std::max(span.first, 0);
        span.last = std::min(span.last, rowCount - 1);
        if (span.first <= span.last)
            kept.push_back(span);
    }
    std::sort(kept.begin(), kept.end(),
              [](const RowSpan& a, const RowSpan& b) { return a.first < b.first; });
    std::vector<RowSpan> merged;
    for (const RowSpan& span : kept) {
        // first - 1 rather than last + 1: last may be INT_MAX.
        if (!merged.empty() && span.first - 1 <= merged.back().last)
            merged.back().last = std::max(merged.back().last, span.last);
        else
            merged.push_back(span);
    }
    return merged;
}

// A row is the spreadsheet layout's line of the export (cells trimmed,
// decimal comma) with tabs for its semicolons and a bare line feed.
char* WriteSpreadsheetRow(char* out, const RowCells& cells) {
    char* end = WriteRowLine(out, ExportLayout::Xls, cells) - 2; // without CR LF
    std::replace(out, end, ';', '\t');
    *end++ = '\n';
    return end;
}

std::string RowsAsSpreadsheetText(const RowStore& store, std::vector<RowSpan> spans) {
    const std::vector<RowSpan> rows = NormalizedRowSpans(std::move(spans), store.rowCount());
    std::string text;
    if (store.isBlank()) {
        if (!rows.empty())
            text = "\t\t\t\n"; // the one empty row
        return text;
    }
    // Room for the longest lines at once: growing a text of tens of megabytes
    // step by step copies it again at each step. Pages never written cost no
    // memory.
    std::size_t rowTotal = 0;
    for (const RowSpan& span : rows)
        rowTotal += std::size_t(span.last - span.first) + 1;
    text.reserve(rowTotal * kMaxRowLineSize);
    for (const RowSpan& span : rows) {
        store.forEachRow(span.first, span.last, [&text](const RowCells& cells) {
            char line[kMaxRowLineSize];
            text.append(line, WriteSpreadsheetRow(line, cells));
            return true;
        });
    }
    return text;
}

std::vector<RowSpan> SelectedRowSpans(const QItemSelection& selection) {
    std::vector<RowSpan> spans;
    spans.reserve(std::size_t(selection.size()));
    for (const QItemSelectionRange& range : selection)
        if (range.isValid())
            spans.push_back({range.top(), range.bottom()});
    return spans;
}

bool CopySelectedRows(QTableView* grid) {
    if (grid == nullptr || grid->selectionModel() == nullptr)
        return false;
    const auto* model = qobject_cast<const ResultGridModel*>(grid->model());
    if (model == nullptr)
        return false;
    // Only rows the view shows can be selected; a run still writing may hold
    // more in the store.
    std::vector<RowSpan> spans = NormalizedRowSpans(
        SelectedRowSpans(grid->selectionModel()->selection()), model->rowCount());
    if (spans.empty())
        return false;
    const std::string text = RowsAsSpreadsheetText(*model->snapshot(), std::move(spans));
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        // The cells hold ASCII only (price texts and blanks).
        clipboard->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
        return true;
    }
    return false;
}

void InstallGridCopy(QTableView* grid) {
    grid->installEventFilter(new GridCopyFilter(grid));
}

} // namespace fapkalk
