// A range run of a million rows in the real main window (offscreen platform),
// and opening those rows in a second view as the detail window does.
//
//   build/h3rel/bench/bench_range_gui
//
// Reported: wall time, rows, the process's resident memory growth during the
// run (current and peak) and the messages shown (must be 0).
#include "tools/messages.h"
#include "ui/main/FAP_Main.h"

#include <QApplication>
#include <QLineEdit>
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

int g_messages = 0;

std::unique_ptr<fapkalk::TForm1> extendedWindow() {
    auto form = std::make_unique<fapkalk::TForm1>();
    form->ToggleMode();
    form->ResizeWindow(527, 600);
    form->show();
    QCoreApplication::processEvents();
    return form;
}

// The range fields, found by their names in the window's layout.
void enterRange(fapkalk::TForm1& form) {
    form.findChild<QLineEdit*>(QStringLiteral("eFAPBASIS"))->setText(QStringLiteral("0.01"));
    form.findChild<QLineEdit*>(QStringLiteral("eBis"))->setText(QStringLiteral("10000"));
    form.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("0.01"));
}

void BM_RangeRunMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto form = extendedWindow();
        enterRange(*form);
        const long rssBefore = statusKb("VmRSS:");
        const long peakBefore = statusKb("VmHWM:");
        g_messages = 0;
        state.ResumeTiming();

        form->RunCalculation();

        state.PauseTiming();
        state.counters["rows"] = form->GridModel().rowCountExact();
        state.counters["rss_growth_MB"] = double(statusKb("VmRSS:") - rssBefore) / 1024.0;
        state.counters["peak_growth_MB"] = double(statusKb("VmHWM:") - peakBefore) / 1024.0;
        state.counters["messages"] = g_messages;
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RangeRunMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenMillionRowSnapshot(benchmark::State& state) {
    auto form = extendedWindow();
    enterRange(*form);
    form->RunCalculation();
    QTableView view;
    view.resize(521, 560);
    for (auto _ : state) {
        // What the detail window does when it opens: take the texts, show them.
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
