// Cost of the price engine and of the display text on the two real
// workloads: typed prices (4096 prices on whole cents, log-distributed between
// 0.01 and 1000 €, fixed seed, in random order) and the rows of a range (the
// running sum price := price + 0.01 from 0.01, in order; it drifts off whole
// cents).
#include "pricing/engine.h"
#include "pricing/export_lines.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using fapkalk::CalcOptions;

// On a shared machine the median drifts with the other load; the fastest
// repetition shows what the code itself costs.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

constexpr std::size_t kPriceCount = 4096; // a power of two: the index wraps by a mask

// splitmix64: the same sequence on every platform and library.
std::uint64_t NextRandom(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

const std::vector<double>& Prices() {
    static const std::vector<double> prices = [] {
        std::vector<double> result;
        std::uint64_t state = 20120101;
        const double low = std::log(0.01);
        const double high = std::log(1000.0);
        while (result.size() < kPriceCount) {
            const double unit = static_cast<double>(NextRandom(state) >> 11) * 0x1p-53;
            const double cents = std::round(std::exp(low + unit * (high - low)) * 100.0);
            result.push_back(std::max(cents, 1.0) / 100.0);
        }
        return result;
    }();
    return prices;
}

struct Variant {
    const char* name;
    CalcOptions options;
    double vat;
};

const std::array<Variant, 8> kVariants = {{
    {"standard", {}, 1.1},
    {"narcotic", {.Narcotic = true}, 1.1},
    {"not_reimbursable", {.NotReimbursable = true}, 1.1},
    {"veterinary", {.Veterinary = true}, 1.1},
    {"homeopathic", {.Homeopathic = true}, 1.1},
    {"aep_input", {.AepInput = true}, 1.1},
    {"vat_20", {}, 1.2},
    {"vat_7_narcotic", {.Narcotic = true}, 1.07},
}};

// Cents of a result, folded into a checksum: the loop's results are consumed.
std::uint64_t Fold(std::uint64_t sum, const fapkalk::PriceResult& r) {
    const auto cents = [](double x) { return static_cast<std::uint64_t>(std::llround(x * 100.0)); };
    return sum * 31 + cents(r.aep) * 7 + cents(r.kp) * 3 + cents(r.avp);
}

std::uint64_t PlainCalcChecksum(const Variant& variant) {
    std::uint64_t sum = 0;
    for (double price : Prices())
        sum = Fold(sum, fapkalk::CalcPrices(price, variant.options, variant.vat));
    return sum;
}

void BM_CalcPrices(benchmark::State& state) {
    const Variant& variant = kVariants[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(variant.name);
    const std::vector<double>& prices = Prices();
    const std::uint64_t expected = PlainCalcChecksum(variant);
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const fapkalk::PriceResult r =
            fapkalk::CalcPrices(prices[i & (kPriceCount - 1)], variant.options, variant.vat);
        benchmark::DoNotOptimize(r);
        if (i < kPriceCount)
            sum = Fold(sum, r);
        ++i;
    }
    if (i >= kPriceCount && sum != expected)
        state.SkipWithError("checksum differs from the plain loop");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CalcPrices)
    ->DenseRange(0, static_cast<int>(kVariants.size()) - 1)
    ->ComputeStatistics("min", Fastest);

std::uint64_t FoldText(std::uint64_t sum, const std::string& text) {
    for (char c : text)
        sum = sum * 131 + static_cast<unsigned char>(c);
    return sum;
}

// What the screen shows: the typed prices and the engine's AEP, KP and AVP.
const std::vector<double>& DisplayedAmounts() {
    static const std::vector<double> amounts = [] {
        std::vector<double> result;
        for (double price : Prices()) {
            const auto r = fapkalk::CalcPrices(price, {}, fapkalk::kDefaultVatFactor);
            for (double x : {price, r.aep, r.kp, r.avp})
                result.push_back(x);
        }
        return result;
    }();
    return amounts;
}

void BM_FormatPrice(benchmark::State& state) {
    const std::vector<double>& amounts = DisplayedAmounts();
    const std::size_t mask = amounts.size() - 1; // 4 * 4096, a power of two
    std::uint64_t expected = 0;
    for (double x : amounts)
        expected = FoldText(expected, fapkalk::FormatPrice(x));
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        std::string text = fapkalk::FormatPrice(amounts[i & mask]);
        benchmark::DoNotOptimize(text);
        if (i <= mask)
            sum = FoldText(sum, text);
        ++i;
    }
    if (i > mask && sum != expected)
        state.SkipWithError("checksum differs from the plain loop");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FormatPrice)->ComputeStatistics("min", Fastest);

