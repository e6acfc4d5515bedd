// Export of a million rows and opening the detail window over them. The result
// table is filled once with a real range (FAP 0.01 to 10000.00 by one cent,
// every row through the price engine and FormatPrice), as the main window
// hands it to both; the export goes to a file in the temporary folder
// (written, synced and renamed, as in use).
//
//   QT_QPA_PLATFORM=offscreen build/h7rel/bench/bench_export
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "tools/messages.h"
#include "ui/output/ExportFile.h"
#include "ui/output/FAP_Export.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/ResultTable.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace fapkalk;

constexpr int kRows = 1'000'000;

const ResultTable& Table() {
    static const ResultTable table = [] {
        // The rows of the window's range 0.01 to 10000 in steps of 0.01.
        const CalcOptions options;
        auto store = std::make_shared<RowStore>(options, kDefaultVatFactor, 1, kRows, 1);
        for (int row = 0; row < kRows; ++row)
            store->appendRow();
        ResultTable t;
        t.rows = std::move(store);
        t.criteria = {"0.01", "10000", "0.01", options};
        return t;
    }();
    return table;
}

std::string TargetPath() {
    return QFile::encodeName(QDir::temp().filePath(QStringLiteral("fapkalk_bench_export.csv")))
        .toStdString();
}

// The widget-free export: the table's rows to the file.
void BM_ExportFile(benchmark::State& state) {
    const auto layout = state.range(0) == 1 ? ExportLayout::Xls : ExportLayout::FixedPosition;
    const bool withHeader = state.range(1) != 0;
    const ResultTable& table = Table();
    const auto& rows = table.rows;
    const std::string created = "07.12.2026 14:05:09";
    const ExportCriteria criteria{created, "0.01", "10000", "0.01", table.criteria.options};
    const std::string target = TargetPath();
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const ExportResult result =
            WriteExportFile(target, *rows, layout, withHeader ? &criteria : nullptr);
        if (!result.ok || result.rows != kRows) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        bytes = QFileInfo(QString::fromStdString(target)).size();
    }
    state.counters["rows"] = kRows;
    state.counters["file_MB"] = double(bytes) / 1e6;
    state.SetBytesProcessed(state.iterations() * bytes);
    QFile::remove(QString::fromStdString(target));
}
BENCHMARK(BM_ExportFile)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"xls", "header"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The whole OK of the dialog: the header, writing, the message.
void BM_ExportDialogOk(benchmark::State& state) {
    TdlgFAP_EXPORT dialog;
    dialog.SetTable(Table());
    dialog.RadioGroup2->setItemIndex(int(state.range(0)));
    const QString target = QString::fromStdString(TargetPath());
    dialog.Edit1->setText(target);
    int messages = 0;
    const auto previous = tools::SetMessageHandler([&](QWidget*, const tools::Message& message) {
        ++messages;
        if (message.kind != tools::MessageKind::Information)
            state.SkipWithError("the export failed");
        return tools::MessageAnswer::Ok;
    });
    for (auto _ : state)
        dialog.Button1Click();
    tools::SetMessageHandler(previous);
    state.counters["messages"] = messages;
    QFile::remove(target);
}
BENCHMARK(BM_ExportDialogOk)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("xls")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Opening the detail window: row count, column widths and texts of a million rows.
void BM_DetailOpen(benchmark::State& state) {
    TDetMore detail;
    detail.JvFormPlacement1->Active = false;
    for (auto _ : state) {
        detail.FillFrom(Table());
        benchmark::DoNotOptimize(detail.GridModel().rowCountExact());
    }
    if (detail.GridModel().rowCountExact() != kRows)
        state.SkipWithError("wrong row count");
}
BENCHMARK(BM_DetailOpen)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
