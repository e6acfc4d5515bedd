// Cost of the command-line tool's range export per row, and of its parts:
// the engine (CalcPrices and four FormatPrice) and the line building.
#include "cli/cli_output.h"
#include "cli/cli_run.h"
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

using namespace fapkalk;

namespace {

// Counts and checksums what it is given, so nothing can be optimised away.
class CountingSink : public cli::ByteSink {
public:
    bool Write(std::string_view bytes) override {
        size_ += bytes.size();
        for (std::size_t i = 0; i < bytes.size(); i += 61)
            sum_ += static_cast<unsigned char>(bytes[i]);
        return true;
    }
    bool Finish() override { return true; }
    std::string Error() const override { return {}; }
    std::size_t size() const { return size_; }
    std::size_t sum() const { return sum_; }

private:
    std::size_t size_ = 0;
    std::size_t sum_ = 0;
};

// The whole tool for "range 0.01 BIS 0.01": items are rows.
void BM_RangeExport(benchmark::State& state, const char* layout) {
    const long rows = state.range(0);
    const std::string bis = std::to_string(rows / 100) + "." + std::to_string(rows % 100 / 10) +
                            std::to_string(rows % 10);
    const std::vector<std::string> args = {"range", "0.01", bis, "0.01", "--format", layout};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::istringstream in;
        CountingSink out;
        cli::StringSink err;
        if (cli::RunCli(args, in, out, err) != 0)
            state.SkipWithError("range refused");
        bytes = out.size();
        benchmark::DoNotOptimize(out.sum());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes));
}
BENCHMARK_CAPTURE(BM_RangeExport, fixed, "fixed")->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RangeExport, xls, "xls")->Arg(100000)->Unit(benchmark::kMillisecond);

// The engine's share of one row: one CalcPrices and four FormatPrice.
void BM_EngineRow(benchmark::State& state) {
    const CalcOptions options;
    std::int64_t cents = 1;
    std::size_t sum = 0;
    for (auto _ : state) {
        const double price = static_cast<double>(cents) / 100.0;
        const PriceResult r = CalcPrices(price, options, kDefaultVatFactor);
        sum += FormatPrice(price)[9] + FormatPrice(r.aep)[9] + FormatPrice(r.kp)[9] +
               FormatPrice(r.avp)[9];
        if (++cents > 1'000'000)
            cents = 1;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineRow);

// The export's share of one row: the line in file form from four texts.
void BM_AppendRow(benchmark::State& state, ExportLayout layout) {
    std::vector<std::array<std::string, 4>> rows;
    for (int c = 1; c <= 4096; ++c) {
        const double x = c * 0.37;
        rows.push_back(
            {FormatPrice(x), FormatPrice(x * 1.1), FormatPrice(x * 1.4), FormatPrice(x * 1.9)});
    }
    ExportLineBuilder builder(layout);
    std::string out;
    out.reserve(1 << 20);
    std::size_t i = 0;
    std::size_t sum = 0;
    for (auto _ : state) {
        const auto& row = rows[i++ & 4095];
        builder.AppendRow(out, {row[0], row[1], row[2], row[3]});
        if (out.size() > (1 << 19)) {
            sum += static_cast<unsigned char>(out[out.size() / 2]);
            out.clear();
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_AppendRow, fixed, ExportLayout::FixedPosition);
BENCHMARK_CAPTURE(BM_AppendRow, xls, ExportLayout::Xls);

} // namespace

BENCHMARK_MAIN();
