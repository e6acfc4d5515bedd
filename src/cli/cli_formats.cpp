#include "cli/cli_formats.h"

#include "pricing/numbers.h"

#include <cstring>

namespace fapkalk::cli {

namespace {

char* Put(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* PutAmount(char* out, ShownPrice shown) {
    out += ShownLength(shown, '.');
    WriteShownBackwards(out, shown, '.');
    return out;
}

} // namespace

char* WriteCsvRow(char* out, const RowCells& cells) {
    if (!cells.fapPlaceholder)
        out = PutAmount(out, cells.fap);
    for (const ShownPrice& shown : {cells.aep, cells.kp, cells.avp}) {
        *out++ = ',';
        out = PutAmount(out, shown);
    }
    *out++ = '\n';
    return out;
}

char* WriteJsonRow(char* out, const RowCells& cells) {
    out = Put(out, "{\"fap\": ");
    out = cells.fapPlaceholder ? Put(out, "null") : PutAmount(out, cells.fap);
    out = PutAmount(Put(out, ", \"aep\": "), cells.aep);
    out = PutAmount(Put(out, ", \"kp\": "), cells.kp);
    out = PutAmount(Put(out, ", \"avp\": "), cells.avp);
    return Put(out, "}\n");
}

} // namespace fapkalk::cli
