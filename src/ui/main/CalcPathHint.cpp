#include "ui/main/CalcPathHint.h"

#include "pricing/margins.h"
#include "pricing/numbers.h"
#include "pricing/price_rows.h"

#include <QRegularExpression>

namespace fapkalk {

QString CalculationPathText(double price, const CalcOptions& options, double vatFactor) {
    return QString::fromStdString(ExplainPrices(price, options, vatFactor));
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
    while (spoken.endsWith(u'\n'))
        spoken.chop(1);
    return spoken;
}

ResultLabelHints ResultLabelHintsFor(double price, const PriceResult& result,
                                     const CalcOptions& options, double vatFactor) {
    if (result.refusal != nullptr)
        return {};
    QString path = CalculationPathText(price, options, vatFactor);
    QString description = AccessiblePathText(path);
    // The margins close the path; their amounts are written as shown already.
    const RowCells cells = CellsOf(price, result, options);
    if (const auto margins = MarginsOf(cells, vatFactor)) {
        const QString lines = QString::fromStdString(ExplainMargins(cells, *margins));
        path += lines;
        description += u'\n' + lines.trimmed();
    }
    return {PlainTextToolTip(path), description};
}

} // namespace fapkalk
