#include "cli/cli_formats.h"

#include "pricing/numbers.h"

#include <cstring>

namespace fapkalk::cli {

namespace {

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

} // namespace

char* WriteCsvRow(char* out, const RowCells& cells) {
    if (!cells.fapPlaceholder)
        out = WriteShownForwards(out, cells.fap, '.');
    for (const ShownPrice& shown : {cells.aep, cells.kp, cells.avp}) {
        *out++ = ',';
        out = WriteShownForwards(out, shown, '.');
    }
    *out++ = '\n';
    return out;
}

char* WriteJsonRow(char* out, const RowCells& cells) {
    out = Put(out, "{\"fap\": ");
    out = cells.fapPlaceholder ? Put(out, "null") : WriteShownForwards(out, cells.fap, '.');
    out = WriteShownForwards(Put(out, ", \"aep\": "), cells.aep, '.');
    out = WriteShownForwards(Put(out, ", \"kp\": "), cells.kp, '.');
    out = WriteShownForwards(Put(out, ", \"avp\": "), cells.avp, '.');
    return Put(out, "}\n");
}

char* AddMargins(char* rowEnd, bool json, const std::optional<PriceMargins>& margins) {
    char* out = rowEnd - (json ? 2 : 1); // before "}\n" or "\n"
    const auto amount = [&out, &margins](const Margin PriceMargins::*which, bool json) {
        if (margins)
            out = WriteCentsForwards(out, ((*margins).*which).cents);
        else if (json)
            out = Put(out, "null");
    };
    out = Put(out, json ? ", \"margin_kp\": " : ",");
    amount(&PriceMargins::kp, json);
    out = Put(out, json ? ", \"margin_avp\": " : ",");
    amount(&PriceMargins::avp, json);
    return Put(out, json ? "}\n" : "\n");
}

} // namespace fapkalk::cli
