// Ctrl+C on a million selected rows of the result grid: the spreadsheet text
// built from the row store (one selection range), and the whole copy through a
// real view's selection onto the clipboard (offscreen platform).
//
//   build/<dir>/bench/bench_grid_copy
#include "ui/widgets/GridCopy.h"
#include "ui/widgets/ResultGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QTableView>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 1'000'000;

void fill(fapkalk::ResultGridModel& model) {
    // The rows of a range from 12.50 in steps of 0.01.
    model.startRun(fapkalk::CalcOptions{}, fapkalk::kDefaultVatFactor, 1250, 1250 + kRows, 1);
    for (int row = 0; row < kRows; ++row)
        model.appendRow();
    model.publish();
}

void BM_TextOfMillionRows(benchmark::State& state) {
    fapkalk::ResultGridModel model;
    fill(model);
    const auto store = model.snapshot();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = fapkalk::RowsAsSpreadsheetText(*store, {{0, kRows - 1}});
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["rows"] = kRows;
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_TextOfMillionRows)->Unit(benchmark::kMillisecond);

void BM_CopyMillionSelectedRows(benchmark::State& state) {
    fapkalk::ResultGridModel model;
    fill(model);
    QTableView grid;
    grid.setModel(&model);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid.selectAll();
    for (auto _ : state) {
        const bool copied = fapkalk::CopySelectedRows(&grid);
        benchmark::DoNotOptimize(copied);
    }
    state.counters["clipboard_chars"] = double(QApplication::clipboard()->text().size());
}
BENCHMARK(BM_CopyMillionSelectedRows)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
