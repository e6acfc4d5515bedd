#include "ui/main/CalcPathHint.h"

#include "pricing/margins.h"
#include "pricing/price_rows.h"

namespace fapkalk {

QString CalculationPathText(double price, const CalcOptions& options, double vatFactor) {
    std::string path = ExplainPrices(price, options, vatFactor);
    const PriceResult result = CalcPrices(price, options, vatFactor);
    if (result.refusal == nullptr) {
        const RowCells cells = CellsOf(price, result, options);
        if (const auto margins = MarginsOf(cells, vatFactor))
            path += ExplainMargins(cells, *margins);
    }
    return QString::fromStdString(path);
}

QString PlainTextToolTip(const QString& text) {
    if (text.isEmpty())
        return {};
    QString body = text;
    while (body.endsWith(u'\n'))
        body.chop(1);
    // <pre> is rich text to Qt::mightBeRichText, keeps blanks and line breaks
    // and uses a fixed-width face, so the path's columns stay aligned.
    return QStringLiteral("<pre>") + body.toHtmlEscaped() + QStringLiteral("</pre>");
}

QString AccessiblePathText(const QString& path) {
    QString spoken = path;
    while (spoken.endsWith(u'\n'))
        spoken.chop(1);
    return spoken;
}

ResultLabelHints ResultLabelHintsFor(double price, const PriceResult& result,
                                     const CalcOptions& options, double vatFactor) {
    if (result.refusal != nullptr)
        return {};
    const QString path = CalculationPathText(price, options, vatFactor);
    return {PlainTextToolTip(path), AccessiblePathText(path)};
}

} // namespace fapkalk