void BM_ParsePrice(benchmark::State& state) {
    std::vector<std::string> texts;
    for (double price : Prices())
        texts.push_back(fapkalk::FormatPrice(price));
    double expected = 0;
    for (const std::string& text : texts)
        expected += fapkalk::ParsePrice(text);
    double sum = 0;
    std::size_t i = 0;
    for (auto _ : state) {
        const double value = fapkalk::ParsePrice(texts[i & (kPriceCount - 1)]);
        benchmark::DoNotOptimize(value);
        if (i < kPriceCount)
            sum += value;
        ++i;
    }
    if (i >= kPriceCount && sum != expected)
        state.SkipWithError("checksum differs from the plain loop");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ParsePrice)->ComputeStatistics("min", Fastest);

// A run's parse, calculation and three display texts for one price.
void BM_ParseCalcFormat(benchmark::State& state) {
    std::vector<std::string> texts;
    for (double price : Prices())
        texts.push_back(fapkalk::FormatPrice(price));
    std::size_t i = 0;
    for (auto _ : state) {
        const double price = fapkalk::ParsePrice(texts[i++ & (kPriceCount - 1)]);
        const auto r = fapkalk::CalcPrices(price, {}, fapkalk::kDefaultVatFactor);
        std::string aep = fapkalk::FormatPrice(r.aep);
        std::string kp = fapkalk::FormatPrice(r.kp);
        std::string avp = fapkalk::FormatPrice(r.avp);
        benchmark::DoNotOptimize(aep);
        benchmark::DoNotOptimize(kp);
        benchmark::DoNotOptimize(avp);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ParseCalcFormat)->ComputeStatistics("min", Fastest);

// The first 2^20 rows of "range 0.01 ... 0.01": 0.01 to 10,485.76 €, in
// cents and as the doubles of those cents.
constexpr std::size_t kRowCount = std::size_t{1} << 20;

std::int64_t RowCents(std::size_t i) {
    return static_cast<std::int64_t>(i & (kRowCount - 1)) + 1;
}

const std::vector<double>& RangePrices() {
    static const std::vector<double> prices = [] {
        std::vector<double> result;
        for (std::size_t i = 0; i < kRowCount; ++i)
            result.push_back(static_cast<double>(RowCents(i)) / 100.0);
        return result;
    }();
    return prices;
}

void BM_CalcPricesRange(benchmark::State& state) {
    const Variant& variant = kVariants[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(variant.name);
    const std::vector<double>& prices = RangePrices();
    std::size_t i = 0;
    for (auto _ : state) {
        const fapkalk::PriceResult r =
            fapkalk::CalcPrices(prices[i++ & (kRowCount - 1)], variant.options, variant.vat);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_CalcPricesRange)->Arg(0)->Arg(2)->Arg(5)->ComputeStatistics("min", Fastest);

// What a range row costs without its texts: the four cells as numbers.
void BM_RowCells(benchmark::State& state) {
    const Variant& variant = kVariants[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(variant.name);
    const fapkalk::PriceRows rows(variant.options, variant.vat);
    std::size_t i = 0;
    for (auto _ : state) {
        const fapkalk::RowCells cells = rows.Row(RowCents(i++));
        benchmark::DoNotOptimize(cells);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_RowCells)->Arg(0)->Arg(5)->ComputeStatistics("min", Fastest);

// A whole data line of the export from a range row, as fapkalk-cli writes it.
void BM_RowLine(benchmark::State& state, fapkalk::ExportLayout layout) {
    const fapkalk::PriceRows rows({}, fapkalk::kDefaultVatFactor);
    char line[fapkalk::kMaxRowLineSize];
    std::size_t i = 0;
    for (auto _ : state) {
        char* end = fapkalk::WriteRowLine(line, layout, rows.Row(RowCents(i++)));
        benchmark::DoNotOptimize(end);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK_CAPTURE(BM_RowLine, fixed, fapkalk::ExportLayout::FixedPosition)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_CAPTURE(BM_RowLine, xls, fapkalk::ExportLayout::Xls)->ComputeStatistics("min", Fastest);

} // namespace

BENCHMARK_MAIN();
