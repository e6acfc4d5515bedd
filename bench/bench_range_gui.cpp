// A range run of 1,000,000 and of 10,000,000 rows in the real main window
// (offscreen platform), and opening those rows in a second view as the detail
// window does.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_range_gui
//
// Reported per run: wall time and time per row, rows, the bytes the grid's
// store holds per row, the process's resident memory growth during the run
// (current and peak, per row and in MB), the messages shown (must be 0) and,
// outside the timing, the rows that are not what they must be (must be 0):
// every row is checked against the double steps of the FAP it shows, and the
// FAPs must rise by one step a row from Von to Bis, none repeated or skipped.
// The peak is reset before each run where the kernel allows it
// (/proc/self/clear_refs), so a smaller run before does not hide it.
// BM_ViewBytesPerRow compares the grid's view with the views of Qt it replaces.
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "tools/messages.h"
#include "ui/main/FAP_Main.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/UniformRowTableView.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Resident set size and its peak in kB from /proc/self/status (0 where unknown).
long statusKb(const char* key) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (!file)
        return 0;
    char line[256];
    long value = 0;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file))
        if (std::strncmp(line, key, keyLength) == 0)
            value = std::atol(line + keyLength);
    std::fclose(file);
    return value;
}

// Sets the peak (VmHWM) back to the current resident size.
void resetPeak() {
    if (std::FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", file);
        std::fclose(file);
    }
}

int g_messages = 0;

std::unique_ptr<fapkalk::TForm1> extendedWindow() {
    auto form = std::make_unique<fapkalk::TForm1>();
    form->ToggleMode();
    form->ResizeWindow(527, 600);
    form->show();
    QCoreApplication::processEvents();
    return form;
}

// The range fields, found by their names in the window's layout: from 0.01 in
// steps of 0.01, as many rows as asked for.
void enterRange(fapkalk::TForm1& form, long rows) {
    form.findChild<QLineEdit*>(QStringLiteral("eFAPBASIS"))->setText(QStringLiteral("0.01"));
    form.findChild<QLineEdit*>(QStringLiteral("eBis"))
        ->setText(QString::number(double(rows) / 100.0, 'f', 2));
    form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("0.01"));
}

// Rows that are not the price Von + row cents with the double steps' cells
// for it, and a table that does not end at the last price.
long wrongRows(const fapkalk::RowStore& store, long wanted) {
    const fapkalk::CalcOptions& options = store.options();
    const double vat = store.vatFactor();
    std::uint64_t expected = 1;
    long wrong = store.rowCount() == wanted ? 0 : 1;
    store.forEachRow(0, store.rowCount() - 1, [&](const fapkalk::RowCells& cells) {
        const double price = double(cells.fap.cents) / 100.0;
        const fapkalk::PriceResult steps =
            fapkalk::detail::DoubleStepPrices(price, options, vat, fapkalk::BuiltInTariff());
        const bool right = cells.fap.cents == expected &&
                           fapkalk::ShownPriceOf(steps.aep) == cells.aep &&
                           fapkalk::ShownPriceOf(steps.kp) == cells.kp &&
                           fapkalk::ShownPriceOf(steps.avp) == cells.avp;
        wrong += right ? 0 : 1;
        ++expected;
        return true;
    });
    return wrong;
}

void BM_RangeRun(benchmark::State& state) {
    const long wanted = long(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto form = extendedWindow();
        enterRange(*form, wanted);
        resetPeak();
        const long rssBefore = statusKb("VmRSS:");
        const long peakBefore = statusKb("VmHWM:");
        g_messages = 0;
        state.ResumeTiming();

        form->RunCalculation();

        state.PauseTiming();
        const double rows = form->GridModel().rowCountExact();
        const double rssGrowth = double(statusKb("VmRSS:") - rssBefore) * 1024.0;
        const double peakGrowth = double(statusKb("VmHWM:") - peakBefore) * 1024.0;
        state.counters["rows"] = rows;
        state.counters["time_per_row"] = benchmark::Counter(
            rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
        state.counters["store_B_per_row"] = double(sizeof(fapkalk::RowStore)) / rows;
        state.counters["rss_B_per_row"] = rssGrowth / rows;
        state.counters["peak_B_per_row"] = peakGrowth / rows;
        state.counters["peak_growth_MB"] = peakGrowth / (1024.0 * 1024.0);
        state.counters["messages"] = g_messages;
        state.counters["wrong_rows"] = double(wrongRows(*form->GridModel().snapshot(), wanted));
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RangeRun)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_OpenMillionRowSnapshot(benchmark::State& state) {
    auto form = extendedWindow();
    enterRange(*form, 1'000'000);
    form->RunCalculation();
    fapkalk::UniformRowTableView view;
    view.resize(521, 560);
    for (auto _ : state) {
        // What the detail window does when it opens: take the rows, show them.
        fapkalk::ResultGridModel detail(form->GridModel().snapshot());
        view.setModel(&detail);
        view.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(detail.rowCount());
        view.setModel(nullptr);
    }
    state.counters["rows"] = form->GridModel().rowCountExact();
}
BENCHMARK(BM_OpenMillionRowSnapshot)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Rows without data: what a table view itself keeps for a model of N rows.
class EmptyRows : public QAbstractTableModel {
public:
    explicit EmptyRows(int rows) : rows_(rows) {}
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex&, int) const override { return {}; }

private:
    int rows_;
};

// The resident bytes a row of a table view set up as the windows set up their
// grids: a plain QTableView (kind 0); the same with a vertical header over a
// model of no rows in place of its own (kind 1): the difference is what the
// header keeps per row; a list view of uniform rows (kind 2), the other view
// of Qt that scrolls rows of one height; and the grids' own view (kind 3).
void BM_ViewBytesPerRow(benchmark::State& state) {
    const int rows = int(state.range(0));
    const long kind = long(state.range(1));
    for (auto _ : state) {
        EmptyRows model(rows);
        EmptyRows noRows(0);
        const long rssBefore = statusKb("VmRSS:");
        std::unique_ptr<QAbstractItemView> view;
        if (kind == 3) {
            auto grid = std::make_unique<fapkalk::UniformRowTableView>();
            grid->setModel(&model);
            fapkalk::SetUpResultGridView(grid.get());
            view = std::move(grid);
        } else if (kind == 2) {
            auto list = std::make_unique<QListView>();
            list->setUniformItemSizes(true);
            list->setModel(&model);
            view = std::move(list);
        } else {
            auto table = std::make_unique<QTableView>();
            fapkalk::SetUpResultGridView(table.get());
            table->setModel(&model);
            if (kind == 1) {
                // A header that has a model keeps it when it replaces another;
                // emptying the first one's model would keep its sections' memory.
                auto* header = new QHeaderView(Qt::Vertical);
                header->setModel(&noRows);
                table->setVerticalHeader(header);
            }
            view = std::move(table);
        }
        view->resize(521, 560);
        view->show();
        QCoreApplication::processEvents();
        state.counters["rss_B_per_row"] =
            double(statusKb("VmRSS:") - rssBefore) * 1024.0 / double(rows);
    }
}
BENCHMARK(BM_ViewBytesPerRow)
    ->Args({10'000'000, 0})
    ->Args({10'000'000, 1})
    ->Args({10'000'000, 2})
    ->Args({10'000'000, 3})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tools::SetMessageHandler([](QWidget*, const tools::Message&) {
        ++g_messages;
        return tools::MessageAnswer::Ok;
    });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
