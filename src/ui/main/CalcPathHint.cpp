#include "ui/main/CalcPathHint.h"

#include "pricing/margins.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"

#include <QRegularExpression>

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

QString AccessiblePathText(const QString& fullPath) {
    // The margin lines at the end give their amounts as shown already.
    const qsizetype marginsAt = fullPath.indexOf(QStringLiteral("\nMarge "));
    const QString path = marginsAt < 0 ? fullPath : fullPath.left(marginsAt + 1);
    // A number that is not part of a longer one nor of an exponent form,
    // with the price name or rounding arrow before it that makes it an amount.
    static const QRegularExpression number(
        QStringLiteral(R"((\b(?:FAP|AEP|KP|AVP) |→ )?(?<![\w.])(\d+(?:\.\d+)?)(?![\w.]))"));
    QString spoken;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : number.globalMatch(path)) {
        const QString digits = match.captured(2);
        spoken += path.mid(done, match.capturedStart(2) - done);
        if (match.capturedLength(1) > 0)
            spoken += QString::fromStdString(FormatPrice(digits.toDouble())).trimmed();
        else if (digits.contains(u'.'))
            spoken += QString::number(digits.toDouble(), 'g', 15);
        else
            spoken += digits;
        done = match.capturedEnd(2);
    }
    spoken += path.mid(done);
    if (marginsAt >= 0)
        spoken += fullPath.mid(marginsAt + 1);
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
